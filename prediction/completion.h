#pragma once
#include "prediction/ngramtable.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>
#include <functional>
#include <map>
#include <string>
#include <vector>

// Completions of the word being written: the likeliest ways the text before
// the insertion point goes on up to the next phrase end (、 。 a space or a
// new line), from the kana model adapted to the user's writing, from the
// pieces the user wrote before, and from their committed conversions.
namespace prediction {

// The symbols that end a phrase: 、 。 the space and the new line.
bool endsPhrase(Symbol s);

// How likely a phrase ends next: the probabilities of 、 。 the space and
// the new line together.
double phraseEnd(const Distribution &d);

// What a run of symbols writes on the board: a voicing mark joined to the
// kana before it ("か" "゛" is "が"), the space as U+3000.
QString textOf(const std::vector<Symbol> &symbols);

// A character the board writes inside a word: its kana (small ones too),
// their voiced and half-voiced forms, and "ー".
bool isWordCharacter(QChar c);

// Where the word being written starts: back from the insertion point over
// word characters, no further than `anchor` (the end of the last committed
// conversion).
int wordStart(QStringView text, int insertion, int anchor = 0);

// Nothing has been written since the last "。", new line or the start.
bool atSentenceStart(QStringView text, int insertion);

// The user's words and phrases: the pieces of their writing between phrase
// ends (and breaks), each counted on its own and after the piece before it
// (with the phrase ends between: its context).
class Lexicon
{
public:
    static constexpr std::size_t kMaxPieceSymbols = 64;

    void add(const std::vector<Symbol> &text);
    std::size_t size() const { return m_counts.size(); }

    struct Pieces
    {
        // The pieces longer than the prefix that start with it, written most
        // often first (equal counts in symbol order), at most the limit.
        std::vector<std::pair<std::vector<Symbol>, int>> longer;
        int total = 0; // every piece that starts with the prefix, the prefix itself included
    };
    Pieces continuing(const std::vector<Symbol> &prefix, std::size_t limit) const;
    // The same among the pieces written after `context`.
    Pieces continuingAfter(const std::vector<Symbol> &context, const std::vector<Symbol> &prefix,
                           std::size_t limit) const;
    // The context of a word that follows these symbols: the last piece
    // before them and the phrase ends after it; empty when they end in a break.
    static std::vector<Symbol> contextOf(const std::vector<Symbol> &before);

    // How often a piece was written, and all pieces together; the same
    // after a context.
    int count(const std::vector<Symbol> &piece) const;
    int total() const { return m_total; }
    int countAfter(const std::vector<Symbol> &context, const std::vector<Symbol> &piece) const;
    int totalAfter(const std::vector<Symbol> &context) const;

private:
    static Pieces find(const std::map<std::string, int> &counts, const std::string &key, std::size_t skip,
                       std::size_t limit);
    std::map<std::string, int> m_counts; // a piece's symbols as bytes
    std::map<std::string, int> m_after;  // its context, kContextMark, the piece
    std::map<std::string, int> m_contextTotals;
    int m_total = 0;
};

struct Completion
{
    QString text;           // what stands from the word's start once it is chosen
    QString reading;        // the kana behind it (the same as text unless converted)
    double probability = 0; // by the model: the word goes on so, and a phrase ends there
    int characters = 0;     // characters it writes beyond what is written (and 1 for converting)
    bool converted = false; // the text of a committed conversion
    bool operator==(const Completion &) const = default;
};

struct CompletionSources
{
    // The adapted model: the probability of each symbol after a history.
    std::function<Distribution(const History &)> next;
    int contextLength = 4; // symbols the model looks back (its order − 1)
    const Lexicon *lexicon = nullptr;
    // Committed conversions whose reading starts where the word does:
    // reading and text, latest first (kanji::History::startingWith).
    QList<std::pair<QString, QString>> conversions;
    // Kanji words the conversion engine makes of the word's kana
    // completions and of the word as written (kanji::WordForms): reading
    // and text.
    QList<std::pair<QString, QString>> engineWords;
    // The words the engine itself predicts from the word as written, best
    // first: reading and text. Weighed by the engine's order as well as by
    // the model, which knows few of them.
    QList<std::pair<QString, QString>> predicted;
    // Words chosen from the row before, and how often.
    const QHash<QString, int> *chosen = nullptr;
};

struct CompletionLimits
{
    int places = 5;              // completions given at most
    int beam = 12;               // ways kept at each step of the search
    int maxSymbols = 24;         // symbols a completion adds at most
    int lexiconPieces = 12;      // the user's pieces weighed at most
    // How far the user's pieces are trusted over the model: as far as
    // n / (n + repeatsForHalf), n the pieces written from there.
    double repeatsForHalf = 1;
    double minProbability = 0.01; // a completion less likely is not offered
    int minCharacters = 2;       // a completion adds at least this many characters
};

// The characters of a phrase that are weighed, whatever its length: the
// longest piece of the user's and more. A phrase is as likely as its first
// ones at most, and beyond them its likelihood is too small for the row or
// the scan to tell apart; so the work of filling the row stays the same
// for a phrase of any length.
constexpr int kWeighedCharacters = 2 * int(Lexicon::kMaxPieceSymbols);

// How likely the text goes on with `text` (a phrase) from here: by the
// model (a character the board cannot write counts as unlikely), and by how
// often the user wrote it as a piece where they were (trusted as far as
// they wrote from there, as for completions). Of a longer phrase its first
// kWeighedCharacters are weighed, by the model alone.
double likelihoodOf(const CompletionSources &sources, QStringView before, const QString &text,
                    const CompletionLimits &limits = {});

// The completions of the word that starts at `wordStart` in `before` (the
// text before the insertion point), best first: the likeliest by the model
// times the characters they save, those chosen before ahead of equals.
std::vector<Completion> complete(const CompletionSources &sources, QStringView before, int wordStart,
                                 const CompletionLimits &limits = {});

// How the completion is written over the word as it stands: `keep`
// characters of it stay, the rest of it goes and `write` follows, as if
// typed (a voicing mark changes the kana before it).
struct CompletionEdit
{
    int keep = 0;
    QString write;
};
CompletionEdit editFor(QStringView word, const QString &completionText);

} // namespace prediction
