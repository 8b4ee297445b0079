#include "prediction/wordrow.h"

#include "base/apperror.h"
#include "base/keybutton.h"
#include "base/keytable.h"
#include "base/textdisplay.h"
#include "base/textmodel.h"
#include "base/wholefile.h"
#include "input/arrowwalk.h"
#include "kanji/kanjiwriting.h"
#include "prediction/adaptation.h"
#include "speech/voices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTextCursor>
#include <QTimer>

namespace prediction {

namespace {

// The text looked at before the insertion point: enough for the word, the
// piece before it and the model's history, whatever the text's length.
constexpr int kTail = 2 * int(Lexicon::kMaxPieceSymbols) + 32;

// A caption that fits its place: on one line while the characters stay
// large enough, else on two, the last cut short with "…" when still too long.
struct Caption
{
    QString text;
    int pixels;
};
Caption captionFor(const QString &text)
{
    constexpr int room = 144; // a place's width at the designed size, less its edges
    constexpr int oneLineAtLeast = 18, twoLines = 22, smallest = 12;
    const int length = std::max<int>(1, int(text.size()));
    if (room / length >= oneLineAtLeast)
        return {text, std::min(keys::kWordCaptionHeight, room / length)};
    const int perLine = std::min<int>(room / smallest, (length + 1) / 2);
    QString second = text.mid(perLine);
    if (second.size() > perLine)
        second = second.left(perLine - 1) + u'…';
    return {text.left(perLine) + u'\n' + second, std::min(twoLines, room / perLine)};
}

} // namespace

WordRow::WordRow(const context::Context &ctx, ScanOrders &orders, kanji::Conversions &conversions, QObject *parent)
    : QObject(parent), m_ctx(ctx), m_adaptation(orders.adaptation()), m_conversions(conversions)
{
    orders.setWriting(this);
    TextDisplay *display = &ctx.text.display();
    connect(display->document(), &QTextDocument::contentsChanged, this, &WordRow::scheduleRefresh);
    connect(display, &QPlainTextEdit::cursorPositionChanged, this, &WordRow::scheduleRefresh);
}

QString WordRow::phrasePath() const
{
    return phraseFile(m_ctx.window.places().settingsFile);
}

QString WordRow::keptName(const QString &phrasePath)
{
    const QFileInfo info(phrasePath);
    QString name = info.dir().filePath(info.completeBaseName() + QStringLiteral("（読めなかったもの）.txt"));
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = info.dir().filePath(info.completeBaseName() + QStringLiteral("（読めなかったもの%1）.txt").arg(n));
    return name;
}

void WordRow::readFiles()
{
    if (m_filesRead)
        return;
    m_filesRead = true;
    m_usage = Usage::readFile(Usage::defaultPath());
    m_phrases = readPhraseFile(phrasePath());
    if (m_phrases.status != PhraseFile::Missing && m_phrases.status != PhraseFile::Read)
        QTimer::singleShot(0, this, [this] { reportPhraseFile(); });
}

void WordRow::reportPhraseFile(int tries)
{
    // Once the window has the keyboard, so that the box takes it from the
    // window (no window manager may be there to give it); at most 5 s later.
    constexpr int kTries = 50, kEveryMs = 100;
    if (!m_ctx.window.widget()->isActiveWindow() && tries < kTries) {
        QTimer::singleShot(kEveryMs, this, [this, tries] { reportPhraseFile(tries + 1); });
        return;
    }
    m_ctx.speech.say(QStringLiteral("ていけいぶんの ファイルが よめませんでした"), speech::Role::Decision);
    m_ctx.window.guarded([this] {
        throw AppError(QStringLiteral("定型文のファイル「%1」を読めません（%2）。ファイルはそのままにして、"
                                      "はじめからある定型文をつかいます")
                           .arg(QDir::toNativeSeparators(phrasePath()), m_phrases.reason));
    });
}

void WordRow::setEnabled(bool on)
{
    m_enabled = on;
    if (on) {
        readFiles();
        connect(&m_adaptation, &Adaptation::updated, this, &WordRow::scheduleRefresh, Qt::UniqueConnection);
    }
    emit enabledChanged(on);
    if (on)
        refresh();
    else
        show({});
}

void WordRow::toggle()
{
    const bool on = !m_enabled;
    setEnabled(on);
    m_ctx.window.settings().write(schema::kRowShown, on);
}

void WordRow::setSpeakOnly(bool on)
{
    m_speakOnly = on;
    emit speakOnlyChanged(on);
}

void WordRow::toggleSpeakOnly()
{
    setSpeakOnly(!m_speakOnly);
    m_ctx.window.settings().write(schema::kSpeakOnly, m_speakOnly);
}

void WordRow::forget()
{
    readFiles();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    m_usage.forget(now);
    m_adaptation.forget(now);
    const bool written = m_usage.writeFile(Usage::defaultPath());
    refresh();
    m_ctx.speech.say(QStringLiteral("よそくの がくしゅうを わすれました"), speech::Role::Decision, speech::When::Cutting);
    if (!written)
        throw AppError(QDir::toNativeSeparators(Usage::defaultPath()) + QStringLiteral(" に書けません"));
    m_ctx.window.notice(QStringLiteral("予測の学習を忘れました"));
}

void WordRow::conversionCommitted(const QString &reading, const QString &text)
{
    if (!m_enabled || !m_usage.forgotten().isValid())
        return;
    m_usage.choseConversion(reading, text);
    saveUsage();
}

void WordRow::scheduleRefresh()
{
    if (!m_enabled || m_pending)
        return;
    m_pending = true;
    // Once the change that asked for it is complete; before the window is
    // painted again.
    QTimer::singleShot(0, this, [this] {
        m_pending = false;
        m_ctx.window.guarded([this] { refresh(); });
    });
}

void WordRow::refresh()
{
    if (!m_enabled)
        return;
    const TextDisplay &display = m_ctx.text.display();
    const int p = textmodel::insertionPosition(&display);
    show(rowNow(textmodel::textBefore(&display, p, kTail), p));
}

Row WordRow::rowNow(const QString &before, int position)
{
    RowSources sources;
    sources.phrases = byUse(phrasesOf(m_phrases.lines), m_usage.phrases());
    const Adaptation *a = &m_adaptation;
    std::shared_ptr<const Lexicon> lexicon;
    QList<std::pair<QString, QString>> mine; // the user's conversions, forgotten ones too
    const int anchor = std::max(0, m_conversions.anchor() - (position - int(before.size())));
    const int start = wordStart(before, int(before.size()), anchor);
    if (a->hasModel()) { // without a model, phrases only
        lexicon = a->lexicon();
        CompletionSources &c = sources.completions;
        c.next = [a](const History &h) { return a->next(h); };
        c.contextLength = std::max(1, a->base().order() - 1);
        c.lexicon = lexicon.get();
        c.chosen = &m_usage.words();
        if (start < before.size())
            mine = m_conversions.conversionsFrom(QStringView(before).mid(start).chopped(1));
        c.conversions = m_usage.offered(mine);
    }
    Row row = rowFor(sources, before, start, m_page);
    // With conversion on, the kanji words of the kana completions found,
    // weighed among them; the engine is asked only once the row is shown.
    QStringList unknown;
    if (a->hasModel() && start < before.size()) {
        engineWords(row, before.mid(start), mine, unknown, sources.completions);
        if (!sources.completions.engineWords.isEmpty() || !sources.completions.predicted.isEmpty())
            row = rowFor(sources, before, start, m_page);
        convertLater(unknown);
    }
    m_before = before;
    m_wordStart = start;
    for (RowItem &item : row)
        if (item.kind == RowItem::Completion)
            item.spoken = speakable(item.completion);
    return row;
}

void WordRow::engineWords(const Row &kana, const QString &word, const QList<std::pair<QString, QString>> &mine,
                          QStringList &unknown, CompletionSources &sources)
{
    // Where the user converted a reading before, their own choice stands
    // for it (and is not brought back by the engine once forgotten).
    QSet<QString> own;
    for (const auto &[reading, text] : mine)
        own.insert(reading);
    QStringList readings;
    if (word.size() >= kanji::ConversionOdds::kShortestRun) // the word as written, converted
        readings << word;
    for (const RowItem &item : kana)
        if (item.kind == RowItem::Completion && !item.completion.converted)
            readings << item.completion.text;
    for (const QString &reading : std::as_const(readings)) {
        const std::optional<kanji::Forms> forms = m_conversions.wordForms(reading, false);
        if (!forms)
            unknown << reading;
        else
            for (const kanji::Form &f : *forms)
                if (!own.contains(f.reading))
                    (f.predicted ? sources.predicted : sources.engineWords).append({f.reading, f.text});
    }
}

void WordRow::convertLater(const QStringList &readings)
{
    if (readings.isEmpty() || m_converting)
        return;
    m_converting = true;
    // After the press's own work and the row shown with its kana: the
    // engine (Mozc at most its answer limit, then Anthy) never delays them.
    QTimer::singleShot(0, this, [this, readings] {
        m_converting = false;
        if (!m_enabled)
            return;
        for (const QString &reading : readings)
            m_conversions.wordForms(reading, true);
        m_ctx.window.guarded([this] { refresh(); });
    });
}

QString WordRow::speakable(const prediction::Completion &c) const
{
    // A voice that cannot read kanji says the kana behind them.
    return c.converted && !m_ctx.speech.readsKanji(speech::Role::Selection) ? c.reading : c.text;
}

void WordRow::show(const Row &items)
{
    for (int i = 0; i < kPlaces; ++i) {
        const int tag = input::kFirstWord + i;
        KeyButton *place = m_ctx.keys.key(tag);
        if (!place)
            continue;
        const Caption caption = items[i].kind == RowItem::Empty ? Caption{QString(), keys::kWordCaptionHeight}
                                                                : captionFor(items[i].caption);
        if (place->text() != caption.text) {
            m_ctx.keys.setCaptionHeight(tag, caption.pixels);
            place->setText(caption.text);
        }
        // A kanji word is named by itself, whatever its voice says.
        const bool kanjiWord = items[i].completion.converted && m_conversions.offersWords();
        place->setAccessibleName(items[i].kind == RowItem::Empty ? QString()
                                 : kanjiWord                     ? items[i].caption
                                                                 : items[i].spoken);
    }
    m_items = items;
}

QString WordRow::textBefore(int characters) const
{
    const TextDisplay &display = m_ctx.text.display();
    return textmodel::textBefore(&display, textmodel::insertionPosition(&display), characters);
}

const Row *WordRow::row(QString *before, int *wordStart)
{
    if (!m_enabled)
        return nullptr;
    if (m_pending) // the text changed and the row is not filled for it yet
        refresh();
    *before = m_before;
    *wordStart = m_wordStart;
    return &m_items;
}

std::vector<RankedKey> WordRow::conversionKeys(double phraseEnd)
{
    const kanji::ConversionOdds::Odds odds = m_conversions.conversionOdds(phraseEnd);
    std::vector<RankedKey> out;
    if (odds.convert > 0)
        out.push_back({keys::kBlank1, odds.convert});
    if (odds.commit > 0)
        out.push_back({keys::kBlank2, odds.commit});
    return out;
}

QString WordRow::spokenName(int index) const
{
    if (index < 0 || index >= kPlaces)
        return {};
    const RowItem &item = m_items[index];
    if (item.kind == RowItem::Completion && item.completion.converted && m_conversions.offersWords())
        return m_conversions.described(item.completion.text, item.completion.reading);
    return item.spoken;
}

speech::Role WordRow::nameRole(int index) const
{
    const bool kanji = index >= 0 && index < kPlaces && m_items[index].kind == RowItem::Completion
                       && m_items[index].completion.converted && m_conversions.offersWords();
    return kanji ? speech::Role::Decision : speech::Role::Selection;
}

void WordRow::choose(int index)
{
    if (index < 0 || index >= kPlaces || !m_enabled || m_items[index].kind == RowItem::Empty) {
        m_ctx.keys.beep(); // a place that holds nothing
        return;
    }
    const RowItem item = m_items[index];
    switch (item.kind) {
    case RowItem::Completion:
        writeCompletion(item.completion);
        m_usage.choseWord(item.completion.text);
        saveUsage();
        break;
    case RowItem::Phrase:
        if (!m_speakOnly)
            writePhrase(item.caption);
        m_ctx.speech.say(item.spoken, speech::Role::Decision, speech::When::Cutting);
        m_usage.chosePhrase(item.caption);
        saveUsage();
        break;
    case RowItem::Next:
        ++m_page;
        refresh();
        if (m_items[0].kind == RowItem::Phrase) // the first of the new page
            m_ctx.speech.say(m_items[0].spoken, speech::Role::Decision, speech::When::Cutting);
        break;
    case RowItem::Empty:
        break;
    }
}

void WordRow::writeCompletion(const prediction::Completion &c)
{
    m_conversions.commitAll();
    TextDisplay &display = m_ctx.text.display();
    const int p = textmodel::insertionPosition(&display);
    const QString before = textmodel::textBefore(&display, p, kTail);
    const int anchor = std::max(0, m_conversions.anchor() - (p - int(before.size())));
    const int start = wordStart(before, int(before.size()), anchor);
    const QString word = before.mid(start);
    const CompletionEdit edit = editFor(word, c.text);
    if (!c.converted && edit.keep < word.size() - 1) { // the text changed meanwhile
        m_ctx.keys.beep();
        return refresh();
    }
    const int wordAt = p - int(word.size());
    m_ctx.text.beginEdit(); // undo gives back the text before the completion
    if (c.converted) {
        m_conversions.putConverted(wordAt, p, c.text, c.reading);
    } else {
        // As if typed, a character at a time: conversion sees a run of kana
        // it may convert, undo and reading aloud ordinary text.
        QTextCursor cursor = display.textCursor();
        cursor.setPosition(p);
        for (int i = p; i > wordAt + edit.keep; --i)
            cursor.deletePreviousChar();
        for (const QChar ch : edit.write)
            cursor.insertText(QString(ch));
        display.setTextCursor(cursor);
    }
    m_ctx.text.recordBar();
    m_ctx.speech.say(speakable(c), speech::Role::Decision, speech::When::Cutting);
    const std::vector<Symbol> written = reduce(c.text);
    emit wrote(c.converted || written.empty() ? 0 : tagOf(written.back()));
}

void WordRow::writePhrase(const QString &phrase)
{
    m_conversions.commitAll();
    TextDisplay &display = m_ctx.text.display();
    m_ctx.text.beginEdit();
    QTextCursor cursor = display.textCursor();
    cursor.setPosition(textmodel::insertionPosition(&display));
    cursor.insertText(phrase);
    display.setTextCursor(cursor);
    m_ctx.text.recordBar();
    emit wrote(0);
}

void WordRow::saveUsage()
{
    // A help, not the user's writing: a folder that cannot be written keeps
    // what was learnt for this session.
    (void)m_usage.writeFile(Usage::defaultPath());
}

void WordRow::savePhrases(const PhraseList &lines)
{
    const QString path = phrasePath();
    const bool unusable = m_phrases.status != PhraseFile::Missing && m_phrases.status != PhraseFile::Read;
    if (unusable && (QFileInfo::exists(path) || QFileInfo(path).isSymLink())) {
        // Kept byte for byte under another name before anything is written.
        const QString kept = keptName(path);
        if (!QFile::rename(path, kept))
            throw AppError(QStringLiteral("読めなかった定型文のファイル「%1」を「%2」にうつせません")
                               .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(kept)));
    }
    if (!wholefile::replace(path, phraseBytes(lines)))
        throw AppError(QDir::toNativeSeparators(path) + QStringLiteral(" に定型文を書けません"));
    m_phrases = {PhraseFile::Read, lines, {}, 0};
    m_page = 0;
    refresh();
}

} // namespace prediction
