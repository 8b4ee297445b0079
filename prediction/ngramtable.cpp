#include "prediction/ngramtable.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace prediction {

namespace {

// A sequence of up to kMaxOrder symbols as a number: six bits a symbol
// (symbol + 1, so that no symbol is 0), the first symbol highest, so that
// sequences of one length sort as their symbols do and a sequence's
// context is key >> 6.
using Key = std::uint64_t;
constexpr int kBits = 6;
constexpr Key kSymbolMask = (Key(1) << kBits) - 1;

Symbol lastSymbol(Key key) { return Symbol((key & kSymbolMask) - 1); }
Key withoutFirst(Key key, int length) { return key & ((Key(1) << (kBits * (length - 1))) - 1); }

struct Counted
{
    Key key;
    std::uint32_t count;
};

// Sorted keys with their counts added up.
std::vector<Counted> tally(std::vector<Counted> items)
{
    std::sort(items.begin(), items.end(), [](const Counted &a, const Counted &b) { return a.key < b.key; });
    std::vector<Counted> out;
    for (const Counted &c : items) {
        if (!out.empty() && out.back().key == c.key)
            out.back().count += c.count;
        else
            out.push_back(c);
    }
    return out;
}

// Discounts from the counts of counts (Chen and Goodman), kept within the
// range where every discounted count stays positive.
std::array<double, 3> discountsFor(const std::vector<Counted> &level, Smoothing smoothing)
{
    double n[5] = {};
    for (const Counted &c : level)
        if (c.count >= 1 && c.count <= 4)
            n[c.count] += 1;
    const double y = n[1] > 0 ? n[1] / (n[1] + 2 * n[2]) : 0.5;
    std::array<double, 3> d = {y, y, y};
    if (smoothing == Smoothing::ModifiedKneserNey) {
        d[0] = n[1] > 0 ? 1 - 2 * y * n[2] / n[1] : 0.5;
        d[1] = n[2] > 0 ? 2 - 3 * y * n[3] / n[2] : 1.0;
        d[2] = n[3] > 0 ? 3 - 4 * y * n[4] / n[3] : 1.5;
    }
    const double fallback[3] = {0.5, 1.0, 1.5};
    for (int i = 0; i < 3; ++i) {
        if (!std::isfinite(d[i]) || d[i] <= 0.05)
            d[i] = fallback[i];
        d[i] = std::min(d[i], 0.95 + i);
    }
    return d;
}

constexpr char kMagic[4] = {'M', 'J', 'K', 'M'};
constexpr std::uint32_t kVersion = 1;

struct FileHeader
{
    char magic[4];
    std::uint32_t version;
    std::uint32_t order;
    std::uint32_t smoothing;
    std::uint64_t symbols;
    std::uint64_t nodes;
    double discounts[NgramTable::kMaxOrder + 1][3];
};

} // namespace

NgramTable NgramTable::build(const std::vector<std::vector<Symbol>> &texts, int order, Smoothing smoothing)
{
    NgramTable t;
    t.m_order = std::clamp(order, 1, kMaxOrder);
    t.m_smoothing = smoothing;
    const int n = t.m_order;

    // The longest sequence ending at each symbol: n symbols, or fewer from
    // the beginning of its phrase.
    std::vector<std::vector<Counted>> raw(n + 1);
    for (const std::vector<Symbol> &text : texts) {
        std::vector<Symbol> phrase{kBegin};
        const auto countPhrase = [&] {
            for (std::size_t i = 1; i < phrase.size(); ++i) {
                const std::size_t from = i + 1 >= std::size_t(n) ? i + 1 - n : 0;
                Key key = 0;
                for (std::size_t j = from; j <= i; ++j)
                    key = (key << kBits) | (phrase[j] + 1);
                raw[i - from + 1].push_back({key, 1});
                ++t.m_symbols;
            }
            phrase.assign(1, kBegin);
        };
        for (const Symbol s : text) {
            if (s == kBreak)
                countPhrase();
            else if (s < kSymbolCount)
                phrase.push_back(s);
        }
        countPhrase();
    }

    // Each order: its sequences that begin a phrase, or are of the highest
    // order, with their counts; the others with the number of symbols seen
    // before them, from the order above.
    std::vector<std::vector<Counted>> levels(n + 1);
    for (int k = n; k >= 1; --k) {
        std::vector<Counted> items = std::move(raw[k]);
        if (k < n)
            for (const Counted &above : levels[k + 1])
                items.push_back({withoutFirst(above.key, k + 1), 1});
        levels[k] = tally(std::move(items));
    }
    // The beginning mark alone is the context of a phrase's first symbol.
    const Key begin = kBegin + 1;
    if (!std::binary_search(levels[1].begin(), levels[1].end(), Counted{begin, 0},
                            [](const Counted &a, const Counted &b) { return a.key < b.key; })) {
        levels[1].push_back({begin, 0});
        levels[1] = tally(std::move(levels[1]));
    }

    for (int k = 1; k <= n; ++k) {
        std::vector<Counted> predicted;
        for (const Counted &c : levels[k])
            if (lastSymbol(c.key) != kBegin)
                predicted.push_back(c);
        const std::array<double, 3> d = discountsFor(predicted, smoothing);
        t.m_discounts[k] = d;
    }

    // The tree: the empty context, then each order; a node's followers are
    // the next order's sequences that extend it, found by one merge.
    std::size_t total = 1;
    for (int k = 1; k <= n; ++k)
        total += levels[k].size();
    t.m_nodes.resize(total);
    std::size_t levelStart = 1;
    {
        Node &root = t.m_nodes[0];
        root.firstChild = 1;
        root.children = std::uint8_t(levels[1].size());
    }
    std::vector<Key> parentKeys{0};
    std::size_t parentStart = 0;
    for (int k = 1; k <= n; ++k) {
        std::size_t p = 0;
        for (std::size_t i = 0; i < levels[k].size(); ++i) {
            const Counted &c = levels[k][i];
            Node &node = t.m_nodes[levelStart + i];
            node.count = c.count;
            node.symbol = lastSymbol(c.key);
            const Key parent = c.key >> kBits;
            while (p < parentKeys.size() && parentKeys[p] < parent)
                ++p;
            if (k > 1 && p < parentKeys.size() && parentKeys[p] == parent) {
                Node &pn = t.m_nodes[parentStart + p];
                if (pn.children == 0)
                    pn.firstChild = std::uint32_t(levelStart + i);
                ++pn.children;
            }
        }
        parentKeys.clear();
        for (const Counted &c : levels[k])
            parentKeys.push_back(c.key);
        parentStart = levelStart;
        levelStart += levels[k].size();
    }
    for (Node &node : t.m_nodes) {
        for (std::uint32_t i = node.firstChild; i < node.firstChild + node.children; ++i) {
            const Node &child = t.m_nodes[i];
            if (child.symbol >= kSymbolCount)
                continue;
            node.total += child.count;
            node.once += child.count == 1;
            node.twice += child.count == 2;
            node.more += child.count >= 3;
        }
    }
    return t;
}

int NgramTable::find(const Symbol *context, int length) const
{
    int node = 0;
    for (int i = 0; i < length; ++i) {
        const Node &n = m_nodes[node];
        const auto first = m_nodes.begin() + n.firstChild;
        const auto last = first + n.children;
        const auto it = std::lower_bound(first, last, context[i],
                                         [](const Node &a, Symbol s) { return a.symbol < s; });
        if (it == last || it->symbol != context[i])
            return -1;
        node = int(it - m_nodes.begin());
    }
    return node;
}

Distribution NgramTable::next(const History &history, int *depth, std::uint32_t *seen) const
{
    Distribution p;
    p.fill(1.0 / kSymbolCount);
    int found = 0;
    std::uint32_t foundTotal = 0;
    if (!isEmpty()) {
        Symbol context[kMaxOrder];
        int length = 0;
        const int room = m_order - 1;
        const std::size_t have = history.symbols.size();
        const bool withBegin = history.atStart && int(have) < room;
        const int fromHistory = std::min<int>(int(have), room - (withBegin ? 1 : 0));
        if (withBegin)
            context[length++] = kBegin;
        for (std::size_t i = have - fromHistory; i < have; ++i)
            context[length++] = history.symbols[i];

        for (int k = 0; k <= length; ++k) {
            const int node = find(context + length - k, k);
            if (node < 0)
                break;
            const Node &c = m_nodes[node];
            if (c.total == 0)
                break;
            const std::array<double, 3> &d = m_discounts[k + 1];
            const double gamma = (d[0] * c.once + d[1] * c.twice + d[2] * c.more) / c.total;
            for (double &v : p)
                v *= gamma;
            for (std::uint32_t i = c.firstChild; i < c.firstChild + c.children; ++i) {
                const Node &child = m_nodes[i];
                if (child.symbol >= kSymbolCount || child.count == 0)
                    continue;
                const double discount = d[std::min<std::uint32_t>(child.count, 3) - 1];
                p[child.symbol] += (child.count - discount) / c.total;
            }
            found = k;
            foundTotal = c.total;
        }
    }
    if (depth)
        *depth = found;
    if (seen)
        *seen = foundTotal;
    return p;
}

void allowOnlyPossibleMarks(Distribution &p, const History &history)
{
    const bool any = !history.symbols.empty();
    double removed = 0;
    for (const Symbol mark : {kVoiced, kSemiVoiced}) {
        if (!any || !takesMark(mark, history.symbols.back())) {
            removed += p[mark];
            p[mark] = 0;
        }
    }
    if (removed > 0 && removed < 1)
        for (double &v : p)
            v /= 1 - removed;
}

QByteArray NgramTable::toBytes() const
{
    FileHeader h{};
    std::memcpy(h.magic, kMagic, 4);
    h.version = kVersion;
    h.order = std::uint32_t(m_order);
    h.smoothing = std::uint32_t(m_smoothing);
    h.symbols = m_symbols;
    h.nodes = m_nodes.size();
    for (int k = 0; k <= kMaxOrder; ++k)
        for (int i = 0; i < 3; ++i)
            h.discounts[k][i] = m_discounts[k][i];
    QByteArray out(reinterpret_cast<const char *>(&h), sizeof h);
    out.append(reinterpret_cast<const char *>(m_nodes.data()), qsizetype(m_nodes.size() * sizeof(Node)));
    return out;
}

NgramTable NgramTable::fromBytes(const QByteArray &bytes, QString *error)
{
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "the model file is little-endian");
    const auto fail = [error](const char *why) {
        if (error)
            *error = QString::fromUtf8(why);
        return NgramTable();
    };
    FileHeader h;
    if (bytes.size() < qsizetype(sizeof h))
        return fail("too short");
    std::memcpy(&h, bytes.constData(), sizeof h);
    if (std::memcmp(h.magic, kMagic, 4) != 0 || h.version != kVersion)
        return fail("not a kana model of this version");
    if (h.order < 1 || h.order > kMaxOrder || (h.smoothing != 1 && h.smoothing != 3))
        return fail("bad order or smoothing");
    // The count is checked against the bytes there before it is multiplied:
    // a count near 2^62 would wrap round to a size that matches.
    const std::uint64_t room = std::uint64_t(bytes.size() - qsizetype(sizeof h)) / sizeof(Node);
    if (h.nodes < 1 || h.nodes > room || (bytes.size() - sizeof h) != h.nodes * sizeof(Node))
        return fail("size does not match the node count");
    NgramTable t;
    t.m_order = int(h.order);
    t.m_smoothing = Smoothing(h.smoothing);
    t.m_symbols = h.symbols;
    for (int k = 0; k <= kMaxOrder; ++k)
        for (int i = 0; i < 3; ++i) {
            const double d = h.discounts[k][i];
            if (!std::isfinite(d) || d < 0 || d >= i + 1)
                return fail("bad discount");
            t.m_discounts[k][i] = d;
        }
    t.m_nodes.resize(h.nodes);
    std::memcpy(t.m_nodes.data(), bytes.constData() + sizeof h, h.nodes * sizeof(Node));
    // Followers lie after their context, within the table, sorted; counts
    // and totals agree, so no lookup can leave the table or divide by zero.
    for (std::size_t i = 0; i < t.m_nodes.size(); ++i) {
        const Node &n = t.m_nodes[i];
        if (n.symbol > kBegin)
            return fail("bad symbol");
        if (n.children == 0)
            continue;
        if (n.firstChild <= i || std::uint64_t(n.firstChild) + n.children > t.m_nodes.size())
            return fail("follower out of range");
        std::uint64_t total = 0;
        for (std::uint32_t c = n.firstChild; c < n.firstChild + n.children; ++c) {
            const Node &child = t.m_nodes[c];
            if (c > n.firstChild && t.m_nodes[c - 1].symbol >= child.symbol)
                return fail("followers not sorted");
            if (child.symbol < kSymbolCount)
                total += child.count;
        }
        if (total != n.total || n.once + n.twice + n.more > n.children)
            return fail("totals do not agree");
    }
    return t;
}

} // namespace prediction
