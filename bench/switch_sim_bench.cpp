// A one-switch user simulated on the scan (bench/switchsim.h): highlights,
// presses and seconds per character on the held-out texts, in the board's
// order (the program's scan) and in two orders driven by the kana model,
// which the program does not offer yet (simulated orders, run on ListScan).
//   switch_sim_bench [SEED [LATE_SHARE [MEDIAN_REACTION_MS]]]
#include "app/compositionrules.h"
#include "bench/kanadata.h"
#include "bench/switchsim.h"
#include "input/switchinput.h"
#include "prediction/adaptation.h"

#include <QCoreApplication>
#include <cstdio>

using namespace prediction;
using namespace switchsim;

namespace {

using ModelFn = std::function<Distribution(const QString &)>;

OfferedGroup column(int c, bool shortNames, const input::Reachable &scannable)
{
    // A short name: the column's first kana in the decision voice, which no
    // highlighted key uses (the kana columns only).
    if (shortNames && c >= 1 && c <= 10)
        return {composition::spokenFor(5 * c - 4, keys::table()[5 * c - 4].caption, readings::table()), 2,
                boardKeys(c, scannable)};
    return {input::boardOrder()[c].name, 1, boardKeys(c, scannable)};
}

// Order 1: the board's order, "よむ" first.
class BoardOrder : public GroupOrder
{
public:
    std::vector<OfferedGroup> groups(const QString &, const input::Reachable &scannable) const override
    {
        std::vector<OfferedGroup> out;
        for (int g = 0; g < int(input::boardOrder().size()); ++g)
            out.push_back(column(g, false, scannable));
        return out;
    }
};

std::vector<int> entryKeys(const input::Reachable &scannable)
{
    std::vector<int> out;
    for (int tag = 1; tag <= kSymbolCount; ++tag)
        if (scannable.test(tag))
            out.push_back(tag);
    return out;
}

std::vector<int> tagsOf(const std::vector<RankedKey> &ranked)
{
    std::vector<int> out;
    for (const RankedKey &k : ranked)
        out.push_back(k.tag);
    return out;
}

// Order 2 (simulated): "よそく", the five likeliest keys, then the columns in
// the board's order, "よむ" last.
class LikelyFirst : public GroupOrder
{
public:
    LikelyFirst(ModelFn model, bool shortNames, bool deleteSecond = false)
        : m_model(std::move(model)), m_short(shortNames), m_deleteSecond(deleteSecond)
    {
    }
    std::vector<OfferedGroup> groups(const QString &before, const input::Reachable &scannable) const override
    {
        std::vector<int> likely = tagsOf(rankKeys(m_model(before), entryKeys(scannable)));
        likely.resize(std::min<std::size_t>(likely.size(), 5));
        std::vector<OfferedGroup> out{{QStringLiteral("よそく"), 1, likely}};
        if (m_deleteSecond)
            out.push_back(column(13, false, scannable));
        for (int c = 1; c < int(input::boardOrder().size()) - (m_deleteSecond ? 1 : 0); ++c)
            out.push_back(column(c, m_short, scannable));
        out.push_back(column(0, false, scannable));
        return out;
    }

private:
    ModelFn m_model;
    bool m_short;
    bool m_deleteSecond;
};

// Order 3 (simulated): the columns with kana, space and new line by how
// likely their keys are, and their keys likeliest first; then the "けす"
// column, then "よむ".
class Adapted : public GroupOrder
{
public:
    Adapted(ModelFn model, bool shortNames) : m_model(std::move(model)), m_short(shortNames) {}
    std::vector<OfferedGroup> groups(const QString &before, const input::Reachable &scannable) const override
    {
        const Distribution p = m_model(before);
        std::vector<std::pair<double, OfferedGroup>> cols;
        for (int c = 1; c <= 12; ++c) {
            OfferedGroup g = column(c, m_short, scannable);
            double sum = 0;
            for (const RankedKey &k : rankKeys(p, g.keys))
                sum += k.probability;
            g.keys = tagsOf(rankKeys(p, g.keys));
            cols.emplace_back(sum, std::move(g));
        }
        std::stable_sort(cols.begin(), cols.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
        std::vector<OfferedGroup> out;
        for (auto &c : cols)
            out.push_back(std::move(c.second));
        out.push_back(column(13, false, scannable));
        out.push_back(column(0, false, scannable));
        return out;
    }

private:
    ModelFn m_model;
    bool m_short;
};

Result run(const std::function<std::unique_ptr<Scan>()> &makeScan, const kanabench::Texts &texts,
           const Lengths &lengths, const UserModel &user, unsigned seed)
{
    // Five runs over the texts, each with its own draws, so that a figure is
    // not the luck of one run's late presses.
    Result total;
    for (unsigned run = 0; run < 5; ++run) {
    std::mt19937 random(seed + run);
    for (const auto &t : texts) {
        // Each text from an empty display; phrase breaks are not written.
        std::vector<Symbol> target;
        for (const Symbol s : t)
            if (s != kBreak)
                target.push_back(s);
        if (target.empty())
            continue;
        const std::unique_ptr<Scan> scan = makeScan();
        total += write(*scan, target, lengths, user, random);
    }
    }
    return total;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const unsigned seed = argc > 1 ? unsigned(std::atoi(argv[1])) : 20261207u;
    Lengths lengths;
    if (!lengths.read(QStringLiteral(MOJIPOT_SOURCE_DIR "/bench/data/announcements.tsv"))) {
        std::fprintf(stderr, "cannot read bench/data/announcements.tsv\n");
        return 1;
    }
    const kanabench::Data d = kanabench::load();
    const KanaModel base(NgramTable::build(kanabench::joinTexts({&d.everydayTrain, &d.dasherTrain}), 5));
    std::vector<UserText> history;
    for (const auto &t : kanabench::monthDays(d, true))
        history.push_back({QString(), QDateTime(), t});
    std::vector<const UserText *> pointers;
    for (const UserText &t : history)
        pointers.push_back(&t);
    const NgramTable user = userTable(pointers, base.order(), Adaptation::kMaxUserSymbols);

    input::Reachable scannable = input::allShown();
    scannable.reset(keys::kBlank1); // blank keys are not offered
    scannable.reset(keys::kBlank2);
    UserModel person;
    if (argc > 2)
        person.lateShare = std::atof(argv[2]);
    if (argc > 3)
        person.medianReaction = std::atof(argv[3]);

    const ModelFn plain = [&](const QString &before) { return base.next(before); };
    const ModelFn adaptedFn = [&](const QString &before) {
        return adapted(base, &user, base.historyOf(before), AdaptationWeights{});
    };
    const BoardOrder board;

    // The list scan follows the program's scan exactly on the board's order.
    {
        const Result a = run([&] { return programScan(scannable); }, d.everydayHeld, lengths, person, seed);
        const Result b = run([&] { return listScan(board, scannable); }, d.everydayHeld, lengths, person, seed);
        const bool same = a.highlights == b.highlights && a.presses == b.presses && a.ms == b.ms;
        std::printf("ListScan on the board's order agrees with input::SwitchScan: %s\n\n", same ? "yes" : "NO");
        if (!same)
            return 1;
    }

    std::printf("間隔 %.0f ms, 最初の待ち %.0f ms, 受け付けない時間 %.0f ms; reaction log-normal, median %.0f ms, "
                "sigma %.2f; %.0f %% of presses late; five runs from seed %u\n\n",
                person.interval, person.firstWait, person.ignore, person.medianReaction, person.reactionSigma,
                person.lateShare * 100, seed);
    std::printf("| Set | Order | Highlights / char | Presses / char | Seconds / char | Share of order 1 | Late; "
                "けす; 全部消す; dialogs |\n|---|---|---|---|---|---|---|\n");

    const kanabench::Texts later = kanabench::monthDays(d, false);
    // dasher-data's held-out blocks sentence by sentence, each from an empty display.
    kanabench::Texts dasherSentences;
    for (const auto &block : d.dasherHeld) {
        std::vector<Symbol> sentence;
        for (const Symbol s : block) {
            sentence.push_back(s);
            if (s == kFullStop) {
                dasherSentences.push_back(std::move(sentence));
                sentence.clear();
            }
        }
        if (!sentence.empty())
            dasherSentences.push_back(std::move(sentence));
    }
    const kanabench::Texts thanks = {reduce(QStringLiteral("ありがとう。"))};
    struct Set
    {
        const char *name;
        const kanabench::Texts *texts;
        bool adaptedModel;
    };
    const Set sets[] = {{"ありがとう。", &thanks, false},
                        {"Everyday (held out)", &d.everydayHeld, false},
                        {"dasher-data (held out)", &dasherSentences, false},
                        {"Kanji readings", &d.readings, false},
                        {"Later days, no history", &later, false},
                        {"Later days, with the month", &later, true}};
    for (const Set &set : sets) {
        const ModelFn &model = set.adaptedModel ? adaptedFn : plain;
        const LikelyFirst o2Long(model, false), o2Short(model, true), o2Delete(model, true, true);
        const Adapted o3Long(model, false), o3Short(model, true);
        struct Variant
        {
            const char *name;
            const GroupOrder *order;
            bool backToFirst;
        };
        const Variant orders[] = {{"1 (board)", nullptr, false},
                                  {"2 simulated, long names", &o2Long, false},
                                  {"2 simulated, short names", &o2Short, false},
                                  {"2 simulated, short names, もどる to the first group", &o2Short, true},
                                  {"2 simulated, short names, もどる to the first group, けすのれつ second", &o2Delete, true},
                                  {"3 simulated, long names", &o3Long, false},
                                  {"3 simulated, short names", &o3Short, false},
                                  {"3 simulated, short names, もどる to the first group", &o3Short, true}};
        double first = 0;
        for (const auto &[name, order, backToFirst] : orders) {
            const auto make = [&, order = order, back = backToFirst]() {
                return order ? listScan(*order, scannable, back) : programScan(scannable);
            };
            // The single sentence twenty times, so that its figure is not one draw.
            kanabench::Texts texts = *set.texts;
            if (set.texts == &thanks)
                texts.assign(20, thanks.front());
            const Result r = run(make, texts, lengths, person, seed);
            const double perChar = r.ms / 1000.0 / r.characters;
            if (!order)
                first = perChar;
            std::printf("| %s | %s | %.2f | %.2f | %.2f | %.0f %% | %ld; %ld; %ld; %ld |\n", set.name, name,
                        double(r.highlights) / r.characters, double(r.presses) / r.characters, perChar,
                        100 * perChar / first, r.late, r.corrections, r.cleared, r.dialogs);
            if (r.unfinished)
                std::printf("(%ld texts given up)\n", r.unfinished);
        }
    }
    return 0;
}
