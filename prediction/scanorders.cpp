#include "prediction/scanorders.h"

#include "prediction/kanamodel.h"

#include <algorithm>

namespace prediction {

namespace {

constexpr int kSpaceColumn = 12;     // くうはく, ぎょう, めーる
constexpr int kDeleteColumn = 13;    // けす to おわり

std::vector<int> shown(const std::vector<int> &tags, const input::Reachable &scannable)
{
    std::vector<int> out;
    for (int t : tags)
        if (t >= 0 && t < int(scannable.size()) && scannable.test(t))
            out.push_back(t);
    return out;
}

} // namespace

input::ScanGroup likelyGroup(const Distribution &next, const input::Reachable &scannable, int count)
{
    std::vector<int> entry;
    for (int tag = tagOf(0); tag <= tagOf(kSymbolCount - 1); ++tag)
        entry.push_back(tag);
    input::ScanGroup g{QStringLiteral("よそく"), {}, -1};
    for (const RankedKey &k : rankKeys(next, shown(entry, scannable))) {
        if (int(g.places.size()) >= count || k.probability <= 0)
            break;
        g.places.push_back(k.tag);
    }
    return g;
}

input::ScanGroup columnByLikelihood(int column, const Distribution &next, const input::Reachable &scannable,
                                    double *weight)
{
    input::ScanGroup g = input::boardGroup(column);
    // Hidden keys are ranked too (the scan passes over them) but weigh nothing.
    const std::vector<RankedKey> ranked = rankKeys(next, g.places);
    double sum = 0;
    g.places.clear();
    for (const RankedKey &k : ranked) {
        g.places.push_back(k.tag);
        if (k.tag < int(scannable.size()) && scannable.test(k.tag))
            sum += k.probability;
    }
    if (weight)
        *weight = sum;
    return g;
}

input::ScanOrder scanOrder(int order, const Distribution &next, const input::Reachable &scannable,
                           const OrderOptions &options)
{
    if (order != 2 && order != 3)
        return input::boardOrder();
    input::ScanOrder out;
    int commandsFrom = kSpaceColumn; // the columns "よむ" may come before
    if (order == 2) {
        out.push_back(likelyGroup(next, scannable, options.likelyKeys));
        for (int c = 1; c <= kDeleteColumn; ++c)
            out.push_back(input::boardGroup(c));
    } else {
        std::vector<std::pair<double, input::ScanGroup>> columns;
        for (int c = 1; c <= kSpaceColumn; ++c) {
            double weight = 0;
            input::ScanGroup g = columnByLikelihood(c, next, scannable, &weight);
            columns.emplace_back(weight, std::move(g));
        }
        if (options.deleteWeight > 0)
            columns.emplace_back(options.deleteWeight, input::boardGroup(kDeleteColumn));
        std::stable_sort(columns.begin(), columns.end(),
                         [](const auto &a, const auto &b) { return a.first > b.first; });
        for (auto &c : columns)
            out.push_back(std::move(c.second));
        if (options.deleteWeight <= 0)
            out.push_back(input::boardGroup(kDeleteColumn));
        commandsFrom = kDeleteColumn;
    }
    auto at = out.end();
    if (options.read == ReadAt::BeforeCommands)
        at = std::find_if(out.begin(), out.end(), [&](const input::ScanGroup &g) { return g.column >= commandsFrom; });
    out.insert(at, input::boardGroup(0));
    return out;
}

SpokenNames spokenNames()
{
    SpokenNames names{{QStringLiteral("もどる"), likelyGroup({}, {}, 0).name}, {}};
    for (const input::ScanGroup &g : input::boardOrder()) {
        names.selection << g.name;
        if (!g.shortName.isEmpty())
            names.decision << g.shortName;
    }
    return names;
}

} // namespace prediction
