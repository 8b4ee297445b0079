#include "prediction/row.h"

#include "prediction/phrases.h"

namespace prediction {

Row rowFor(const RowSources &sources, QStringView before, int wordStart, int &page)
{
    Row row;
    if (atSentenceStart(before, int(before.size()))) {
        const PhrasePage shown = phrasePage(sources.phrases, page, kRowPlaces);
        page = shown.page;
        for (int i = 0; i < int(shown.phrases.size()); ++i) {
            const QString &phrase = shown.phrases[i];
            row[i] = {RowItem::Phrase, phrase, phrase,
                      {phrase, phrase, likelihoodOf(sources.completions, before, phrase, sources.limits), int(phrase.size()), false}};
        }
        if (shown.next)
            row[kRowPlaces - 1] = {RowItem::Next, QStringLiteral("つぎ"), QStringLiteral("つぎ"), {}};
        return row;
    }
    page = 0;
    const std::vector<Completion> found = complete(sources.completions, before, wordStart, sources.limits);
    for (int i = 0; i < int(found.size()) && i < kRowPlaces; ++i)
        row[i] = {RowItem::Completion, found[i].text, found[i].text, found[i]};
    return row;
}

namespace {

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

} // namespace

double typingTime(const RowCosts &costs, QStringView before, const std::vector<Symbol> &added)
{
    constexpr int kUnreached = 12; // places, for a key the order does not offer
    const ScanTiming &t = costs.timing;
    const double place = t.interval + t.say(QStringLiteral("あ"));
    History h = historyOf(before, costs.contextLength);
    double total = 0;
    for (const Symbol s : added) {
        int places = kUnreached;
        const input::ScanOrder order = costs.order(costs.next(h));
        for (int g = 0; g < int(order.size()) && places == kUnreached; ++g) {
            const auto &keys = order[g].places;
            const auto it = std::find(keys.begin(), keys.end(), tagOf(s));
            if (it != keys.end())
                places = g + 1 + (order[g].pressAtOnce ? 0 : int(it - keys.begin()) + 1);
        }
        total += places * place + 2 * t.firstWait + t.say(QStringLiteral("あ"));
        h.symbols.push_back(s);
        if (int(h.symbols.size()) > costs.contextLength) {
            h.symbols.erase(h.symbols.begin());
            h.atStart = false;
        }
    }
    return total;
}

double rowTime(const Row &row, int index, const ScanTiming &t)
{
    double total = t.say(row[0].spoken) + t.interval + 2 * t.firstWait + t.say(row[index].spoken);
    for (int i = 0; i <= index; ++i)
        if (row[i].kind != RowItem::Empty)
            total += t.say(row[i].spoken) + t.interval;
    return total;
}

double expectedGain(const Row &row, QStringView before, int wordStart, const RowCosts &costs)
{
    if (row[0].kind == RowItem::Empty)
        return 0;
    const double pass = costs.timing.say(row[0].spoken) + costs.timing.interval;
    double gain = -pass;
    for (int i = 0; i < kRowPlaces; ++i) {
        const RowItem &item = row[i];
        if (item.kind != RowItem::Completion && item.kind != RowItem::Phrase)
            continue;
        const double typing = typingTime(costs, before, addedBy(before, written(item, before, wordStart)));
        gain += item.completion.probability * (typing - (rowTime(row, i, costs.timing) - pass));
    }
    return gain;
}

input::ScanGroup rowGroup(const Row &row, int frame)
{
    input::ScanGroup g;
    g.column = frame;
    for (int i = 0; i < kRowPlaces; ++i) {
        if (row[i].kind == RowItem::Empty)
            continue;
        if (g.places.empty())
            g.name = row[i].spoken;
        g.places.push_back(input::kFirstWord + i);
    }
    return g;
}

void placeRow(input::ScanOrder &order, const Row &row, QStringView before, int wordStart, const RowCosts &costs,
              int frame)
{
    input::ScanGroup g = rowGroup(row, frame);
    if (g.places.empty())
        return;
    if (expectedGain(row, before, wordStart, costs) > kOfferMargin * costs.timing.interval)
        order.insert(order.begin(), std::move(g));
    else
        order.push_back(std::move(g));
}

} // namespace prediction
