#pragma once
#include "prediction/ngramtable.h"

#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

// The model of the next kana: how likely each press of an entry key is,
// given the text before the insertion point. Built with the program from
// texts it carries (prediction/CMakeLists.txt) and read from one file.
namespace prediction {

inline constexpr char kModelFileName[] = "kanamodel.bin";
// Larger than any model the build makes (1.7 MB): a larger file is refused
// before it is read.
inline constexpr qint64 kMaxModelBytes = 16 * 1024 * 1024;

// Where the program finds the model: <prefix>/share/mojipot/kanamodel.bin
// when installed, else beside the program file (the portable folder).
QString modelFile(const std::optional<QString> &installPrefix, const QString &programDir);

struct RankedKey
{
    int tag = 0;
    double probability = 0; // of what pressing the key writes; 0 for a command
    bool operator==(const RankedKey &) const = default;
};

class KanaModel
{
public:
    KanaModel() = default;
    explicit KanaModel(NgramTable table) : m_table(std::move(table)) {}

    // The model in the file; an empty model and the reason when the file is
    // missing, unreadable, damaged, larger than kMaxModelBytes or not a
    // plain file (a link, a pipe or a device is never read).
    static KanaModel load(const QString &path, QString *error = nullptr);

    bool isEmpty() const { return m_table.isEmpty(); }
    int order() const { return m_table.order(); }
    const NgramTable &table() const { return m_table; }

    // The probability of each symbol written next (they add up to 1); a
    // voicing mark only where its key would change the kana before it.
    Distribution next(QStringView before) const;
    Distribution next(const History &history) const;

    // The history the model looks at in a text.
    History historyOf(QStringView before) const;

private:
    NgramTable m_table;
};

// The keys ranked by the probability of what pressing each writes, most
// likely first; keys of equal probability (the commands, which write
// nothing, have 0) keep the order they were given in.
std::vector<RankedKey> rankKeys(const Distribution &next, const std::vector<int> &tags);

} // namespace prediction
