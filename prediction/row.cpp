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

double expectedGain(const Row &row, const RowCosts &costs)
{
    double gain = -costs.group;
    for (int i = 0; i < kRowPlaces; ++i)
        if (row[i].kind == RowItem::Completion || row[i].kind == RowItem::Phrase)
            gain += row[i].completion.probability * (row[i].completion.characters * costs.perCharacter - (i + 1));
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

void placeRow(input::ScanOrder &order, const Row &row, const RowCosts &costs, int frame)
{
    input::ScanGroup g = rowGroup(row, frame);
    if (g.places.empty())
        return;
    if (expectedGain(row, costs) > 0)
        order.insert(order.begin(), std::move(g));
    else
        order.push_back(std::move(g));
}

} // namespace prediction
