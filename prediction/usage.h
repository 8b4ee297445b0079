#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

// What the word row learns by being used: how often each phrase and each
// completed word was chosen, and when the user last asked for all that was
// learnt to be forgotten (writing from before then is not learnt from
// again). Kept in the user's data folder, owner-only, never beside the
// diaries.
//
// The file is a help and may have been edited by hand or damaged: at most
// its last kMaxFileBytes are read, a line is taken only when it is well
// formed and its text a plain phrase (no control or formatting character),
// and at most kMaxEntries of each kind are kept, the most used.
namespace prediction {

class Usage
{
public:
    static constexpr int kMaxEntries = 2000;
    static constexpr int kMaxTextLength = 200;
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;

    // The file in the user's data folder ($XDG_DATA_HOME/mojipot/).
    static QString defaultPath();

    void chosePhrase(const QString &phrase) { count(m_phrases, phrase); }
    void choseWord(const QString &word) { count(m_words, word); }
    const QHash<QString, int> &phrases() const { return m_phrases; }
    const QHash<QString, int> &words() const { return m_words; }

    // Everything learnt goes; writing from before `now` is not learnt from again.
    void forget(const QDateTime &now);
    QDateTime forgotten() const { return m_forgotten; }

    // "forgotten<TAB>time", then "phrase<TAB>count<TAB>text" and
    // "word<TAB>count<TAB>text" lines, UTF-8; unreadable lines are left out.
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
};

// The phrases, those chosen most often first, the others in their order.
QStringList byUse(const QStringList &phrases, const QHash<QString, int> &uses);

} // namespace prediction
