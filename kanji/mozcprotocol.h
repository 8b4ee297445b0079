#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

#include "kanji/engine.h"

// What is said to and by Mozc's helper program, mozc_emacs_helper: one
// S-expression a line each way. We send
//   (ID CreateSession)            → ((emacs-event-id . ID)(emacs-session-id . S)(output . (...)))
//   (ID SendKey S "きょう")        the hiragana typed in at once; the answer
//                                 may suggest words (category suggestion)
//   (ID SendKey S space)          convert; the answer holds the phrases and the
//                                 first phrase's candidates
//   (ID SendKey S right)          the next phrase becomes current: its candidates
//   (ID SendKey S escape)         back to the hiragana, and again to nothing
// and never commit, so that Mozc learns nothing. The helper greets with one
// line before any request: ((mozc-emacs-helper . t)(version . "...")...).
namespace kanji::mozc {

// One value of an answer: a list, a symbol or number, or a string.
struct SExpr
{
    enum Kind { List, Atom, String };
    Kind kind = List;
    QString text;
    QList<SExpr> items;

    // In an association list, the entry named `key`: for "(key . value)" the
    // value, for "(key v1 v2 ...)" a list of v1 v2 ...; nullopt when absent.
    std::optional<SExpr> get(QStringView key) const;
    // The entry's value as a number or a string; the default when absent.
    qint64 number(QStringView key, qint64 otherwise = -1) const;
    QString string(QStringView key) const;
};

// Bounds of an answer line: the helper's deepest answers nest about ten
// levels, its longest (a conversion with every candidate) take a few
// kilobytes. A line beyond either is no answer.
inline constexpr int kMaxDepth = 32;
inline constexpr qsizetype kMaxLineLength = 256 * 1024;

// One line of the helper; nullopt when it is not a complete S-expression
// within the bounds above.
std::optional<SExpr> parse(QStringView line);

// A request line, newline included. `keys` are symbols or, quoted, the text
// typed in.
QByteArray request(quint32 id, const QString &command, const QString &arguments = {});
QByteArray sendKey(quint32 id, quint32 session, const QString &key);
QByteArray typeText(quint32 id, quint32 session, const QString &text);

// The event an answer belongs to (-1: none, as in the greeting or an error).
qint64 eventOf(const SExpr &answer);

// The phrases of a conversion as the answer to "space" shows them, each with
// only its reading and its shown text; empty when the answer is no conversion.
QList<Phrase> phrasesOf(const SExpr &answer);
// The candidates of the current phrase in an answer to "space" or "right",
// the shown text first, without repeats and without half-width katakana (said
// and heard as the full-width ones, they would only be one more press).
QStringList candidatesOf(const SExpr &answer, const QString &shown);
// The words Mozc suggests in the answer to the hiragana typed in (`typed`),
// each with its reading (`typed` where the answer gives none), in its order,
// without repeats and without half-width katakana; none when the answer
// suggests nothing.
QList<Form> suggestionsOf(const SExpr &answer, const QString &typed);

// The server's process number from its session file (.session.ipc in the
// profile's configuration folder): field 2 of that small protocol-buffer
// record; 0 when it is not there.
quint32 serverProcess(const QByteArray &sessionFile);

} // namespace kanji::mozc
