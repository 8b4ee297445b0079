#pragma once
#include "prediction/kanaalphabet.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// Counts of symbol sequences up to a given order, smoothed by interpolated
// Kneser–Ney: a sequence's count is its number of occurrences at the highest
// order (and for sequences that begin a phrase), and the number of different
// symbols seen before it at the lower orders. The counts lie in a tree,
// contexts over the symbols that followed them, built once and never changed.
namespace prediction {

using Distribution = std::array<double, kSymbolCount>;

enum class Smoothing : std::uint8_t {
    KneserNey = 1,         // one discount per order
    ModifiedKneserNey = 3, // three discounts per order: for counts 1, 2 and 3 or more
};

class NgramTable
{
public:
    static constexpr int kMaxOrder = 8;

    struct Node
    {
        std::uint32_t count = 0;      // the sequence's count as described above
        std::uint32_t total = 0;      // the counts of the symbols that followed it
        std::uint32_t firstChild = 0; // index of its first follower
        std::uint8_t children = 0;    // number of followers (the beginning mark included)
        std::uint8_t symbol = 0;      // the last symbol of the sequence
        std::uint8_t once = 0, twice = 0, more = 0; // followers by count: 1, 2, 3 or more
        std::uint8_t reserved[3] = {};
    };
    static_assert(sizeof(Node) == 20);

    NgramTable() = default;

    // Counts the reduced texts (kBreak between phrases) up to `order`.
    static NgramTable build(const std::vector<std::vector<Symbol>> &texts, int order,
                            Smoothing smoothing = Smoothing::ModifiedKneserNey);

    // The table as a file's bytes, and back. fromBytes checks every index,
    // so a damaged file gives an empty table and the reason, never a crash.
    QByteArray toBytes() const;
    static NgramTable fromBytes(const QByteArray &bytes, QString *error = nullptr);

    bool isEmpty() const { return m_nodes.size() <= 1; }
    int order() const { return m_order; }
    Smoothing smoothing() const { return m_smoothing; }
    std::uint64_t symbolsCounted() const { return m_symbols; }
    std::size_t nodeCount() const { return m_nodes.size(); }

    // The probability of each symbol after the history. An empty table gives
    // every symbol the same probability. `depth`, when given, receives the
    // length of the longest context found and `seen` how often it was
    // followed (its total).
    Distribution next(const History &history, int *depth = nullptr, std::uint32_t *seen = nullptr) const;

private:
    int find(const Symbol *context, int length) const;

    int m_order = 0;
    Smoothing m_smoothing = Smoothing::ModifiedKneserNey;
    std::uint64_t m_symbols = 0;
    // Discounts by order (index 1 to m_order) for counts 1, 2 and 3 or more.
    std::array<std::array<double, 3>, kMaxOrder + 1> m_discounts{};
    std::vector<Node> m_nodes; // the empty context first, then order by order
};

// The voicing marks are possible only after the kana they change: their
// probability moves to the other symbols where the last symbol cannot take
// them (and at the start of a text).
void allowOnlyPossibleMarks(Distribution &p, const History &history);

} // namespace prediction
