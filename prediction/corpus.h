#pragma once
#include "prediction/kanaalphabet.h"

#include <QString>
#include <QStringList>
#include <vector>

// The texts the model is built from, read and reduced to the board's
// alphabet: our everyday sentences, and the Japanese training text of
// Debian's dasher-data package, which holds one text in two notations
// (training_hiragana60_JP.txt with combining voicing marks,
// training_hiragana83_JP.txt with precomposed kana).
namespace prediction::corpus {

using Texts = std::vector<std::vector<Symbol>>;

// Lines of a UTF-8 file; empty with the reason when it cannot be read.
QStringList readLines(const QString &path, QString *error = nullptr);

// The sentences of a sentence file: one a line; blank lines and lines
// starting with "#" are not sentences.
QStringList sentences(const QStringList &lines);

// Every `every`-th sentence (the 5th, 10th, ...) is held out of training:
// kept() gives the others, heldOut() those.
QStringList kept(const QStringList &sentences, int every);
QStringList heldOut(const QStringList &sentences, int every);

// Each sentence as a text of its own.
Texts reduceEach(const QStringList &sentences);

// Lines first to last (counted from 1) of the training text.
struct LineRange
{
    int first = 0;
    int last = 0;
};

// The training text's line ranges held out: a fifth of it, in five blocks
// spread over the text.
std::vector<LineRange> dasherHeldOut(int lineCount);

// The lines are the text's layout only (a word may run on over a line
// end): each block of consecutive lines is one text, lines joined as they
// are. Its half-width spaces part words for a reader and are dropped unless
// `keepSpaces`, for a user of the board writes without them.
enum class Part { Training, HeldOut };
Texts dasherTexts(const QStringList &lines, const std::vector<LineRange> &heldOut, Part part,
                  bool keepSpaces = false);

// Both notations with the same ranges held out. Where a line of one
// reduces to the same symbols as the same line of the other, which is the
// case throughout, it is counted once: they are one text.
Texts dasherBoth(const QStringList &notation60, const QStringList &notation83, Part part, bool keepSpaces = false);

} // namespace prediction::corpus
