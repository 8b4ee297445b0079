#include "kanji/kanjiwriting.h"

#include "base/apperror.h"
#include "base/keybutton.h"
#include "base/keytable.h"
#include "base/textdisplay.h"
#include "base/textmodel.h"
#include "base/wholefile.h"
#include "kanji/engine.h"
#include "kanji/kanjisettings.h"
#include "kanji/mozcengine.h"
#include "speech/voices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextCursor>
#include <QThread>

namespace kanji {

Writing::Writing(const context::Context &ctx, QObject *parent) : QObject(parent), m_ctx(ctx)
{
    QTextDocument *doc = ctx.text.display().document();
    connect(doc, &QTextDocument::contentsChange, this, &Writing::contentsChanged);
    connect(&ctx.text.display(), &QPlainTextEdit::cursorPositionChanged, this, &Writing::cursorMoved);
}

Writing::~Writing()
{
    if (m_historyReader)
        m_historyReader->wait(); // reading is bounded: a plain file, at most History::kMaxFileBytes
}

void Writing::setEnabled(bool on)
{
    if (!on) {
        commitAll();
        m_engine.reset(); // Mozc, if it runs, is stopped
        m_forms.clear();
    }
    m_enabled = on;
    if (on)
        readHistory();
    // Mozc is started in the background at once; Anthy at the first need.
    if (on && !m_engine && m_choice != EngineChoice::Anthy)
        m_engine = makeChosenEngine(m_choice);
    emit enabledChanged(on);
    const struct
    {
        int tag;
        QString caption;
    } blanks[] = {{keys::kBlank1, QStringLiteral("へんかん")}, {keys::kBlank2, QStringLiteral("かくてい")}};
    for (const auto &b : blanks) {
        KeyButton *key = m_ctx.keys.key(b.tag);
        key->setText(on ? b.caption : QString());
        // Four kana fit the key at the height of "いんさつ".
        m_ctx.keys.setCaptionHeight(
            b.tag, on ? keys::table()[keys::kPrint].charHeight : keys::table()[b.tag].charHeight);
    }
}

void Writing::say(const QString &text, speech::When when)
{
    m_ctx.speech.say(text, speech::Role::Decision, when);
}

void Writing::toggle()
{
    const bool on = !m_enabled;
    if (on)
        recordChoice();
    setEnabled(on);
    m_ctx.window.settings().write(schema::kOption, on);
}

void Writing::chooseEngine(EngineChoice choice)
{
    commitAll();
    m_choice = choice;
    emit engineChosen(m_choice);
    m_ctx.window.settings().write(schema::kEngine, choiceName(choice));
    m_engine.reset();
    m_forms.clear();
    if (m_enabled && choice != EngineChoice::Anthy)
        m_engine = makeChosenEngine(choice);
    const QString reason = MozcEngine::unavailableReason();
    if (choice == EngineChoice::Mozc && !reason.isEmpty()) {
        say(QStringLiteral("もずくは つかえません。あんしーで へんかんします"));
        m_ctx.window.notice(reason + QStringLiteral("。Mozc は使えないので、Anthy で変換します。"));
    }
}

void Writing::readHistory()
{
    if (m_historyLoaded || m_historyReader)
        return;
    // A hand-edited or damaged file may be large: the window never waits for it.
    m_historyReader = QThread::create([this, path = History::defaultPath()] {
        m_historyFromFile = History::readFile(path);
    });
    m_historyReader->setParent(this);
    connect(m_historyReader, &QThread::finished, this, [this] { historyRead(); });
    m_historyReader->start(QThread::LowPriority);
}

bool Writing::historyRead()
{
    if (m_historyLoaded)
        return true;
    if (!m_historyReader || !m_historyReader->isFinished())
        return false;
    // What was read, and on top of it what was chosen meanwhile.
    m_history = std::move(m_historyFromFile);
    for (const auto &[reading, text] : std::as_const(m_unsavedChoices))
        m_history.record(reading, text);
    m_historyLoaded = true;
    if (!m_unsavedChoices.isEmpty()) {
        m_unsavedChoices.clear();
        saveHistory();
    }
    return true;
}

void Writing::forget()
{
    m_history.clear();
    m_unsavedChoices.clear();
    m_historyLoaded = true; // whatever is still being read is not taken
    const QString path = History::defaultPath();
    const QFileInfo file(path);
    if ((file.exists() || file.isSymLink()) && !QFile::remove(path))
        throw AppError(QDir::toNativeSeparators(path) + QStringLiteral(" を消せません"));
    say(QStringLiteral("へんかんの がくしゅうを わすれました"));
    m_ctx.window.notice(QStringLiteral("変換の学習を忘れました"));
}

bool Writing::beforeKey(int tag)
{
    if (!m_enabled)
        return false;
    learnWhere(tag);
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
    const TextDisplay *display = &m_ctx.text.display();
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
    TextDisplay *display = &m_ctx.text.display();
    const QString text = textmodel::plainText(display);
    const int p = textmodel::insertionPosition(display);
    const int start = runStart(text, p, m_anchor);
    if (start == p) {
        say(QStringLiteral("へんかんする もじが ありません"));
        return;
    }
    if (!m_engine && !(m_engine = makeChosenEngine(m_choice)))
        throw AppError(QStringLiteral("かな漢字変換を始められません"));
    historyRead(); // taken when it has been read; never waited for
    const QString run = text.mid(start, p - start);
    QList<Phrase> phrases = m_engine->convert(run);
    if (phrases.isEmpty())
        phrases << Phrase{run, {}};
    if (m_anchorAfterWord && start == m_anchor && m_wordsOffered)
        leadWithPlain(phrases); // what the user chose before stays first
    m_history.apply(phrases);
    m_ctx.text.beginEdit(); // undo gives back the hiragana
    m_start = start;
    m_shown = run;
    m_cycle.begin(phrases);
    show();
    speakCurrent();
}

void Writing::show()
{
    TextDisplay *display = &m_ctx.text.display();
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
    m_ctx.text.recordBar();
}

void Writing::speakCurrent()
{
    // The reading goes first on its own: a short text is heard soonest, and
    // the description follows while the user listens.
    const QString spoken = m_descriptions.spoken(m_cycle.currentText(), m_cycle.currentReading());
    const qsizetype comma = spoken.indexOf(u'、');
    say(spoken.left(comma), speech::When::Cutting);
    if (comma >= 0)
        say(spoken.mid(comma + 1));
}

void Writing::keep(const Committed &c)
{
    m_spans.add(m_start, c.text, c.reading);
    learn(c.reading, c.text);
    m_start += int(c.text.size());
    m_shown.remove(0, c.text.size());
}

void Writing::endConversion()
{
    m_ctx.text.display().setExtraSelections({});
    m_anchor = textmodel::insertionPosition(&m_ctx.text.display());
    m_anchorAfterWord = false;
    m_shown.clear();
    saveHistory();
}

void Writing::commit()
{
    if (!m_cycle.active() || !stillShown()) {
        m_cycle = CandidateCycle();
        say(QStringLiteral("かくていする もじが ありません"));
        return;
    }
    keep(m_cycle.commitCurrent());
    if (m_cycle.active()) {
        show();
        speakCurrent();
        return;
    }
    endConversion();
    say(QStringLiteral("かくていしました"), speech::When::Cutting);
}

void Writing::commitAll()
{
    if (!m_cycle.active())
        return;
    if (!stillShown()) {
        // The text was changed under the candidate: it stays as it is now.
        m_cycle = CandidateCycle();
        m_ctx.text.display().setExtraSelections({});
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
    m_ctx.text.display().setExtraSelections({});
    m_shown.clear();
    say(plain, speech::When::Cutting);
}

QString Writing::textToRead() const
{
    const TextDisplay *display = &m_ctx.text.display();
    if (m_spans.isEmpty() || m_ctx.speech.readsKanji(speech::Role::Decision))
        return textmodel::wholeText(display);
    return m_spans.readingOf(textmodel::plainText(display));
}

QList<std::pair<QString, QString>> Writing::conversionsFrom(QStringView prefix) const
{
    return m_enabled ? m_history.startingWith(prefix) : QList<std::pair<QString, QString>>();
}

void Writing::putConverted(int start, int end, const QString &text, const QString &reading)
{
    commitAll();
    TextDisplay *display = &m_ctx.text.display();
    m_replacing = true;
    QTextCursor c(display->document());
    c.setPosition(start);
    c.setPosition(end, QTextCursor::KeepAnchor);
    c.insertText(text);
    display->setTextCursor(c);
    m_replacing = false;
    m_spans.add(start, text, reading);
    learn(reading, text);
    m_anchor = c.position();
    m_anchorAfterWord = true;
    m_seenChanges = m_changes;
    m_seenPosition = c.position();
    saveHistory();
}

std::optional<Forms> Writing::wordForms(const QString &reading, bool convert)
{
    if (!m_enabled || !m_wordsOffered)
        return Forms();
    // A reading that starts right after a kanji word of the row: the kana
    // written since then begin it. The word as written: what stands before
    // the insertion point, which the engine's own predictions go on from.
    const TextDisplay *display = &m_ctx.text.display();
    const int p = textmodel::insertionPosition(display);
    bool afterWord = false;
    if (m_anchorAfterWord) {
        const QString since = p > m_anchor && p - m_anchor <= reading.size()
                                  ? textmodel::textBefore(display, p, p - m_anchor)
                                  : QString();
        afterWord = !since.isEmpty() && reading.startsWith(since);
    }
    const bool asWritten = p - m_anchor >= reading.size() && textmodel::textBefore(display, p, int(reading.size())) == reading;
    if (!convert)
        return m_forms.find(reading, afterWord, asWritten);
    if (!m_engine)
        m_engine = makeChosenEngine(m_choice); // Anthy at its first need; null when it cannot start
    return m_forms.convert(m_engine.get(), reading, afterWord, asWritten);
}

int Writing::runBefore() const
{
    // A run longer than a phrase counts as one: the tail suffices.
    const TextDisplay *display = &m_ctx.text.display();
    const int p = textmodel::insertionPosition(display);
    const QString before = textmodel::textBefore(display, p, History::kMaxPhraseLength);
    const int anchor = std::max(0, m_anchor - (p - int(before.size())));
    return int(before.size()) - runStart(before, int(before.size()), anchor);
}

void Writing::learnWhere(int tag)
{
    if (!m_wordsOffered)
        return;
    const ConversionOdds::Counts before = m_odds.counts();
    const bool shown = m_cycle.active() && stillShown();
    if (shown && tag == keys::kBlank1)
        m_odds.askedNext();
    else if (shown && tag == keys::kBlank2)
        m_odds.tookShown();
    else if (!shown && (tag == keys::kBlank1 || tag == keys::kComma || tag == keys::kFullStop)
             && runBefore() >= ConversionOdds::kShortestRun)
        tag == keys::kBlank1 ? m_odds.converted() : m_odds.endedUnconverted();
    if (!(m_odds.counts() == before))
        saveOdds(before);
}

ConversionOdds::Odds Writing::conversionOdds(double phraseEnd)
{
    if (!m_enabled || !m_wordsOffered)
        return {};
    return m_odds.at(m_cycle.active() && stillShown(), runBefore(), phraseEnd);
}

QString Writing::described(const QString &text, const QString &reading)
{
    return m_descriptions.spoken(text, reading);
}

void Writing::learn(const QString &reading, const QString &text)
{
    if (!historyRead())
        m_unsavedChoices.append({reading, text});
    m_history.record(reading, text);
    if (History::acceptable(reading, text))
        emit learnt(reading, text);
}

void Writing::saveHistory()
{
    // The history is a help, not the user's writing: a folder that cannot be
    // written leaves the choices for this session only. Written only once
    // the file has been read, so that nothing in it is written over.
    if (historyRead())
        (void)m_history.writeFile(History::defaultPath());
}

void Writing::contentsChanged(int position, int removed, int added)
{
    ++m_changes;
    m_spans.contentsChanged(position, removed, added);
    m_anchorAtCursor = false;
    // The anchor stays with the text it follows: a change before it moves it.
    if (position < m_anchor) {
        m_anchorAfterWord = m_anchorAfterWord && position + removed <= m_anchor;
        m_anchor = position + removed <= m_anchor ? m_anchor + added - removed : position;
    }
    // A text put in or taken out as a whole (a file, a paste, undo, clear)
    // starts the run afresh where it leaves the insertion point, as a move
    // of the insertion point does; after the text when it leaves it alone.
    if (!m_replacing && (removed > 2 || added > 2)) {
        m_anchor = position + added;
        m_anchorAtCursor = true;
        m_anchorAfterWord = false;
    }
}

void Writing::cursorMoved()
{
    const int p = textmodel::insertionPosition(&m_ctx.text.display());
    if (m_anchorAtCursor || (m_changes == m_seenChanges && p != m_seenPosition)) {
        m_anchor = p; // a text put in as a whole, or a move without a change of the text
        m_anchorAfterWord = false;
    }
    m_anchorAtCursor = false;
    m_seenChanges = m_changes;
    m_seenPosition = p;
}

} // namespace kanji
