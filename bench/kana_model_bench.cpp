// The kana model measured: bits per symbol and per character on held-out
// text for each order and smoothing tried, the word spaces of the training
// text kept or dropped, the adaptation to a month of one person's diary, the
// load time and memory of the built model file, and the user's model at its
// size limit.
//   kana_model_bench [MODEL_FILE]
#include "bench/kanadata.h"
#include "prediction/adaptation.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cmath>

using namespace prediction;
using kanabench::Texts;

namespace {

using kanabench::Model;
using kanabench::Score;
using kanabench::evaluate;

Model baseModel(const KanaModel &m)
{
    return [&m](const History &h) { return m.next(h); };
}

long rssKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return -1;
}

void cell(const Score &s)
{
    std::printf(" %.2f / %.2f |", s.perSymbol(), s.perCharacter());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const long rssAtStart = rssKiB();
    const QString modelPath = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(MOJIPOT_MODEL_FILE);

    // Load first, in a process that has read nothing else yet.
    QElapsedTimer timer;
    timer.start();
    QString error;
    const KanaModel shipped = KanaModel::load(modelPath, &error);
    const double firstLoadMs = timer.nsecsElapsed() / 1e6;
    const long rssAfterLoad = rssKiB();
    if (shipped.isEmpty()) {
        std::fprintf(stderr, "cannot load %s: %s\n", qPrintable(modelPath), qPrintable(error));
        return 1;
    }
    std::vector<double> loads;
    for (int i = 0; i < 21; ++i) {
        timer.restart();
        const KanaModel again = KanaModel::load(modelPath);
        loads.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(loads.begin(), loads.end());
    std::printf("## Model file %s\n\n", qPrintable(modelPath));
    std::printf("order %d, %llu symbols counted, %zu nodes, %lld bytes\n", shipped.order(),
                static_cast<unsigned long long>(shipped.table().symbolsCounted()), shipped.table().nodeCount(),
                static_cast<long long>(QFile(modelPath).size()));
    std::printf("load: first %.2f ms, then median %.2f ms, worst %.2f ms (21 loads)\n", firstLoadMs,
                loads[loads.size() / 2], loads.back());
    std::printf("resident memory: %.1f MiB before, %.1f MiB after the first load (+%.1f MiB)\n\n",
                rssAtStart / 1024.0, rssAfterLoad / 1024.0, (rssAfterLoad - rssAtStart) / 1024.0);

    const kanabench::Data d = kanabench::load();
    const Texts train = kanabench::joinTexts({&d.everydayTrain, &d.dasherTrain});
    const Texts trainSpaced = kanabench::joinTexts({&d.everydayTrain, &d.dasherTrainSpaced});
    long trainSymbols = 0;
    for (const auto &t : train)
        trainSymbols += long(std::count_if(t.begin(), t.end(), [](Symbol s) { return s != kBreak; }));
    std::printf("## Bits per symbol / per character on held-out text\n\n");
    std::printf("Training: %lld everyday sentences and dasher-data's text less its held-out lines (%ld symbols).\n"
                "Held out: %lld everyday sentences, %zu blocks of dasher-data's text, %lld readings of "
                "kanji_sentences.tsv.\n\n",
                static_cast<long long>(d.everydayTrain.size()), trainSymbols,
                static_cast<long long>(d.everydayHeld.size()), d.dasherHeld.size(),
                static_cast<long long>(d.readings.size()));
    std::printf("| Order | Smoothing | Everyday | dasher-data | Kanji readings | Nodes |\n|---|---|---|---|---|---|\n");
    for (const Smoothing sm : {Smoothing::KneserNey, Smoothing::ModifiedKneserNey}) {
        for (int order = 2; order <= 7; ++order) {
            const KanaModel m(NgramTable::build(train, order, sm));
            std::printf("| %d | %s |", order, sm == Smoothing::KneserNey ? "KN" : "modified KN");
            cell(evaluate(baseModel(m), d.everydayHeld, order));
            cell(evaluate(baseModel(m), d.dasherHeld, order));
            cell(evaluate(baseModel(m), d.readings, order));
            std::printf(" %zu |\n", m.table().nodeCount());
        }
    }

    const int order = shipped.order();
    std::printf("\n## Word spaces of dasher-data's text (order %d, modified KN)\n\n", order);
    std::printf("| Training text | Everyday | dasher-data (as trained) | Kanji readings |\n|---|---|---|---|\n");
    {
        const KanaModel dropped(NgramTable::build(train, order));
        const KanaModel kept(NgramTable::build(trainSpaced, order));
        std::printf("| spaces dropped |");
        cell(evaluate(baseModel(dropped), d.everydayHeld, order));
        cell(evaluate(baseModel(dropped), d.dasherHeld, order));
        cell(evaluate(baseModel(dropped), d.readings, order));
        std::printf("\n| spaces kept |");
        cell(evaluate(baseModel(kept), d.everydayHeld, order));
        cell(evaluate(baseModel(kept), d.dasherHeldSpaced, order));
        cell(evaluate(baseModel(kept), d.readings, order));
        std::printf("\n");
    }

    // A month of one person's diary: days 1-22 adapt, days 23-30 are written next.
    const KanaModel base(NgramTable::build(train, order));
    const Texts history = kanabench::monthDays(d, true);
    const Texts later = kanabench::monthDays(d, false);
    std::vector<UserText> userTexts;
    for (const auto &t : history)
        userTexts.push_back({QString(), QDateTime(), t});
    std::vector<const UserText *> pointers;
    for (const UserText &t : userTexts)
        pointers.push_back(&t);
    const NgramTable user = userTable(pointers, order, Adaptation::kMaxUserSymbols);
    std::printf("\n## Adaptation to a month of one person's diary (%llu symbols of history)\n\n",
                static_cast<unsigned long long>(user.symbolsCounted()));
    std::printf("| Weights: symbols for half, context count for half, shortest context | Later days | Everyday |\n"
                "|---|---|---|\n");
    std::printf("| none (the built model alone) |");
    cell(evaluate(baseModel(base), later, order));
    cell(evaluate(baseModel(base), d.everydayHeld, order));
    std::printf("\n");
    AdaptationWeights best;
    double bestBits = 1e9;
    for (const double half : {2000.0, 5000.0, 20000.0, 1e12}) {
        for (const double ctx : {0.0, 0.5, 1.5, 4.0}) {
            for (const int depth : {1, 2, 3}) {
                if (ctx == 0 && depth > 1)
                    continue;
                AdaptationWeights w{half, ctx, ctx == 0 ? 99 : depth};
                const Model m = [&](const History &h) { return adapted(base, &user, h, w); };
                const Score s = evaluate(m, later, order);
                if (s.perSymbol() < bestBits) {
                    bestBits = s.perSymbol();
                    best = w;
                }
                std::printf("| %s, %s, %s |", half > 1e11 ? "—" : qPrintable(QString::number(half)),
                            ctx == 0 ? "—" : qPrintable(QString::number(ctx)),
                            ctx == 0 ? "—" : qPrintable(QString::number(depth)));
                cell(s);
                cell(evaluate(m, d.everydayHeld, order));
                std::printf("\n");
            }
        }
    }
    std::printf("\nbest on the later days: %g, %g, %d\n", best.symbolsForHalf, best.contextForHalf, best.minDepth);

    const AdaptationWeights chosen;
    std::printf("\n## Held-out sets without and with the month of history (weights %g, %g, %d)\n\n",
                chosen.symbolsForHalf, chosen.contextForHalf, chosen.minDepth);
    std::printf("| Set | Without | With |\n|---|---|---|\n");
    const Model adaptedModel = [&](const History &h) { return adapted(base, &user, h, chosen); };
    const std::pair<const char *, const Texts *> sets[] = {
        {"Everyday (held out)", &d.everydayHeld}, {"dasher-data (held out)", &d.dasherHeld},
        {"Kanji readings", &d.readings}, {"The person's later days", &later}};
    for (const auto &[name, texts] : sets) {
        std::printf("| %s |", name);
        cell(evaluate(baseModel(base), *texts, order));
        cell(evaluate(adaptedModel, *texts, order));
        std::printf("\n");
    }

    // The user's model at its limit: the training text over and over.
    std::vector<UserText> big;
    std::size_t symbols = 0;
    for (int round = 0; symbols < Adaptation::kMaxUserSymbols; ++round)
        for (const auto &t : train) {
            std::vector<Symbol> shifted = t;
            // Each round written a little differently, so that it is not one text counted again.
            for (Symbol &s : shifted)
                if (s < kSymbolCount && round > 0 && s % (round + 1) == 0)
                    s = Symbol((s + round) % kSymbolCount);
            symbols += shifted.size();
            big.push_back({QString(), QDateTime(), std::move(shifted)});
        }
    std::vector<const UserText *> bigPointers;
    for (const UserText &t : big)
        bigPointers.push_back(&t);
    const long rssBefore = rssKiB();
    timer.restart();
    const NgramTable full = userTable(bigPointers, order, Adaptation::kMaxUserSymbols);
    const double buildMs = timer.nsecsElapsed() / 1e6;
    std::printf("\n## The user's model at its limit\n\n%llu symbols: counted in %.0f ms (on the background "
                "thread), %zu nodes = %.1f MiB (resident +%.1f MiB)\n",
                static_cast<unsigned long long>(full.symbolsCounted()), buildMs, full.nodeCount(),
                full.nodeCount() * sizeof(NgramTable::Node) / 1048576.0, (rssKiB() - rssBefore) / 1024.0);
    return 0;
}
