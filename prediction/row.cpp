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

double rowTime(const Row &row, int index, const ScanTiming &t)
{
    double total = t.say(row[0].spoken) + t.interval + 2 * t.firstWait + t.say(row[index].spoken);
    for (int i = 0; i <= index; ++i)
        if (row[i].kind != RowItem::Empty)
            total += t.say(row[i].spoken) + t.interval;
    return total;
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

} // namespace prediction
