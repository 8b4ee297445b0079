#pragma once
#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <utility>

#include "base/context.h"
#include "kanji/candidatecycle.h"
#include "kanji/conversionodds.h"
#include "kanji/descriptions.h"
#include "kanji/enginechoice.h"
#include "kanji/history.h"
#include "kanji/readings.h"
#include "kanji/wordforms.h"
#include "speech/voices.h"

class QThread;

namespace kanji {

class Engine;

// What writing a word of its own (the row of words) uses of conversion.
class Conversions
{
public:
    virtual ~Conversions() = default;
    // While the option is on: where the unconverted run may start at the
    // earliest (the end of the last committed conversion or of a text put in
    // as a whole); 0 when it is off.
    virtual int anchor() const = 0;
    // The committed conversions whose reading starts with `prefix`.
    virtual QList<std::pair<QString, QString>> conversionsFrom(QStringView prefix) const = 0;
    // Writes `text` (converted from `reading`) over the characters from
    // `start` to `end` as a committed conversion: learnt, read aloud by its
    // reading where the voice needs it, the next run starting after it.
    virtual void putConverted(int start, int end, const QString &text, const QString &reading) = 0;
    // What is shown is committed, before anything else is written.
    virtual void commitAll() = 0;
    // The engine's kanji words of a completed reading (WordForms):
    // converted when `convert`, else only as worked out before (nullopt:
    // not yet). None when conversion or "漢字のよそく" is off.
    virtual std::optional<Forms> wordForms(const QString &reading, bool convert) = 0;
    // How likely the next press is "へんかん" or "かくてい" (ConversionOdds),
    // `phraseEnd` being how likely the kana model finds a phrase ending
    // here; none while conversion or "漢字のよそく" is off.
    virtual ConversionOdds::Odds conversionOdds(double phraseEnd) = 0;
    // Whether conversion and "漢字のよそく" are both on: the row's kanji
    // words are then named and said as conversion's candidates.
    virtual bool offersWords() const = 0;
    // What is said for a kanji word, as for a candidate of conversion: its
    // reading, then each kanji's description.
    virtual QString described(const QString &text, const QString &reading) = 0;
};

// Kana–kanji conversion on the main window: the option, the keys "へんかん"
// and "かくてい" on the two blank keys, the candidate shown in the display
// and spoken with its description, the learning history and the hiragana
// kept behind converted text. The rules live in CandidateCycle and runStart.
class Writing : public QObject, public Conversions
{
    Q_OBJECT

public:
    Writing(const context::Context &ctx, QObject *parent);
    ~Writing() override;

    // The option ("文字"/"漢字"): the blank keys become "へんかん" and
    // "かくてい" when it is on, blank keys that do nothing when it is off.
    void setEnabled(bool on);
    bool enabled() const { return m_enabled; }
    // The menu item: switches the option and stores it.
    void toggle();
    // The menu item that forgets what was learnt.
    void forget();
    // The option and the engine from the settings file at start.
    void readSettings(const ProfileFile &ini);
    // The menu items of the engine: stored, and the engine changed at once.
    void chooseEngine(EngineChoice choice);
    // "漢字のよそく" ("文字"/"漢字のよそく"): the row of words offers kanji
    // words while conversion is on. The menu item switches and stores it.
    void setWordsOffered(bool on);
    bool wordsOffered() const { return m_wordsOffered; }
    void toggleWordsOffered();

    // Before a board key's own operation: "へんかん" and "かくてい" are done
    // here (true), and so is "けす" while a candidate is shown; any other key
    // first commits what is shown.
    bool beforeKey(int tag);

    void convert();
    void commit();
    void commitAll() override;
    void cancel();

    // What reading aloud reads: the hiragana the user wrote in place of
    // converted text when the voice cannot read kanji.
    QString textToRead() const;

    // kanji::Conversions
    int anchor() const override { return m_enabled ? m_anchor : 0; }
    QList<std::pair<QString, QString>> conversionsFrom(QStringView prefix) const override;
    void putConverted(int start, int end, const QString &text, const QString &reading) override;
    std::optional<Forms> wordForms(const QString &reading, bool convert) override;
    QString described(const QString &text, const QString &reading) override;
    bool offersWords() const override { return m_enabled && m_wordsOffered; }
    ConversionOdds::Odds conversionOdds(double phraseEnd) override;

    CandidateCycle &cycle() { return m_cycle; }

signals:
    // The option was switched: the menu's tick follows.
    void enabledChanged(bool on);
    // The engine was chosen or read: the menu's ticks follow.
    void engineChosen(kanji::EngineChoice choice);
    // "漢字のよそく" was switched or read: the menu's tick follows.
    void wordsOfferedChanged(bool on);
    // A committed conversion was learnt (History::acceptable).
    void learnt(const QString &reading, const QString &text);

private:
    void say(const QString &text, speech::When when = speech::When::Queued);
    bool stillShown() const;
    void show();
    void speakCurrent();
    void keep(const Committed &c);
    void endConversion();
    void readHistory();
    bool historyRead();
    void saveHistory();
    void contentsChanged(int position, int removed, int added);
    void cursorMoved();
    void recordChoice();
    void learn(const QString &reading, const QString &text);
    void learnWhere(int tag);
    void saveOdds(const ConversionOdds::Counts &before);

    context::Context m_ctx;
    bool m_enabled = false;
    bool m_wordsOffered = true;
    EngineChoice m_choice = EngineChoice::Anthy;
    std::unique_ptr<Engine> m_engine;
    Descriptions m_descriptions;
    // The learning history is read once, in the background, when the option
    // is first on; until it has been read the session's own choices apply,
    // and are kept to be added to it.
    History m_history;
    bool m_historyLoaded = false;
    QThread *m_historyReader = nullptr;
    History m_historyFromFile; // written by the reader, taken once it has finished
    QList<std::pair<QString, QString>> m_unsavedChoices;
    ConversionOdds m_odds; // where this user converts, kept in the settings file
    int runBefore() const;
    WordForms m_forms; // the row's kanji words, as this engine gives them
    ReadingSpans m_spans;
    CandidateCycle m_cycle;
    int m_start = 0;          // where the phrases not committed yet begin
    QString m_shown;          // what they show in the display
    bool m_replacing = false; // the display is being changed by the conversion itself
    int m_anchor = 0;         // the run starts no earlier than here; it follows the text's changes
    bool m_anchorAtCursor = false; // a text was put in as a whole: the anchor goes where the insertion point is left
    bool m_anchorAfterWord = false; // the anchor is the end of a kanji word of the row
    int m_changes = 0;        // changes of the text seen so far
    int m_seenChanges = 0;
    int m_seenPosition = 0;
};

} // namespace kanji
