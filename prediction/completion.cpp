#include "prediction/completion.h"

#include <algorithm>
#include <array>

namespace prediction {

double phraseEnd(const Distribution &d)
{
    double end = 0;
    for (int s = 0; s < kSymbolCount; ++s)
        if (endsPhrase(Symbol(s)))
            end += d[s];
    return end;
}

namespace {

// A conversion's reading need not end a phrase: its text is a phrase of
// its own, so only this share of its probability is counted for the end.
constexpr double kConversionEndShare = 0.5;
constexpr double kPredictedShare = 0.1;

std::string bytesOf(const std::vector<Symbol> &symbols)
{
    return std::string(symbols.begin(), symbols.end());
}

int charactersIn(const std::vector<Symbol> &symbols)
{
    return int(std::count_if(symbols.begin(), symbols.end(),
                             [](Symbol s) { return s != kVoiced && s != kSemiVoiced; }));
}

History pushed(History h, Symbol s, int length)
{
    h.symbols.push_back(s);
    if (int(h.symbols.size()) > length) {
        h.symbols.erase(h.symbols.begin());
        h.atStart = false;
    }
    return h;
}

bool startsWith(const std::vector<Symbol> &symbols, const std::vector<Symbol> &prefix)
{
    return symbols.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), symbols.begin());
}

// Gathers the completions found, one for each text: the likeliest way the
// model gives it, and its share among the user's pieces.
class Found
{
public:
    Found(const CompletionSources &sources, const History &start, const CompletionLimits &limits)
        : m_sources(sources), m_start(start), m_limits(limits)
    {
    }

    // The probability that the text goes on with `added` (and a phrase end,
    // times `endShare`).
    double walk(const std::vector<Symbol> &added, double endShare) const
    {
        History h = m_start;
        double p = 1;
        for (const Symbol s : added) {
            p *= m_sources.next(h)[s];
            h = pushed(h, s, m_sources.contextLength);
            if (p <= 0)
                return 0;
        }
        return p * (endShare >= 1 ? phraseEnd(m_sources.next(h)) : endShare);
    }

    void add(const QString &text, const QString &reading, double probability, int characters, bool converted,
             double pieceShare = 0)
    {
        if (characters < m_limits.minCharacters || (probability <= 0 && pieceShare <= 0))
            return;
        Entry &e = m_byText[text];
        if (probability > e.c.probability || e.c.text.isEmpty())
            e.c = {text, reading, std::max(probability, e.c.probability), characters, converted};
        e.pieceShare = std::max(e.pieceShare, pieceShare);
    }

    // Best first; `trust` is how far the user's pieces count over the model.
    std::vector<Completion> best(double trust) const
    {
        std::vector<std::pair<double, Completion>> scored;
        for (const Entry &e : m_byText) {
            Completion c = e.c;
            if (!c.converted)
                c.probability = (1 - trust) * c.probability + trust * e.pieceShare;
            const int chosen = m_sources.chosen ? m_sources.chosen->value(c.text) : 0;
            if (c.probability * (1 + chosen) >= m_limits.minProbability)
                scored.emplace_back(c.probability * c.characters * (1 + chosen), c);
        }
        std::stable_sort(scored.begin(), scored.end(), [](const auto &a, const auto &b) {
            return a.first != b.first ? a.first > b.first : a.second.text < b.second.text;
        });
        std::vector<Completion> out;
        for (auto &s : scored)
            if (int(out.size()) < m_limits.places)
                out.push_back(std::move(s.second));
        return out;
    }

private:
    struct Entry
    {
        Completion c;
        double pieceShare = 0;
    };
    const CompletionSources &m_sources;
    History m_start;
    const CompletionLimits &m_limits;
    QHash<QString, Entry> m_byText;
};

// The words chosen before that may go on from the word as written (its
// last kana may still take a voicing mark), most often chosen first.
QStringList chosenFrom(const QHash<QString, int> &chosen, QStringView word, std::size_t limit)
{
    const QStringView fixed = word.chopped(std::min<qsizetype>(1, word.size()));
    std::vector<std::pair<int, QString>> hits;
    for (auto it = chosen.cbegin(); it != chosen.cend(); ++it)
        if (it.key().startsWith(fixed))
            hits.emplace_back(it.value(), it.key());
    const auto kept = hits.begin() + std::min(hits.size(), limit);
    std::partial_sort(hits.begin(), kept, hits.end(), [](const auto &a, const auto &b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    QStringList out;
    for (auto it = hits.begin(); it != kept; ++it)
        out << it->second;
    return out;
}

// The likeliest ways on from the start, a beam of them kept at each step;
// each that has written enough is a completion with the probability that a
// phrase ends after it.
void search(const CompletionSources &sources, const History &start, const std::vector<Symbol> &stem,
            const CompletionLimits &limits, Found &found)
{
    struct Way
    {
        std::vector<Symbol> added;
        double p;
        History h;
    };
    std::vector<Way> beam{{{}, 1.0, start}};
    for (int depth = 0; depth <= limits.maxSymbols && !beam.empty(); ++depth) {
        struct Step
        {
            double p;
            int way;
            Symbol s;
        };
        std::vector<Step> steps;
        for (int w = 0; w < int(beam.size()); ++w) {
            const Way &way = beam[w];
            const Distribution d = sources.next(way.h);
            if (charactersIn(way.added) >= limits.minCharacters) {
                std::vector<Symbol> all = stem;
                all.insert(all.end(), way.added.begin(), way.added.end());
                const QString text = textOf(all);
                found.add(text, text, way.p * phraseEnd(d), charactersIn(way.added), false);
            }
            if (depth == limits.maxSymbols)
                continue;
            for (int s = 0; s < kSymbolCount; ++s)
                if (!endsPhrase(Symbol(s)) && way.p * d[s] >= limits.minProbability)
                    steps.push_back({way.p * d[s], w, Symbol(s)});
        }
        const auto kept = steps.begin() + std::min<std::ptrdiff_t>(steps.size(), limits.beam);
        std::partial_sort(steps.begin(), kept, steps.end(), [](const Step &a, const Step &b) { return a.p > b.p; });
        std::vector<Way> next;
        for (auto it = steps.begin(); it != kept; ++it) {
            Way way{beam[it->way].added, it->p, pushed(beam[it->way].h, it->s, sources.contextLength)};
            way.added.push_back(it->s);
            next.push_back(std::move(way));
        }
        beam = std::move(next);
    }
}

} // namespace

bool endsPhrase(Symbol s)
{
    return s == kComma || s == kFullStop || s == kSpace || s == kNewLine;
}

QString textOf(const std::vector<Symbol> &symbols)
{
    QString out;
    for (const Symbol s : symbols) {
        if (s == kVoiced || s == kSemiVoiced) {
            if (out.isEmpty())
                continue;
            const QChar last = out.back();
            out.chop(1);
            out += (QString(last) + QChar(s == kVoiced ? 0x3099 : 0x309A)).normalized(QString::NormalizationForm_C);
            continue;
        }
        if (s < kSymbolCount)
            out += symbolText(s);
    }
    return out;
}

bool isWordCharacter(QChar c)
{
    static const std::array<bool, 0x60> hiragana = [] {
        std::array<bool, 0x60> t{};
        for (char16_t u = 0x3041; u < 0x30A0; ++u) {
            const std::vector<Symbol> s = reduce(QString(QChar(u)));
            const bool inWord = !s.empty() && std::none_of(s.begin(), s.end(), [](Symbol x) {
                return x == kBreak || endsPhrase(x);
            });
            t[u - 0x3040] = inWord && textOf(s) == QString(QChar(u));
        }
        return t;
    }();
    const char16_t u = c.unicode();
    if (u == u'ー')
        return true;
    return u >= 0x3040 && u < 0x30A0 && hiragana[u - 0x3040];
}

int wordStart(QStringView text, int insertion, int anchor)
{
    int i = std::clamp(insertion, 0, int(text.size()));
    while (i > anchor && isWordCharacter(text[i - 1]))
        --i;
    return i;
}

bool atSentenceStart(QStringView text, int insertion)
{
    if (insertion <= 0 || insertion > text.size())
        return insertion <= 0;
    const QChar c = text[insertion - 1];
    return c == u'。' || c == u'\n' || c == u'\r' || c == QChar(0x2028) || c == QChar(0x2029);
}

namespace {
constexpr char kContextMark = char(0xFE); // between a context and its piece; no symbol
} // namespace

void Lexicon::add(const std::vector<Symbol> &text)
{
    std::vector<Symbol> piece, context;
    bool afterEnd = false; // the context's phrase ends are being gathered
    const auto flush = [&] {
        if (piece.size() >= 2 && piece.size() <= kMaxPieceSymbols) {
            ++m_counts[bytesOf(piece)];
            ++m_after[bytesOf(context) + kContextMark + bytesOf(piece)];
            ++m_contextTotals[bytesOf(context)];
            ++m_total;
        }
        if (!piece.empty()) {
            context = piece;
            afterEnd = true;
        }
        piece.clear();
    };
    for (const Symbol s : text) {
        if (s == kBreak) {
            flush();
            context.clear();
            afterEnd = false;
        } else if (endsPhrase(s)) {
            flush();
            if (afterEnd && context.size() < kMaxPieceSymbols + 4)
                context.push_back(s);
        } else {
            afterEnd = false;
            piece.push_back(s);
        }
    }
    flush();
}

std::vector<Symbol> Lexicon::contextOf(const std::vector<Symbol> &before)
{
    auto it = before.end();
    while (it != before.begin() && endsPhrase(*(it - 1)))
        --it;
    const auto ends = it;
    while (it != before.begin() && *(it - 1) != kBreak && !endsPhrase(*(it - 1)))
        --it;
    if (it == ends && ends != before.begin())
        return {}; // a break before the word
    return std::vector<Symbol>(it, before.end());
}

int Lexicon::count(const std::vector<Symbol> &piece) const
{
    const auto it = m_counts.find(bytesOf(piece));
    return it == m_counts.end() ? 0 : it->second;
}

int Lexicon::countAfter(const std::vector<Symbol> &context, const std::vector<Symbol> &piece) const
{
    const auto it = m_after.find(bytesOf(context) + kContextMark + bytesOf(piece));
    return it == m_after.end() ? 0 : it->second;
}

int Lexicon::totalAfter(const std::vector<Symbol> &context) const
{
    const auto it = m_contextTotals.find(bytesOf(context));
    return it == m_contextTotals.end() ? 0 : it->second;
}

Lexicon::Pieces Lexicon::find(const std::map<std::string, int> &counts, const std::string &key, std::size_t skip,
                              std::size_t limit)
{
    Pieces out;
    std::vector<std::pair<int, std::string>> hits;
    for (auto it = counts.lower_bound(key); it != counts.end() && it->first.starts_with(key); ++it) {
        out.total += it->second;
        if (it->first.size() > key.size())
            hits.emplace_back(it->second, it->first.substr(skip));
    }
    const auto kept = hits.begin() + std::min(hits.size(), limit);
    std::partial_sort(hits.begin(), kept, hits.end(), [](const auto &a, const auto &b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    for (auto it = hits.begin(); it != kept; ++it)
        out.longer.emplace_back(std::vector<Symbol>(it->second.begin(), it->second.end()), it->first);
    return out;
}

Lexicon::Pieces Lexicon::continuing(const std::vector<Symbol> &prefix, std::size_t limit) const
{
    return find(m_counts, bytesOf(prefix), 0, limit);
}

Lexicon::Pieces Lexicon::continuingAfter(const std::vector<Symbol> &context, const std::vector<Symbol> &prefix,
                                         std::size_t limit) const
{
    const std::string head = bytesOf(context) + kContextMark;
    return find(m_after, head + bytesOf(prefix), head.size(), limit);
}

std::vector<Completion> complete(const CompletionSources &sources, QStringView before, int wordStart,
                                 const CompletionLimits &limits)
{
    if (!sources.next)
        return {};
    wordStart = std::clamp(wordStart, 0, int(before.size()));
    const std::vector<Symbol> stem = reduce(before.mid(wordStart));
    const History start = historyOf(before, sources.contextLength);
    Found found(sources, start, limits);
    search(sources, start, stem, limits, found);

    const auto offer = [&](const std::vector<Symbol> &all, const QString &text, double endShare, bool converted,
                           double pieceShare = 0) {
        if (all.size() <= stem.size() || !startsWith(all, stem))
            return;
        const std::vector<Symbol> added(all.begin() + stem.size(), all.end());
        // A converted text also spares the presses that convert it.
        found.add(converted ? text : textOf(all), textOf(all), found.walk(added, endShare),
                  charactersIn(added) + (converted ? 1 : 0), converted, pieceShare);
    };
    // The user's pieces after the same context when they wrote any, else
    // all their pieces; trusted as far as they wrote from here.
    double trust = 0;
    if (sources.lexicon) {
        const std::size_t limit = std::size_t(limits.lexiconPieces);
        Lexicon::Pieces pieces;
        if (const auto context = Lexicon::contextOf(reduce(before.left(wordStart).right(2 * Lexicon::kMaxPieceSymbols)));
            !context.empty())
            pieces = sources.lexicon->continuingAfter(context, stem, limit);
        if (pieces.total == 0)
            pieces = sources.lexicon->continuing(stem, limit);
        trust = pieces.total / (pieces.total + limits.repeatsForHalf);
        for (const auto &[piece, count] : pieces.longer)
            offer(piece, QString(), 1, false, double(count) / pieces.total);
    }
    if (sources.chosen)
        for (const QString &word : chosenFrom(*sources.chosen, before.mid(wordStart), std::size_t(limits.lexiconPieces)))
            offer(reduce(word), QString(), 1, false);
    int conversions = 0;
    for (const auto &[reading, text] : sources.conversions) {
        if (stem.empty() || conversions >= limits.lexiconPieces)
            break;
        // Its first characters alone first: most readings go another way.
        if (!startsWith(reduce(QStringView(reading).left(before.size() - wordStart)), stem))
            continue;
        ++conversions;
        offer(reduce(reading), text, kConversionEndShare, text != reading);
    }
    // The engine's words, weighed as the user's conversions are: a word is
    // as likely as its reading. The word as written, converted, spares
    // "へんかん" and "かくてい": it takes a place the completions leave free.
    for (const auto &[reading, text] : sources.engineWords) {
        if (stem.empty() || text == reading)
            continue;
        if (reduce(reading) == stem)
            found.add(text, reading, limits.minProbability, 2, true);
        else
            offer(reduce(reading), text, kConversionEndShare, true);
    }
    // The engine's predictions: its first as likely as one word in ten at
    // least, the next ones less; the reading as written counts as two
    // characters, as the word as written converted does.
    for (qsizetype i = 0; i < sources.predicted.size(); ++i) {
        const auto &[reading, text] = sources.predicted[i];
        const std::vector<Symbol> all = reduce(reading);
        if (stem.empty() || text == reading || all.size() < stem.size() || !startsWith(all, stem))
            continue;
        const std::vector<Symbol> added(all.begin() + stem.size(), all.end());
        found.add(text, reading, std::max(found.walk(added, kConversionEndShare), kPredictedShare / double(i + 1)),
                  std::max(2, charactersIn(added) + 1), true);
    }
    return found.best(trust);
}

double likelihoodOf(const CompletionSources &sources, QStringView before, const QString &text,
                    const CompletionLimits &limits)
{
    constexpr double kUnwritable = 0.01; // a character the model cannot weigh
    if (!sources.next)
        return 0;
    const QStringView weighed = QStringView(text).left(kWeighedCharacters);
    const std::vector<Symbol> symbols = reduce(weighed);
    History h = historyOf(before, sources.contextLength);
    double p = 1;
    for (const QChar c : weighed) // kanji and the like, which reduce to a break or to nothing
        if (const std::vector<Symbol> one = reduce(QString(c)); one.empty() || one.front() == kBreak)
            p *= kUnwritable;
    for (const Symbol s : symbols) {
        if (s == kBreak) {
            h = {{}, true};
            continue;
        }
        p *= sources.next(h)[s];
        h = pushed(h, s, sources.contextLength);
    }
    if (!sources.lexicon || weighed.size() < text.size()) // longer than any piece of the user's
        return p;
    // The piece it writes (its phrase ends left off), among the user's.
    std::vector<Symbol> piece = symbols;
    while (!piece.empty() && endsPhrase(piece.back()))
        piece.pop_back();
    const std::vector<Symbol> context =
        Lexicon::contextOf(reduce(before.right(2 * Lexicon::kMaxPieceSymbols)));
    const Lexicon &l = *sources.lexicon;
    const bool after = !context.empty() && l.totalAfter(context) > 0;
    const int total = after ? l.totalAfter(context) : l.total();
    if (total == 0)
        return p;
    const double trust = total / (total + limits.repeatsForHalf);
    const int count = after ? l.countAfter(context, piece) : l.count(piece);
    return (1 - trust) * p + trust * double(count) / total;
}

CompletionEdit editFor(QStringView word, const QString &completionText)
{
    int keep = 0;
    while (keep < word.size() && keep < completionText.size() && word[keep] == completionText[keep])
        ++keep;
    return {keep, completionText.mid(keep)};
}

} // namespace prediction
