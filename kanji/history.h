#pragma once
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include "kanji/engine.h"

// What the user chose before: for each hiragana phrase, the texts chosen
// for it, the latest first. Kept in the user's data folder, never beside
// the diaries.
namespace kanji {

class History
{
public:
    // The file in the user's data folder ($XDG_DATA_HOME/mojipot/).
    static QString defaultPath();

    // The chosen texts come first in a phrase's candidates, the latest first.
    void apply(QList<Phrase> &phrases) const;
    // `text` was chosen for `reading`; plain hiragana teaches nothing.
    void record(const QString &reading, const QString &text);
    void clear() { m_chosen.clear(); }
    bool isEmpty() const { return m_chosen.isEmpty(); }

    // The file's bytes: "reading<TAB>text" a line in UTF-8, the latest
    // choice of each reading first. Unreadable lines are left out.
    QByteArray toBytes() const;
    static History fromBytes(const QByteArray &bytes);

    // Readings kept at most; the ones not used for longest go first.
    static constexpr int kMaxReadings = 5000;

private:
    QHash<QString, QStringList> m_chosen;
    QStringList m_order; // readings, the latest used last
};

} // namespace kanji
