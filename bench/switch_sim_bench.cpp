// A one-switch user simulated on the program's scan (bench/switchsim.h):
// highlights, presses and seconds per character on the held-out texts, in
// each of the program's orders (prediction/scanorders.h) and in variants of
// them, each beside order 1 measured in the same run, with the model's bits
// per symbol and per character for the same texts.
//   switch_sim_bench [SEED [LATE_SHARE [MEDIAN_REACTION_MS [RUNS]]]]
//   switch_sim_bench pace [SEED [RUNS]]: the learned pace beside fixed intervals
//   switch_sim_bench kanji [SEED [RUNS]]: the kanji forms of the held-out kanji
//       sentences with conversion on, with the row's kanji words and without
#include "bench/kanadata.h"
#include "bench/kanjisentences.h"
#include "bench/switchsim.h"
#include "input/switchinput.h"
#include "kanji/engine.h"
#include "prediction/adaptation.h"
#include "prediction/phrases.h"
#include "prediction/row.h"
#include "prediction/scanorders.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstring>

using namespace prediction;
using namespace switchsim;

namespace {

constexpr int kRowFrame = 14; // the scan's frame round the row of words

using NextFn = std::function<Distribution(const History &)>;

struct Variant
{
    const char *name;
    int order = 1;
    bool shortNames = false;
    bool backToFirst = false;
    OrderOptions options; // the program's unless said
    bool row = false;     // with the row of words and phrases ("ことばのよそく")
};

OrderOptions readBeforeCommands()
{
    OrderOptions o;
    o.read = ReadAt::BeforeCommands;
    return o;
}

OrderOptions deleteAt(double weight)
{
    OrderOptions o;
    o.deleteWeight = weight;
    return o;
}

Result run(const ScanSetup &setup, const input::Reachable &scannable, const kanabench::Texts &texts,
           const Lengths &lengths, const UserModel &user, unsigned seed, int runs)
{
    // Several runs over the texts, each with its own draws, so that a figure
    // is not the luck of one run's late presses.
    Result total;
    for (int run = 0; run < runs; ++run) {
        std::mt19937 random(seed + unsigned(run));
        for (const auto &target : texts) {
            Scan scan(scannable, setup);
            total += write(scan, target, lengths, user, random);
        }
    }
    return total;
}

// Each text from an empty display; phrase breaks are not written.
kanabench::Texts writable(const kanabench::Texts &texts)
{
    kanabench::Texts out;
    for (const auto &t : texts) {
        std::vector<Symbol> target;
        for (const Symbol s : t)
            if (s != kBreak)
                target.push_back(s);
        if (!target.empty())
            out.push_back(std::move(target));
    }
    return out;
}

// The pace learned from the presses ("はやさ" = 1, "おそいおし" = 1) beside
// fixed intervals, for simulated users of several reaction times, in order 2
// on a held-out set: fixed 1000 ms, learned from 1000 ms, and the best fixed
// interval for that user (300 to 3000 ms); figures over the presses after
// the first 300 of the session, when learning has had its start.
void paceTable(const char *setName, const kanabench::Texts &texts, ScanOrders &orders, const input::Reachable &scannable,
               const Lengths &lengths, unsigned seed, int runs)
{
    struct Person
    {
        const char *name;
        double from, to; // median reaction at the session's start and end
    };
    const Person people[] = {{"0.4 s", 400, 400}, {"0.7 s", 700, 700}, {"1.2 s", 1200, 1200}, {"tiring, 0.5 → 0.9 s", 500, 900}};
    constexpr long kStart = 300;
    struct Outcome
    {
        Result whole, after;
    };
    const auto session = [&](const Person &who, int interval, input::SwitchPace *pace, bool late,
                             std::vector<int> *intervals) {
        input::SwitchSettings settings;
        settings.order = input::SwitchSettings::kLikelyFirst;
        settings.interval = interval;
        orders.setSettings(settings);
        UserModel user;
        user.interval = interval;
        user.pace = pace;
        user.latePress = late;
        user.intervals = intervals;
        if (pace) {
            pace->reset(interval);
            pace->setCatchesLate(late);
        }
        Outcome o;
        const long sentences = long(texts.size()) * runs;
        long k = 0;
        for (int run = 0; run < runs; ++run) {
            std::mt19937 random(seed + unsigned(run));
            for (const auto &target : texts) {
                user.medianReaction = who.from + (who.to - who.from) * double(k++) / double(std::max(1L, sentences - 1));
                Scan scan(scannable, {&orders, true, true, {}});
                const bool started = o.whole.presses >= kStart;
                const Result r = write(scan, target, lengths, user, random);
                o.whole += r;
                if (started)
                    o.after += r;
            }
        }
        return o;
    };
    const auto perChar = [](const Result &r) { return r.ms / 1000.0 / std::max(1L, r.characters); };
    std::printf("\nThe learned pace, order 2, %s (%d runs from seed %u; seconds per character after the first %ld "
                "presses)\n\n| User | Fixed 1000 | Learned | Share of fixed 1000 | Learned, late presses as before | Best fixed | Learned / best | "
                "Settled after (presses) | 間隔 after that (tenth–ninth tenth) | Late presses taken for the place meant | Presses given to "
                "the place before |\n|---|---|---|---|---|---|---|---|---|---|---|\n",
                setName, runs, seed, kStart);
    for (const Person &who : people) {
        const Outcome fixed = session(who, 1000, nullptr, false, nullptr);
        input::SwitchPace pace;
        std::vector<int> intervals;
        const Outcome learned = session(who, 1000, &pace, true, &intervals);
        input::SwitchPace paceAlone; // the pace learned, late presses as before
        const double alone = perChar(session(who, 1000, &paceAlone, false, nullptr).after);
        int best = 0;
        double bestTime = 0;
        for (int interval = 300; interval <= 3000; interval += 100) {
            const double t = perChar(session(who, interval, nullptr, false, nullptr).after);
            if (best == 0 || t < bestTime) {
                best = interval;
                bestTime = t;
            }
        }
        // Where 間隔 stays once learning has had its start (the middle, and
        // the tenth and ninth tenth), and the press at which the average of
        // the last 50 presses' 間隔 first comes within 10 % of that middle.
        std::vector<int> later(intervals.begin() + std::min<size_t>(kStart, intervals.size()), intervals.end());
        std::sort(later.begin(), later.end());
        const int middle = later.empty() ? 0 : later[later.size() / 2];
        const int low = later.empty() ? 0 : later[later.size() / 10], high = later.empty() ? 0 : later[later.size() * 9 / 10];
        size_t settled = 0;
        for (double sum = 0; settled < intervals.size(); ++settled) {
            sum += intervals[settled] - (settled >= 50 ? intervals[settled - 50] : 0);
            if (settled >= 49 && std::abs(sum / 50 - middle) <= middle / 10.0)
                break;
        }
        const Result &l = learned.after;
        std::printf("| %s | %.2f | %.2f | %.0f %% | %.2f | %d ms: %.2f | %.2f | %zu | %d (%d–%d) ms | %ld of %ld (%.0f %%) | %ld (%.2f %%) |\n",
                    who.name, perChar(fixed.after), perChar(l), 100 * perChar(l) / perChar(fixed.after), alone, best, bestTime,
                    perChar(l) / bestTime, settled + 1, middle, low, high, l.takenRight, l.landedLate,
                    100.0 * l.takenRight / std::max(1L, l.landedLate), l.takenWrong,
                    100.0 * l.takenWrong / std::max(1L, l.presses));
        std::fflush(stdout);
    }
}

// The held-out fifth of the kanji sentences, their kanji forms written with
// conversion on (Anthy, or Mozc: see kanjibench::engine; a new user) in the program's order 2 with the row,
// at a fixed 間隔: today's way ("漢字のよそく" off: kana, then "へんかん" and
// "かくてい" where the columns have them) beside the row's kanji words (on:
// chosen when they write the phrase, the conversion keys offered in "よそく"
// by their odds). Figures over the sentences both ways write; seconds per
// character of the kanji text.
int kanjiTable(ScanOrders &orders, const KanaModel &base, input::Reachable scannable, const Lengths &lengths,
               const UserModel &user, unsigned seed, int runs)
{
    QString engineName;
    const std::unique_ptr<kanji::Engine> anthy = kanjibench::engine(&engineName);
    if (!anthy)
        return 1;
    const QList<kanji::Sentence> sentences = kanjibench::heldOut();
    scannable.set(keys::kBlank1); // "へんかん" and "かくてい"
    scannable.set(keys::kBlank2);
    input::SwitchSettings settings;
    settings.order = input::SwitchSettings::kLikelyFirst;
    settings.interval = int(user.interval);
    settings.firstWait = int(user.firstWait);
    orders.setSettings(settings);
    orders.setOptions({});
    RowSources sources;
    sources.phrases = phrasesOf(defaultPhrases());
    sources.completions.next = [&orders](const History &h) { return orders.adaptation().next(h); };
    sources.completions.contextLength = base.order() - 1;
    sources.completions.lexicon = orders.adaptation().lexicon().get();
    kanji::Descriptions descriptions;
    (void)descriptions.spoken(QStringLiteral("漢"), QStringLiteral("かん")); // read on first use
    if (!descriptions.loaded())
        std::fprintf(stderr, "%s was not read: candidates are said by their reading alone\n",
                     qPrintable(kanji::Descriptions::defaultPath()));
    const kanji::ConversionOdds newUser;
    struct Way
    {
        const char *name;
        bool kanjiWords;
        bool wordBeforeKana; // also a word the kana that end its phrase follow
        std::vector<Result> each; // a sentence of a run each
    };
    Way ways[] = {{"Kana, then へんかん/かくてい (today)", false, false, {}},
                  {"With the kanji words (漢字のよそく)", true, true, {}},
                  {"With the kanji words, only those that write the whole phrase", true, false, {}}};
    for (Way &way : ways) {
        kanji::WordForms forms;
        ScanSetup setup{&orders, true, true, {}, &descriptions};
        setup.row = [&](const QString &before, int start, bool afterWord) {
            return kanjibench::kanjiRow(sources, way.kanjiWords ? &forms : nullptr, *anthy, before, start, afterWord);
        };
        for (int run = 0; run < runs; ++run) {
            std::mt19937 random(seed + unsigned(run));
            for (const kanji::Sentence &s : sentences) {
                Scan scan(scannable, setup);
                const Conversion conversion{anthy.get(), way.kanjiWords ? &newUser : nullptr, way.wordBeforeKana};
                way.each.push_back(writeKanji(scan, s, conversion, lengths, user, random));
            }
        }
    }
    const auto written = [](const Result &r) { return !r.skipped && !r.unfinished; };
    std::printf("\nKanji sentences (held out, %lld, %s, a new user), order 2, short names, with the row "
                "(%d runs from seed %u; over the sentences every way writes)\n\n"
                "| Way | Seconds / char | Share of today's | Highlights / char | Presses / char | へんかん, かくてい "
                "| Kanji words; kana words from the row | Late; けす | Skipped; given up |\n|---|---|---|---|---|---|---|---|---|\n",
                qlonglong(sentences.size()), qPrintable(engineName), runs, seed);
    double today = 0;
    long common = 0;
    for (const Way &way : ways) {
        Result sum, left;
        common = 0;
        for (std::size_t i = 0; i < way.each.size(); ++i) {
            if (std::all_of(std::begin(ways), std::end(ways), [&](const Way &w) { return written(w.each[i]); })) {
                sum += way.each[i];
                ++common;
            } else {
                left += way.each[i];
            }
        }
        const double n = double(std::max(1L, sum.characters)), perChar = sum.ms / 1000.0 / n;
        if (today == 0)
            today = perChar;
        std::printf("| %s | %.2f | %.0f %% | %.2f | %.2f | %.2f | %ld; %ld | %ld; %ld | %ld; %ld |\n", way.name, perChar,
                    100 * perChar / today, sum.highlights / n, sum.presses / n, sum.conversionPresses / n, sum.kanjiWords,
                    sum.fromRow - sum.kanjiWords, sum.late, sum.corrections, left.skipped, left.unfinished);
        std::fflush(stdout);
    }
    std::printf("(%ld of the %zu sentences written, over the runs, are in the figures)\n", common, ways[0].each.size());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool paceOnly = argc > 1 && std::strcmp(argv[1], "pace") == 0;
    const bool kanjiOnly = argc > 1 && std::strcmp(argv[1], "kanji") == 0;
    if (paceOnly || kanjiOnly) {
        --argc;
        ++argv;
    }
    const unsigned seed = argc > 1 ? unsigned(std::atoi(argv[1])) : 20261207u;
    UserModel person;
    const bool modeOnly = paceOnly || kanjiOnly; // SEED [RUNS]
    if (argc > 2 && !modeOnly)
        person.lateShare = std::atof(argv[2]);
    if (argc > 3 && !modeOnly)
        person.medianReaction = std::atof(argv[3]);
    const int runs = std::max(1, std::atoi(modeOnly ? (argc > 2 ? argv[2] : "5") : (argc > 4 ? argv[4] : "5")));
    Lengths lengths;
    if (!lengths.read(QStringLiteral(MOJIPOT_SOURCE_DIR "/bench/data/announcements.tsv"))) {
        std::fprintf(stderr, "cannot read bench/data/announcements.tsv\n");
        return 1;
    }
    const kanabench::Data d = kanabench::load();
    const auto model =
        std::make_shared<const KanaModel>(NgramTable::build(kanabench::joinTexts({&d.everydayTrain, &d.dasherTrain}), 5));
    const KanaModel &base = *model;
    // The program's orders: from the built model alone, and adapted to the
    // first days of the month as the program adapts to the diary folder.
    ScanOrders plainOrders(model, kRowFrame), monthOrders(model, kRowFrame);
    for (const kanabench::Day &day : d.month)
        if (day.number <= kanabench::kHistoryDays)
            monthOrders.adaptation().takeText(QString(), day.text);
    while (monthOrders.adaptation().busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    input::Reachable scannable = input::allShown();
    scannable.reset(keys::kBlank1); // blank keys are not offered
    scannable.reset(keys::kBlank2);

    const NextFn plain = [&](const History &h) { return plainOrders.adaptation().next(h); };
    const NextFn withMonth = [&](const History &h) { return monthOrders.adaptation().next(h); };

    std::printf("間隔 %.0f ms, 最初の待ち %.0f ms, 受け付けない時間 %.0f ms; reaction log-normal, median %.0f ms, "
                "sigma %.2f; %.0f %% of presses late; %d runs from seed %u\n\n",
                person.interval, person.firstWait, person.ignore, person.medianReaction, person.reactionSigma,
                person.lateShare * 100, runs, seed);

    // dasher-data's held-out blocks sentence by sentence.
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
    // The single sentence twenty times, so that its figure is not one draw.
    const kanabench::Texts thanks(20, reduce(QStringLiteral("ありがとう。")));
    const kanabench::Texts later = kanabench::monthDays(d, false);
    struct Set
    {
        const char *name;
        kanabench::Texts texts;
        const NextFn *model;
        ScanOrders *orders;
    };
    if (kanjiOnly)
        return kanjiTable(plainOrders, base, scannable, lengths, person, seed, runs);
    if (paceOnly) {
        paceTable("everyday sentences (held out)", writable(d.everydayHeld), plainOrders, scannable, lengths, seed, runs);
        paceTable("dasher-data (held out)", writable(dasherSentences), plainOrders, scannable, lengths, seed, runs);
        return 0;
    }
    const Set sets[] = {{"ありがとう。", writable(thanks), &plain, &plainOrders},
                        {"Everyday (held out)", writable(d.everydayHeld), &plain, &plainOrders},
                        {"dasher-data (held out)", writable(dasherSentences), &plain, &plainOrders},
                        {"Kanji readings", writable(d.readings), &plain, &plainOrders},
                        {"Later days, no history", writable(later), &plain, &plainOrders},
                        {"Later days, with the month", writable(later), &withMonth, &monthOrders}};
    const Variant variants[] = {
        {"1, the board's, long names (today)", 1},
        {"1, short names", 1, true},
        {"2, long names", 2, false, true},
        {"2, short names, もどる to its group", 2, true, false},
        {"2, short names, よむ before the command columns", 2, true, true, readBeforeCommands()},
        {"**2, short names (the program)**", 2, true, true},
        {"3, long names", 3, false, true},
        {"3, short names, もどる to its group", 3, true, false},
        {"3, short names, よむ before the command columns", 3, true, true, readBeforeCommands()},
        {"3, short names, けすのれつ last", 3, true, true, deleteAt(0)},
        {"3, short names, けすのれつ at 0.02", 3, true, true, deleteAt(0.02)},
        {"3, short names, けすのれつ at 0.07", 3, true, true, deleteAt(0.07)},
        {"**3, short names (the program: けすのれつ at 0.04)**", 3, true, true},
        {"1, long names, with the row", 1, false, false, {}, true},
        {"**2, short names (the program), with the row**", 2, true, true, {}, true},
        {"**3, short names (the program), with the row**", 3, true, true, {}, true},
    };
    std::printf("| Set | Bits / symbol; / char | Order | Highlights / char | Presses / char | Seconds / char | "
                "Share of order 1 | Late; けす; 全部消す; dialogs | From the row |\n|---|---|---|---|---|---|---|---|---|\n");
    for (const Set &set : sets) {
        const NextFn &next = *set.model;
        const kanabench::Score bits = kanabench::evaluate(next, set.texts, base.order());
        double first = 0;
        for (const Variant &v : variants) {
            // As switch input tells the order: the order chosen, the user's pace.
            input::SwitchSettings settings;
            settings.order = v.order;
            settings.interval = int(person.interval);
            settings.firstWait = int(person.firstWait);
            set.orders->setSettings(settings);
            set.orders->setOptions(v.options);
            ScanSetup setup{set.orders, v.shortNames, v.backToFirst, {}};
            if (v.row) {
                // As the window fills it: the phrases built in, the model, the
                // user's pieces.
                RowSources sources;
                sources.phrases = phrasesOf(defaultPhrases());
                sources.completions.next = next;
                sources.completions.contextLength = base.order() - 1;
                sources.completions.lexicon = set.orders->adaptation().lexicon().get();
                setup.row = [sources](const QString &before, int start, bool) {
                    int page = 0;
                    return rowFor(sources, before, start, page);
                };
            }
            const Result r = run(setup, scannable, set.texts, lengths, person, seed, runs);
            const double perChar = r.ms / 1000.0 / r.characters;
            if (first == 0)
                first = perChar;
            std::printf("| %s | %.2f; %.2f | %s | %.2f | %.2f | %.2f | %.0f %% | %ld; %ld; %ld; %ld | %ld |\n", set.name,
                        bits.perSymbol(), bits.perCharacter(), v.name, double(r.highlights) / r.characters,
                        double(r.presses) / r.characters, perChar, 100 * perChar / first, r.late, r.corrections,
                        r.cleared, r.dialogs, r.fromRow);
            if (r.unfinished)
                std::printf("(%ld texts given up)\n", r.unfinished);
            std::fflush(stdout);
        }
    }

    // What computing an order costs each time the scan starts again: the
    // model's next press from the text before the insertion point (the user's
    // model mixed in), and the groups.
    const QString before = QStringLiteral("きょうは、にわで　はなが　さいていました。あしたも");
    for (const int order : {2, 3}) {
        QElapsedTimer clock;
        clock.start();
        constexpr int kTimes = 20000;
        std::size_t groups = 0;
        for (int i = 0; i < kTimes; ++i)
            groups += scanOrder(order, withMonth(historyOf(before, 4)), scannable).size();
        std::printf("\nOrder %d computed in %.1f µs (%zu groups)", order, clock.nsecsElapsed() / 1000.0 / kTimes,
                    groups / kTimes);
    }
    std::printf("\n");
    return 0;
}
