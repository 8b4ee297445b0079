#include "prediction/kanamodel.h"

#include "base/wholefile.h"

#include <QDir>
#include <algorithm>

namespace prediction {

QString modelFile(const std::optional<QString> &installPrefix, const QString &programDir)
{
    const QString name = QString::fromLatin1(kModelFileName);
    if (installPrefix)
        return QDir(*installPrefix).filePath(QStringLiteral("share/mojipot/") + name);
    return QDir(programDir).filePath(name);
}

KanaModel KanaModel::load(const QString &path, QString *error)
{
    QString why;
    const auto bytes = wholefile::readPlain(path, kMaxModelBytes, &why);
    if (!bytes) {
        if (error)
            *error = why;
        return {};
    }
    NgramTable table = NgramTable::fromBytes(*bytes, &why);
    if (error)
        *error = why;
    return KanaModel(std::move(table));
}

History KanaModel::historyOf(QStringView before) const
{
    return prediction::historyOf(before, std::max(1, order() - 1));
}

Distribution KanaModel::next(const History &history) const
{
    Distribution p = m_table.next(history);
    allowOnlyPossibleMarks(p, history);
    return p;
}

Distribution KanaModel::next(QStringView before) const
{
    return next(historyOf(before));
}

std::vector<RankedKey> rankKeys(const Distribution &next, const std::vector<int> &tags)
{
    std::vector<RankedKey> out;
    out.reserve(tags.size());
    for (const int tag : tags) {
        const int s = symbolOfTag(tag);
        out.push_back({tag, s < 0 ? 0.0 : next[s]});
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const RankedKey &a, const RankedKey &b) { return a.probability > b.probability; });
    return out;
}

} // namespace prediction
