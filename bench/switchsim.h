#pragma once
// A one-switch user simulated on a virtual clock, writing a text with the
// program's automatic scan (input::SwitchScan): highlights, presses and
// seconds per character.
//
// The scan's groups come from the program's own order (prediction::ScanOrders)
// as switch input asks for them: each time the scan starts again, after a
// press once it has taken effect, for the text as the press left it.
#include "input/switchpace.h"
#include "input/switchscan.h"
#include "kanji/accuracy.h"
#include "kanji/conversionodds.h"
#include "kanji/descriptions.h"
#include "prediction/ngramtable.h"
#include "prediction/row.h"
#include "prediction/scanorders.h"

#include <QHash>
#include <QString>
#include <functional>
#include <random>
#include <vector>

namespace switchsim {

// The row of words and phrases for the text before the insertion point, the
// word being written starting at `wordStart`, right after a kanji word of
// the row when `afterWord`.
using RowFn = std::function<prediction::Row(const QString &before, int wordStart, bool afterWord)>;

struct ScanSetup
{
    // The program's order, told the order chosen and the pace; the scan
    // gives it the text and the row.
    prediction::ScanOrders *orders = nullptr;
    bool shortNames = false;  // the groups' short names, in the decision voice
    bool backToFirst = false; // "もどる" to the first group
    // With the row ("ことばのよそく"): what it holds. The order places it and
    // weighs choosing from it; the simulated user weighs the same times,
    // knowing what they want.
    RowFn row;
    // With conversion on: the blank keys are "へんかん" and "かくてい", and
    // the row's kanji words are said as conversion's candidates.
    kanji::Descriptions *conversion = nullptr;
};

// The program's scan as the simulated user meets it.
class Scan : public prediction::WritingNow
{
public:
    Scan(const input::Reachable &scannable, ScanSetup setup);
    ~Scan() override { m_setup.orders->setWriting(nullptr); }
    input::ScanStep start(const QString &before);
    input::ScanStep restart(const QString &before, int pressed);
    input::ScanStep tick();
    input::ScanStep select(const QString &before);
    // A late press taken for the place the timer just left (input::SwitchScan::selectLeft).
    input::ScanStep selectLeft(const QString &before);
    bool left() const { return m_scan.left().has_value(); }
    // What is said when the place is highlighted, and in which voice (1
    // selection, 2 decision).
    QString said(const input::ScanPlace &place, int *voice) const;
    // Whether the group is the row's.
    bool isRowGroup(int group) const;
    // Whether the group offers the key.
    bool offers(int group, int tag) const;

    // The row as the scan last started (empty without it), and the word
    // place the user chooses from it now, -1 when they write on with the keys.
    const prediction::Row &row() const { return m_row; }
    int wantedFromRow(const QString &text, const QString &target) const;
    // Where the row's word starts in the text it was filled for.
    int rowStart() const { return m_rowStart; }
    // With conversion on: where the unconverted run may start at the
    // earliest, and the odds of "へんかん" and "かくてい" the order ranks
    // among the keys (none: "漢字のよそく" off).
    void setAnchor(int anchor, bool afterWord = false)
    {
        m_anchor = anchor;
        m_afterWord = afterWord;
    }
    using OddsFn = std::function<std::vector<prediction::RankedKey>(double phraseEnd)>;
    void setConversionKeys(OddsFn odds) { m_odds = std::move(odds); }
    const ScanSetup &setup() const { return m_setup; }

    // prediction::WritingNow
    QString textBefore(int characters) const override { return m_before.right(characters); }
    const prediction::Row *row(QString *before, int *wordStart) override;
    std::vector<prediction::RankedKey> conversionKeys(double phraseEnd) override
    {
        return m_odds ? m_odds(phraseEnd) : std::vector<prediction::RankedKey>{};
    }

private:

    input::Reachable m_scannable;
    ScanSetup m_setup;
    input::SwitchScan m_scan;
    QString m_before;
    prediction::Row m_row;
    int m_rowStart = 0;
    int m_anchor = 0;
    bool m_afterWord = false; // the anchor is the end of a kanji word of the row
    OddsFn m_odds;
};

// How long each announcement sounds (bench/data/announcements.tsv).
class Lengths
{
public:
    bool read(const QString &path);
    double ms(int voice, const QString &text) const;
    // A text not measured (the row's words): estimated, quietly.
    double estimate(int voice, const QString &text) const;

private:
    QHash<QString, double> m_ms;
};

struct UserModel
{
    double interval = 1000;  // 間隔
    double firstWait = 500;  // 最初の待ち
    double ignore = 250;     // 受け付けない時間
    double medianReaction = 400;
    double reactionSigma = 0.3; // of the log-normal reaction time
    double lateShare = 0.05;    // presses that come only once the next place is shown
    double lateDelay = 300;     // a late press lands this long (at most, uniformly) into the next place
    double dialogPenalty = 5000; // a late press that opens a dialog (めーる): closing it
    // The pace learned as switch input learns it ("はやさ" = 1): 間隔 and, in
    // proportion, 最初の待ち follow the presses; shared over the texts.
    input::SwitchPace *pace = nullptr;
    bool latePress = false; // "おそいおし" = 1: a late press taken for the place just left
    std::vector<int> *intervals = nullptr; // with a pace: 間隔 after each press
};

struct Result
{
    long characters = 0;
    long highlights = 0;
    long presses = 0;
    long corrections = 0; // presses of けす
    long late = 0;
    long ignored = 0;
    long dialogs = 0;
    long cleared = 0; // late presses on ぜんぶけす
    long unfinished = 0; // texts given up (far too many highlights)
    long fromRow = 0;    // words and phrases chosen from the row
    long kanjiWords = 0; // of them, kanji words
    long conversionPresses = 0; // "へんかん" and "かくてい"
    long skipped = 0;    // texts the candidates offered cannot write
    long landedLate = 0; // presses that came once the place meant had gone
    long takenRight = 0; // of them, taken for the place meant
    long takenWrong = 0; // presses in time given to the place before
    double ms = 0;
    Result &operator+=(const Result &o);
};

// Writes the text (symbols of the board's alphabet) from an empty display.
Result write(Scan &scan, const std::vector<prediction::Symbol> &target, const Lengths &lengths,
             const UserModel &user, std::mt19937 &random);

// Conversion as the simulated user meets it: the engine, and what the odds
// of "へんかん" and "かくてい" start from ("漢字のよそく" on; nullptr: off).
struct Conversion
{
    kanji::Engine *engine = nullptr;
    const kanji::ConversionOdds *odds = nullptr;
    // The row's kanji word taken also when kana end its phrase: they are
    // written after it and, not converted, begin the next run.
    bool wordBeforeKana = true;
};

// Writes the kanji form of a sentence from an empty display with conversion
// on, phrase by phrase: its kana, then, unless the phrase stays kana,
// "へんかん" until each of the engine's phrases shows what is wanted and
// "かくてい" for each, as the program converts the unconverted run. With the
// row, a kana completion is chosen where it pays (as write() does) and a
// kanji word whenever it writes the phrase, or its word before the kana
// that end it. Result::skipped when no choice of candidates writes it.
Result writeKanji(Scan &scan, const kanji::Sentence &sentence, const Conversion &conversion, const Lengths &lengths,
                  const UserModel &user, std::mt19937 &random);

} // namespace switchsim
