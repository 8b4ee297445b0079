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

// The symbols a text adds after what stands before it (a voicing mark may
// change the kana before it; kanji and the like cannot be typed and are left out).
std::vector<Symbol> addedBy(QStringView before, const QString &after)
{
    const std::vector<Symbol> was = reduce(before), now = reduce(after);
    std::vector<Symbol> added;
    for (std::size_t i = std::min(was.size(), now.size()); i < now.size(); ++i)
        if (now[i] != kBreak)
            added.push_back(now[i]);
    return added;
}

// What the item writes in place of the text before the insertion point; of
// a long phrase as much as its likelihood weighs.
QString written(const RowItem &item, QStringView before, int wordStart)
{
    return item.kind == RowItem::Phrase ? before.toString() + item.caption.left(kWeighedCharacters)
                                        : before.left(wordStart).toString() + item.caption;
}

// The kana keys ranked with the commands' likelihood: the commands the scan
// may offer take theirs, the kana share what is left; likeliest first.
std::vector<RankedKey> withCommands(std::vector<RankedKey> ranked, const std::vector<RankedKey> &commands,
                                    const input::Reachable &scannable)
{
    if (commands.empty())
        return ranked;
    double taken = 0;
    for (const RankedKey &c : commands)
        if (c.tag >= 0 && c.tag < int(scannable.size()) && scannable.test(c.tag))
            taken += std::max(0.0, c.probability);
    const double left = std::max(0.0, 1 - taken);
    for (RankedKey &k : ranked) {
        const auto c = std::find_if(commands.begin(), commands.end(), [&](const RankedKey &c) { return c.tag == k.tag; });
        k.probability = c != commands.end() ? std::max(0.0, c->probability) : k.probability * left;
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const RankedKey &a, const RankedKey &b) { return a.probability > b.probability; });
    return ranked;
}

} // namespace

input::ScanGroup likelyGroup(const Distribution &next, const input::Reachable &scannable, int count,
                             const std::vector<RankedKey> &commands)
{
    std::vector<int> entry;
    for (int tag = tagOf(0); tag <= tagOf(kSymbolCount - 1); ++tag)
        entry.push_back(tag);
    for (const RankedKey &c : commands)
        entry.push_back(c.tag);
    input::ScanGroup g{QStringLiteral("よそく"), {}, -1};
    for (const RankedKey &k : withCommands(rankKeys(next, shown(entry, scannable)), commands, scannable)) {
        if (int(g.places.size()) >= count || k.probability <= 0)
            break;
        g.places.push_back(k.tag);
    }
    return g;
}

input::ScanGroup columnByLikelihood(int column, const Distribution &next, const input::Reachable &scannable,
                                    double *weight, const std::vector<RankedKey> &commands)
{
    input::ScanGroup g = input::boardGroup(column);
    // Hidden keys are ranked too (the scan passes over them) but weigh nothing.
    const std::vector<RankedKey> ranked = withCommands(rankKeys(next, g.places), commands, scannable);
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
                           const OrderOptions &options, const std::vector<RankedKey> &commands)
{
    if (order != 2 && order != 3)
        return input::boardOrder();
    input::ScanOrder out;
    int commandsFrom = kSpaceColumn; // the columns "よむ" may come before
    if (order == 2) {
        out.push_back(likelyGroup(next, scannable, options.likelyKeys, commands));
        for (int c = 1; c <= kDeleteColumn; ++c)
            out.push_back(input::boardGroup(c));
    } else {
        std::vector<std::pair<double, input::ScanGroup>> columns;
        for (int c = 1; c <= kSpaceColumn; ++c) {
            double weight = 0;
            input::ScanGroup g = columnByLikelihood(c, next, scannable, &weight, commands);
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

void ScanOrders::setSettings(const input::SwitchSettings &settings)
{
    m_order = settings.order;
    m_timing.interval = settings.interval / 1000.0;
    m_timing.firstWait = settings.firstWait / 1000.0;
}

input::ScanOrder ScanOrders::groups(const Distribution &next, const input::Reachable &scannable,
                                    const std::vector<RankedKey> &commands) const
{
    return m_adaptation.hasModel() ? scanOrder(m_order, next, scannable, m_options, commands) : input::boardOrder();
}

input::ScanOrder ScanOrders::next(const input::Reachable &scannable) const
{
    if (!m_writing)
        return input::boardOrder();
    // The model looks at a few symbols before the insertion point at most.
    input::ScanOrder order = input::boardOrder();
    if (m_order != input::SwitchSettings::kBoardOrder) {
        const Distribution next = m_adaptation.next(m_writing->textBefore(32));
        order = groups(next, scannable, m_writing->conversionKeys(phraseEnd(next)));
    }
    QString before;
    int wordStart = 0;
    if (const Row *row = m_writing->row(&before, &wordStart))
        placeRow(order, *row, before, wordStart, scannable);
    return order;
}

double ScanOrders::typingTime(QStringView before, const std::vector<Symbol> &added,
                              const input::Reachable &scannable) const
{
    constexpr int kUnreached = 12; // places, for a key the order does not offer
    const ScanTiming &t = m_timing;
    const int contextLength = std::max(1, m_adaptation.base().order() - 1);
    const double place = t.interval + t.say(QStringLiteral("あ"));
    History h = historyOf(before, contextLength);
    double total = 0;
    for (const Symbol s : added) {
        int places = kUnreached;
        const input::ScanOrder order = groups(m_adaptation.next(h), scannable);
        for (int g = 0; g < int(order.size()) && places == kUnreached; ++g) {
            const auto &keys = order[g].places;
            const auto it = std::find(keys.begin(), keys.end(), tagOf(s));
            if (it != keys.end())
                places = g + 1 + (order[g].pressAtOnce ? 0 : int(it - keys.begin()) + 1);
        }
        total += places * place + 2 * t.firstWait + t.say(QStringLiteral("あ"));
        h.symbols.push_back(s);
        if (int(h.symbols.size()) > contextLength) {
            h.symbols.erase(h.symbols.begin());
            h.atStart = false;
        }
    }
    return total;
}

double ScanOrders::expectedGain(const Row &row, QStringView before, int wordStart,
                                const input::Reachable &scannable) const
{
    if (row[0].kind == RowItem::Empty)
        return 0;
    const double pass = m_timing.say(row[0].spoken) + m_timing.interval;
    double gain = -pass;
    for (int i = 0; i < kRowPlaces; ++i) {
        const RowItem &item = row[i];
        if (item.kind != RowItem::Completion && item.kind != RowItem::Phrase)
            continue;
        const double typing = typingTime(before, addedBy(before, written(item, before, wordStart)), scannable);
        gain += item.completion.probability * (typing - (rowTime(row, i, m_timing) - pass));
    }
    return gain;
}

void ScanOrders::placeRow(input::ScanOrder &order, const Row &row, QStringView before, int wordStart,
                          const input::Reachable &scannable) const
{
    input::ScanGroup g = rowGroup(row, m_rowFrame);
    if (g.places.empty())
        return;
    if (expectedGain(row, before, wordStart, scannable) > kOfferMargin * m_timing.interval)
        order.insert(order.begin(), std::move(g));
    else
        order.push_back(std::move(g));
}

} // namespace prediction
