#include "kanji/kanjiwriting.h"

#include "app/apperror.h"
#include "app/board.h"
#include "app/composition.h"
#include "app/keybutton.h"
#include "app/mainform.h"
#include "app/messageboxes.h"
#include "app/textdisplay.h"
#include "app/textmodel.h"
#include "app/wholefile.h"
#include "kanji/engine.h"
#include "speech/directss.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextCursor>

namespace kanji {

namespace {
const QString kSection = QStringLiteral("文字");
const QString kKey = QStringLiteral("漢字");
} // namespace

Writing::Writing(TMain_form &form) : QObject(&form), m_form(form)
{
    QTextDocument *doc = form.Hyouji_edit->document();
    connect(doc, &QTextDocument::contentsChange, this, &Writing::contentsChanged);
    connect(form.Hyouji_edit, &QPlainTextEdit::cursorPositionChanged, this, &Writing::cursorMoved);
}

Writing::~Writing() = default;

void Writing::setEnabled(bool on)
{
    if (!on) {
        commitAll();
        m_engine.reset(); // Mozc, if it runs, is stopped
    }
    m_enabled = on;
    // Mozc is started in the background at once; Anthy at the first need.
    if (on && !m_engine && m_choice != EngineChoice::Anthy)
        m_engine = makeEngine(m_choice);
    m_form.menus.Kanji1->setChecked(on);
    const struct
    {
        int tag;
        QString caption;
    } blanks[] = {{keys::kBlank1, QStringLiteral("へんかん")}, {keys::kBlank2, QStringLiteral("かくてい")}};
    for (const auto &b : blanks) {
        KeyButton *key = m_form.Key_table[b.tag];
        key->setText(on ? b.caption : QString());
        // Four kana fit the key at the height of "いんさつ".
        m_form.board()->setCaptionHeight(
            b.tag, on ? keys::table()[keys::kPrint].charHeight : keys::table()[b.tag].charHeight);
        key->setAccessibleName(on ? b.caption : readings::table()[b.tag]);
    }
}

void Writing::toggle()
{
    const bool on = !m_enabled;
    if (on)
        recordChoice();
    setEnabled(on);
    m_form.settings().writeBool(kSection, kKey, on);
}

void Writing::forget()
{
    m_history.clear();
    m_historyLoaded = true;
    const QString path = History::defaultPath();
    if (QFileInfo::exists(path) && !QFile::remove(path))
        throw AppError(QDir::toNativeSeparators(path) + QStringLiteral(" を消せません"));
    m_form.speakMessage(QStringLiteral("へんかんの がくしゅうを わすれました"));
    boxes::notice(&m_form, QStringLiteral("変換の学習を忘れました"));
}

bool Writing::beforeKey(int tag)
{
    if (!m_enabled)
        return false;
    if (tag == keys::kBlank1) {
        convert();
        return true;
    }
    if (tag == keys::kBlank2) {
        commit();
        return true;
    }
    if (tag == keys::kDelete && m_cycle.active() && stillShown()) {
        cancel();
        return true;
    }
    commitAll();
    return false;
}

bool Writing::stillShown() const
{
    const TextDisplay *display = m_form.Hyouji_edit;
    if (textmodel::insertionPosition(display) != m_start + m_shown.size())
        return false;
    QTextCursor c(display->document());
    c.setPosition(m_start);
    c.setPosition(m_start + int(m_shown.size()), QTextCursor::KeepAnchor);
    return c.selectedText() == m_shown;
}

void Writing::convert()
{
    if (m_cycle.active() && stillShown()) {
        m_cycle.next();
        show();
        speakCurrent();
        return;
    }
    m_cycle = CandidateCycle();
    TextDisplay *display = m_form.Hyouji_edit;
    const QString text = textmodel::plainText(display);
    const int p = textmodel::insertionPosition(display);
    const int start = runStart(text, p, m_anchor);
    if (start == p) {
        m_form.speakMessage(QStringLiteral("へんかんする もじが ありません"));
        return;
    }
    if (!m_engine && !(m_engine = makeEngine(m_choice)))
        throw AppError(QStringLiteral("かな漢字変換を始められません"));
    if (!m_historyLoaded) {
        QFile file(History::defaultPath());
        if (file.open(QIODevice::ReadOnly))
            m_history = History::fromBytes(file.readAll());
        m_historyLoaded = true;
    }
    const QString run = text.mid(start, p - start);
    QList<Phrase> phrases = m_engine->convert(run);
    if (phrases.isEmpty())
        phrases << Phrase{run, {}};
    m_history.apply(phrases);
    composition::beginEdit(m_form); // undo gives back the hiragana
    m_start = start;
    m_shown = run;
    m_cycle.begin(phrases);
    show();
    speakCurrent();
}

void Writing::show()
{
    TextDisplay *display = m_form.Hyouji_edit;
    const QString shown = m_cycle.shown();
    m_replacing = true;
    QTextCursor c = display->textCursor();
    c.setPosition(m_start);
    c.setPosition(m_start + int(m_shown.size()), QTextCursor::KeepAnchor);
    c.insertText(shown);
    display->setTextCursor(c);
    m_replacing = false;
    m_shown = shown;
    m_seenPosition = c.position();
    m_seenChanges = m_changes;

    // The phrases not committed are underlined, the current one marked.
    QList<QTextEdit::ExtraSelection> marks;
    const int current = int(m_cycle.currentText().size());
    for (const auto &[from, to, mark] : {std::tuple{m_start, m_start + current, true},
                                        std::tuple{m_start + current, m_start + int(shown.size()), false}}) {
        if (from == to)
            continue;
        QTextEdit::ExtraSelection s;
        s.cursor = QTextCursor(display->document());
        s.cursor.setPosition(from);
        s.cursor.setPosition(to, QTextCursor::KeepAnchor);
        s.format.setFontUnderline(true);
        if (mark) {
            s.format.setBackground(display->palette().highlight());
            s.format.setForeground(display->palette().highlightedText());
        }
        marks << s;
    }
    display->setExtraSelections(marks);
    composition::recordBar(m_form);
}

void Writing::speakCurrent()
{
    m_form.DirectSS1->StopSpeaking();
    // The reading goes first on its own: a short text is heard soonest, and
    // the description follows while the user listens.
    const QString spoken = m_descriptions.spoken(m_cycle.currentText(), m_cycle.currentReading());
    const qsizetype comma = spoken.indexOf(u'、');
    m_form.speakMessage(spoken.left(comma));
    if (comma >= 0)
        m_form.speakMessage(spoken.mid(comma + 1));
}

void Writing::keep(const Committed &c)
{
    m_spans.add(m_start, c.text, c.reading);
    m_history.record(c.reading, c.text);
    m_start += int(c.text.size());
    m_shown.remove(0, c.text.size());
}

void Writing::endConversion()
{
    m_form.Hyouji_edit->setExtraSelections({});
    m_anchor = textmodel::insertionPosition(m_form.Hyouji_edit);
    m_shown.clear();
    saveHistory();
}

void Writing::commit()
{
    if (!m_cycle.active() || !stillShown()) {
        m_cycle = CandidateCycle();
        m_form.speakMessage(QStringLiteral("かくていする もじが ありません"));
        return;
    }
    keep(m_cycle.commitCurrent());
    if (m_cycle.active()) {
        show();
        speakCurrent();
        return;
    }
    endConversion();
    m_form.DirectSS1->StopSpeaking();
    m_form.speakMessage(QStringLiteral("かくていしました"));
}

void Writing::commitAll()
{
    if (!m_cycle.active())
        return;
    if (!stillShown()) {
        // The text was changed under the candidate: it stays as it is now.
        m_cycle = CandidateCycle();
        m_form.Hyouji_edit->setExtraSelections({});
        return;
    }
    for (const Committed &c : m_cycle.commitAll())
        keep(c);
    endConversion();
}

void Writing::cancel()
{
    const QString plain = m_cycle.cancel();
    m_cycle.begin({Phrase{plain, {}}}); // shows the plain hiragana
    show();
    m_cycle = CandidateCycle();
    m_form.Hyouji_edit->setExtraSelections({});
    m_shown.clear();
    m_form.DirectSS1->StopSpeaking();
    m_form.speakMessage(plain);
}

QString Writing::textToRead() const
{
    const TextDisplay *display = m_form.Hyouji_edit;
    if (m_spans.isEmpty() || m_form.DirectSS1->readsKanji(m_form.state.Decision_voice))
        return textmodel::wholeText(display);
    return m_spans.readingOf(textmodel::plainText(display));
}

void Writing::saveHistory()
{
    // The history is a help, not the user's writing: a folder that cannot be
    // written leaves the choices for this session only.
    const QString path = History::defaultPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    (void)wholefile::replace(path, m_history.toBytes(), wholefile::Access::OwnerOnly);
}

void Writing::contentsChanged(int position, int removed, int added)
{
    ++m_changes;
    m_spans.contentsChanged(position, removed, added);
    // A text put in or taken out as a whole (a file, a paste, undo, clear)
    // starts the run afresh after it, as a move of the insertion point does.
    if (!m_replacing && (removed > 2 || added > 2))
        m_anchor = position + added;
}

void Writing::cursorMoved()
{
    const int p = textmodel::insertionPosition(m_form.Hyouji_edit);
    if (m_changes == m_seenChanges && p != m_seenPosition)
        m_anchor = p; // a move without a change of the text
    m_seenChanges = m_changes;
    m_seenPosition = p;
}

} // namespace kanji
