#pragma once
#include "base/context.h"
#include "prediction/completion.h"
#include "prediction/phrases.h"
#include "prediction/row.h"
#include "prediction/scanorders.h"
#include "prediction/usage.h"
#include "speech/voices.h"

#include <QObject>
#include <array>

namespace kanji {
class Conversions;
}

namespace prediction {

// The keys the row's two choices are kept in, both off by default.
namespace schema {
inline const settings::BoolKey kRowShown{QStringLiteral("文字"), QStringLiteral("よそく"), false};
inline const settings::BoolKey kSpeakOnly{QStringLiteral("文字"), QStringLiteral("はなすだけ"), false};
} // namespace schema

// The row of word places on the main window ("ことばのよそく", off by
// default): while a word is being written, its likeliest completions; at
// the start of a sentence, the user's phrases, the most used first, with
// "つぎ" paging through the rest. Choosing a completion writes the rest of
// it as if typed and says the whole word; choosing a phrase writes it and
// says it at once, or only says it ("えらんだら はなすだけ").
//
// The places are the keys kFirstWord on of context::Keys; the rules are in
// prediction/completion and prediction/phrases. The scan's order (`orders`)
// is computed for the text and the row this gives it.
class WordRow : public QObject, public WritingNow
{
    Q_OBJECT

public:
    static constexpr int kPlaces = kRowPlaces;

    // The completions follow the model of `orders` (adapted to the user's
    // writing); a word starts after what conversion committed, and a
    // converted word is written by conversion.
    WordRow(const context::Context &ctx, ScanOrders &orders, kanji::Conversions &conversions, QObject *parent);

    // The option ("文字"/"よそく"): the row is shown and filled while it is on.
    void setEnabled(bool on);
    bool enabled() const { return m_enabled; }
    // The menu item: switches the option and stores it.
    void toggle();
    // "よそくの学習を忘れる": what the row learnt and what the model learnt
    // from the user's writing so far.
    void forget();
    // A conversion was committed (and learnt by conversion's own history):
    // once something was forgotten, the row offers only those committed
    // since, and keeps them while it is on.
    void conversionCommitted(const QString &reading, const QString &text);
    // "えらんだら はなすだけ" ("文字"/"はなすだけ"): a phrase chosen is said, not written.
    void setSpeakOnly(bool on);
    bool speakOnly() const { return m_speakOnly; }
    void toggleSpeakOnly();

    // Fills the places for the text as it is now (done by itself after
    // every change of the text or the insertion point).
    void refresh();
    const Row &items() const { return m_items; }
    // prediction::WritingNow: the row filled first when the text changed.
    QString textBefore(int characters) const override;
    const Row *row(QString *before, int *wordStart) override;
    std::vector<RankedKey> conversionKeys(double phraseEnd) override;
    // What a place says when it is reached (index from the left): a kanji
    // word as conversion says its candidates (its reading, then each
    // kanji's description), in the voice nameRole() gives.
    QString spokenName(int index) const;
    speech::Role nameRole(int index) const;
    // A place was pressed.
    void choose(int index);

    // The phrase file as read, and where it lies.
    const PhraseFile &phrases() const { return m_phrases; }
    QString phrasePath() const;
    // The phrases a helper set, written whole to the phrase file; a file
    // that could not be read is first kept as it is under another name
    // (keptName). Throws AppError when the file cannot be written.
    void savePhrases(const PhraseList &lines);
    // Where an unreadable phrase file is kept before a new one is written.
    static QString keptName(const QString &phrasePath);

signals:
    void enabledChanged(bool on);
    void speakOnlyChanged(bool on);
    // A completion was written: the key of its last kana (for the voicing
    // marks, as if it had been typed), 0 when it ends in kanji.
    void wrote(int lastKey);

private:
    void scheduleRefresh();
    void readFiles();
    void reportPhraseFile(int tries = 0);
    void show(const Row &items);
    Row rowNow(const QString &before, int position);
    void writeCompletion(const prediction::Completion &c);
    void writePhrase(const QString &phrase);
    void saveUsage();
    QString speakable(const prediction::Completion &c) const;
    // The engine's kanji words of the row's kana completions and of the word
    // as written (with its own predictions for that word), into `sources`;
    // the readings not converted yet into `unknown`.
    void engineWords(const Row &kana, const QString &word, const QList<std::pair<QString, QString>> &mine,
                     QStringList &unknown, CompletionSources &sources);
    void convertLater(const QStringList &readings);

    context::Context m_ctx;
    Adaptation &m_adaptation;
    kanji::Conversions &m_conversions;
    bool m_enabled = false;
    bool m_speakOnly = false;
    bool m_filesRead = false;
    bool m_pending = false;
    bool m_converting = false; // the engine is to be asked for the row's kanji words
    Usage m_usage;
    PhraseFile m_phrases;
    int m_page = 0;
    Row m_items;
    QString m_before;   // the text before the insertion point the row is for
    int m_wordStart = 0; // where its word starts in it
};

} // namespace prediction
