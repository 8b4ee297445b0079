#pragma once
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include "kanji/engine.h"

// What the user chose before: for each hiragana phrase, the texts chosen
// for it, the latest first. Kept in the user's data folder, never beside
// the diaries.
//
// The history is a help, and its file may have been edited by hand or
// damaged: it is read in time proportional to what is read, at most the
// file's last kMaxFileBytes; a line is taken only when its reading is
// hiragana and its choice a plain text of phrase length (no control or
// formatting character, no tab or line break); at most kMaxReadings
// readings and kMaxChoices choices for each are kept.
namespace kanji {

class History
{
public:
    // The file in the user's data folder ($XDG_DATA_HOME/mojipot/).
    static QString defaultPath();

    // The chosen texts come first in a phrase's candidates, the latest first.
    void apply(QList<Phrase> &phrases) const;
    // `text` was chosen for `reading`; plain hiragana teaches nothing, and
    // neither does a text that acceptable() refuses.
    void record(const QString &reading, const QString &text);
    void clear();
    bool isEmpty() const { return m_chosen.isEmpty(); }
    // The readings that start with `prefix` and are longer, each with its
    // latest choice, the reading used last first.
    QList<std::pair<QString, QString>> startingWith(QStringView prefix) const;

    // The file's bytes: "reading<TAB>text" a line in UTF-8, the latest
    // choice of each reading first. Unreadable lines are left out.
    QByteArray toBytes() const;
    static History fromBytes(const QByteArray &bytes);

    // The file at `path`. Only a plain file is read, never through a link,
    // and opening it never waits (a pipe or a device is no history); of a
    // larger file only the last kMaxFileBytes, from its first whole line.
    static History readFile(const QString &path);
    // Writes the file whole, owner-only, making its folder when missing. A
    // link at `path` is replaced by the file: what it points to is never
    // written. False when the file could not be written (anything other
    // than a plain file or a link stands there, or the write failed).
    bool writeFile(const QString &path) const;

    // Whether a line may be learnt or read: the reading is hiragana and
    // "ー", the choice plain text other than the reading, both at most
    // kMaxPhraseLength characters.
    static bool acceptable(const QString &reading, const QString &text);

    // Readings kept at most; the ones not used for longest go first.
    static constexpr int kMaxReadings = 5000;
    // Choices kept for one reading, the latest.
    static constexpr int kMaxChoices = 16;
    // Longer than any phrase the engine makes.
    static constexpr int kMaxPhraseLength = 64;
    static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

private:
    QHash<QString, QStringList> m_chosen;
    QStringList m_order; // readings, the latest used last
};

} // namespace kanji
