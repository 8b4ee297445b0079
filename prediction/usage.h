#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

// What the word row learns by being used: how often each phrase and each
// completed word was chosen, and when the user last asked for all that was
// learnt to be forgotten (writing from before then is not learnt from
// again, and the conversions committed before then are not offered: from
// that moment on the row keeps the ones committed since). Kept in the
// user's data folder, owner-only, never beside the diaries.
//
// The file is a help and may have been edited by hand or damaged: at most
// its last kMaxFileBytes are read (more than the program ever writes), a
// line is taken only when it is well formed and its text a plain phrase (no
// control or formatting character), and at most kMaxEntries of each kind
// are kept, the most used (of conversions the latest). The moment of
// forgetting is never lost with a part of the file that is not read: it is
// looked for in the first kMaxScanBytes of a larger file, and a file larger
// still counts as forgotten up to its last change.
namespace prediction {

class Usage
{
public:
    static constexpr int kMaxEntries = 2000;
    static constexpr int kMaxTextLength = 200;
    // As long as the conversion history keeps.
    static constexpr int kMaxConversionLength = 64;
    static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;
    static constexpr qint64 kMaxScanBytes = 64 * 1024 * 1024;
    // The largest file the program writes (a character is at most three
    // bytes in UTF-8, a surrogate pair four for its two): all of it is read.
    static constexpr qint64 kLargestFile = 64 + 2 * qint64(kMaxEntries) * (6 + 1 + 10 + 1 + 3 * kMaxTextLength + 1)
        + qint64(kMaxEntries) * (10 + 1 + 3 * kMaxConversionLength + 1 + 3 * kMaxConversionLength + 1);
    static_assert(kLargestFile <= kMaxFileBytes);

    // The file in the user's data folder ($XDG_DATA_HOME/mojipot/).
    static QString defaultPath();

    void chosePhrase(const QString &phrase) { count(m_phrases, phrase); }
    void choseWord(const QString &word) { count(m_words, word); }
    const QHash<QString, int> &phrases() const { return m_phrases; }
    const QHash<QString, int> &words() const { return m_words; }

    // Everything learnt goes; writing from before `now` is not learnt from
    // again, and conversions committed before it are not offered.
    void forget(const QDateTime &now);
    QDateTime forgotten() const { return m_forgotten; }

    // A conversion was committed: once something was forgotten, the row
    // offers only those committed since (the latest kMaxEntries).
    void choseConversion(const QString &reading, const QString &text);
    // Of the committed conversions (reading and text), those the row may offer.
    QList<std::pair<QString, QString>> offered(const QList<std::pair<QString, QString>> &conversions) const;

    // "forgotten<TAB>time", then "phrase<TAB>count<TAB>text",
    // "word<TAB>count<TAB>text" and "conversion<TAB>reading<TAB>text"
    // lines (the latest last), UTF-8; unreadable lines are left out.
    QByteArray toBytes() const;
    static Usage fromBytes(const QByteArray &bytes);
    static Usage readFile(const QString &path);
    // Whole and owner-only (wholefile::replacePrivate).
    bool writeFile(const QString &path) const;

    // A text that may be kept: a plain phrase of at most kMaxTextLength characters.
    static bool acceptable(const QString &text);

private:
    static void count(QHash<QString, int> &counts, const QString &text);

    QHash<QString, int> m_phrases;
    QHash<QString, int> m_words;
    QDateTime m_forgotten;
    QStringList m_conversions; // "reading<TAB>text" committed since, the latest last
};

// The phrases, those chosen most often first, the others in their order.
QStringList byUse(const QStringList &phrases, const QHash<QString, int> &uses);

} // namespace prediction
