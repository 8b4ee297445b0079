#pragma once
#include <QHash>
#include <QString>

// What is said for a candidate so that homophones sound different: its
// hiragana, then for each kanji a common reading of its own (a native
// reading and the reading it has in compounds, from the kanji dictionary
// Debian ships), or a familiar word for the kanji whose readings alone would
// not tell them apart. A candidate in plain hiragana is described as
// "ひらがな", one in katakana as "カタカナ".
namespace kanji {

class Descriptions
{
public:
    // The kanji dictionary at `path` (kanjidic, EUC-JP) is read on first use.
    explicit Descriptions(QString path = defaultPath());
    static QString defaultPath();

    // "きしゃ、しるす き、もの しゃ" for 記者 read きしゃ.
    QString spoken(const QString &candidate, const QString &reading);
    // The description of one kanji; the kanji itself when nothing is known.
    QString forKanji(const QString &kanji);

    // One dictionary line: the kanji and its description, or an empty pair
    // when the line holds no kanji with a reading.
    static std::pair<QString, QString> parseLine(const QString &line);

    bool loaded() const { return !m_table.isEmpty(); }

private:
    void load();

    QString m_path;
    bool m_tried = false;
    QHash<QString, QString> m_table;
};

} // namespace kanji
