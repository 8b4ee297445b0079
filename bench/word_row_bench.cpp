// The row of words and phrases, measured.
//
//   word_row_bench methods   what the row saves with the arrow keys, the
//                            keypad and the pointer, each by its own cost
//                            model, on held-out text (Core only, a minute)
//   word_row_bench latency   on the real window (offscreen): a key press →
//                            the row filled, on every press of the held-out
//                            texts, with the month's diaries in the diary folder
//   word_row_bench latency long-phrase
//                            the same with a phrase bank of one line of
//                            349 525 kana (the largest phrase file read, 1 MiB)
//   word_row_bench methods kanji
//                            the held-out fifth of the kanji sentences written as
//                            a new user with conversion on (Anthy): kana, then
//                            へんかん/かくてい, against the row's kanji words
//   word_row_bench latency kanji
//                            the same with conversion on (Anthy) and its kanji
//                            words in the row: the press → the row filled with them
//   word_row_bench speech    the row's names → first sound with Open JTalk,
//                            never said before and cached (run under the
//                            sound lock, ". scripts/services" first)
//   word_row_bench speech kanji
//                            the same for the kanji words' descriptions
//
// The simulated user knows what they want to write and never errs. Where
// the row holds a completion or a phrase that writes what comes next (two
// characters or more), they choose it when reaching it and pressing costs
// less than writing those characters with the keys; otherwise they write
// the next character. Costs: the arrow keys, the moves of the real walk
// (the shortest way) and Enter; the keypad, the real multi-tap presses and
// Enter; the pointer, the distance between the centres of the places (at
// the designed size) and a click, and its time by Fitts' law
// (0.1 s + 0.15 s × log2(distance / 50 + 1) a move; assumed constants).
#include "app/mainform.h"
#include "base/fonts.h"
#include "base/keybutton.h"
#include "base/sjis.h"
#include "base/textdisplay.h"
#include "bench/eventwait.h"
#include "bench/kanadata.h"
#include "bench/kanjisentences.h"
#include "bench/keepawake.h"
#include "base/filecodec.h"
#include "input/arrowwalk.h"
#include "input/multitap.h"
#include "kanji/accuracy.h"
#include "kanji/candidatecycle.h"
#include "kanji/wordforms.h"
#include "prediction/adaptation.h"
#include "prediction/row.h"
#include "prediction/usage.h"
#include "prediction/wordrow.h"
#include "speech/audioout.h"
#include "speech/recordingspeech.h"
#include "speech/speechcontrol.h"
#include "speech/voicecatalog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <deque>
#include <memory>

using namespace prediction;

namespace {

// ---- who writes: the built model, adapted to a history or not ----

struct Person
{
    Person(const KanaModel &base, const kanabench::Texts *history, const QString &leftOut = QString()) : base(base)
    {
        if (history) {
            std::vector<UserText> texts;
            for (const auto &t : *history)
                texts.push_back({QString(), QDateTime(), t});
            std::vector<const UserText *> pointers;
            for (const UserText &t : texts)
                pointers.push_back(&t);
            const auto newest = newestSymbols(pointers, Adaptation::kMaxUserSymbols);
            user = NgramTable::build(newest, base.order());
            for (const auto &t : newest)
                lexicon.add(t);
        }
        QStringList all = phrasesOf(defaultPhrases());
        all.removeAll(leftOut);
        sources.phrases = all;
        sources.completions.next = [this](const History &h) { return adapted(this->base, &user, h); };
        sources.completions.contextLength = base.order() - 1;
        sources.completions.lexicon = &lexicon;
    }
    Person(const Person &) = delete;
    const KanaModel &base;
    NgramTable user;
    Lexicon lexicon;
    RowSources sources;
};

// ---- the input methods' costs ----

QPointF centre(int place)
{
    return input::isWordPlace(place) ? QRectF(keys::wordPlaceGeometry(place - input::kFirstWord)).center()
                                     : QRectF(keys::table()[place].geometry).center();
}

struct Cost
{
    double presses = 0; // key presses (arrows, keypad) or clicks (pointer)
    double travel = 0;  // pointer: pixels at the designed size
    double seconds = 0; // pointer: Fitts' law
    double of(bool pointer) const { return pointer ? seconds : presses; }
    Cost &operator+=(const Cost &o)
    {
        presses += o.presses;
        travel += o.travel;
        seconds += o.seconds;
        return *this;
    }
};

class Hand
{
public:
    virtual ~Hand() = default;
    virtual std::unique_ptr<Hand> clone() const = 0;
    // Reaches the place and presses it.
    virtual Cost press(int place, const input::Reachable &shown) = 0;
    virtual bool pointer() const { return false; }
};

class Arrows : public Hand
{
public:
    std::unique_ptr<Hand> clone() const override { return std::make_unique<Arrows>(*this); }
    Cost press(int place, const input::Reachable &shown) override
    {
        // The shortest way on the real walk.
        std::vector<int> distance(input::kPlaceCount, -1);
        std::deque<int> queue{m_at};
        distance[m_at] = 0;
        while (!queue.empty() && distance[place] < 0) {
            const int p = queue.front();
            queue.pop_front();
            for (input::Move m : {input::Move::Left, input::Move::Right, input::Move::Up, input::Move::Down}) {
                const int q = input::walk(p, m, shown);
                if (distance[q] < 0) {
                    distance[q] = distance[p] + 1;
                    queue.push_back(q);
                }
            }
        }
        m_at = place;
        return {double(std::max(0, distance[place])) + 1, 0, 0}; // and Enter
    }

private:
    int m_at = keys::kRead;
};

class Keypad : public Hand
{
public:
    std::unique_ptr<Hand> clone() const override { return std::make_unique<Keypad>(*this); }
    Cost press(int place, const input::Reachable &shown) override
    {
        double presses = 0;
        for (int i = 0; i < 6 && m_tap.Tapped_key != place; ++i, ++presses) {
            if (input::isWordPlace(place))
                m_tap.pressWords(shown);
            else
                m_tap.press((place - 1) / 5 * 5 + 1, shown);
        }
        return {presses + 1, 0, 0}; // and Enter
    }

private:
    input::MultiTap m_tap;
};

class Pointer : public Hand
{
public:
    std::unique_ptr<Hand> clone() const override { return std::make_unique<Pointer>(*this); }
    bool pointer() const override { return true; }
    Cost press(int place, const input::Reachable &) override
    {
        const QPointF to = centre(place);
        const double d = std::hypot(to.x() - m_at.x(), to.y() - m_at.y());
        m_at = to;
        return {1, d, 0.1 + 0.15 * std::log2(d / 50 + 1)};
    }

private:
    QPointF m_at = centre(keys::kRead);
};

// ---- writing a text ----

struct Written
{
    long characters = 0;
    long byRow = 0;    // characters the row wrote
    long choices = 0;  // row places pressed
    Cost cost;
    Written &operator+=(const Written &o)
    {
        characters += o.characters;
        byRow += o.byRow;
        choices += o.choices;
        cost += o.cost;
        return *this;
    }
};

long charactersOf(const std::vector<Symbol> &symbols)
{
    return long(std::count_if(symbols.begin(), symbols.end(),
                              [](Symbol s) { return s != kVoiced && s != kSemiVoiced && s != kBreak; }));
}

Written write(const std::vector<Symbol> &target, const Person &person, Hand &hand, bool withRow)
{
    Written w;
    w.characters = charactersOf(target);
    const QString whole = textOf(target);
    std::vector<Symbol> done;
    QString text;
    input::Reachable board = input::allShown();
    while (done.size() < target.size()) {
        input::Reachable shown = board;
        int best = -1;
        QString bestText;
        if (withRow) {
            int page = 0;
            const Row row = rowFor(person.sources, text, wordStart(text, int(text.size())), page);
            for (int i = 0; i < kRowPlaces; ++i) {
                if (row[i].kind == RowItem::Empty)
                    continue;
                shown.set(input::kFirstWord + i);
                QString next;
                if (row[i].kind == RowItem::Completion)
                    next = text.left(wordStart(text, int(text.size()))) + row[i].caption;
                else if (row[i].kind == RowItem::Phrase)
                    next = text + row[i].caption;
                if (!next.isEmpty() && whole.startsWith(next) && next.size() >= text.size() + 2
                    && next.size() > bestText.size()) {
                    best = i;
                    bestText = next;
                }
            }
        }
        if (best >= 0) {
            // The row's place, or the keys for the same characters: the cheaper.
            const std::vector<Symbol> after = reduce(bestText);
            auto byKeys = hand.clone();
            Cost keysCost;
            for (std::size_t k = done.size(); k < after.size(); ++k)
                keysCost += byKeys->press(tagOf(after[k]), shown);
            auto byRow = hand.clone();
            const Cost rowCost = byRow->press(input::kFirstWord + best, shown);
            if (rowCost.of(hand.pointer()) < keysCost.of(hand.pointer())) {
                w.cost += hand.press(input::kFirstWord + best, shown);
                w.byRow += charactersOf(after) - charactersOf(done);
                ++w.choices;
                done = after;
                text = bestText;
                continue;
            }
        }
        const Symbol s = target[done.size()];
        w.cost += hand.press(tagOf(s), shown);
        done.push_back(s);
        text = textOf(done);
    }
    return w;
}

// The three input methods, each by its own cost model.
struct Method
{
    const char *name;
    std::function<std::unique_ptr<Hand>()> make;
};
const std::array<Method, 3> &methods3()
{
    static const std::array<Method, 3> list{{{"arrow keys", [] { return std::make_unique<Arrows>(); }},
                                             {"keypad", [] { return std::make_unique<Keypad>(); }},
                                             {"pointer", [] { return std::make_unique<Pointer>(); }}}};
    return list;
}

Written writeAll(const kanabench::Texts &texts, const Person &person, const std::function<std::unique_ptr<Hand>()> &hand,
                 bool withRow)
{
    Written all;
    for (const auto &t : texts) {
        std::vector<Symbol> target;
        for (const Symbol s : t)
            if (s != kBreak)
                target.push_back(s);
        if (target.empty())
            continue;
        const auto h = hand();
        all += write(target, person, *h, withRow);
    }
    return all;
}

int methods()
{
    const kanabench::Data d = kanabench::load();
    const KanaModel base(NgramTable::build(kanabench::joinTexts({&d.everydayTrain, &d.dasherTrain}), 5));
    const kanabench::Texts history = kanabench::monthDays(d, true);
    const kanabench::Texts later = kanabench::monthDays(d, false);
    const Person adaptedPerson(base, &history);
    const Person newPerson(base, nullptr);
    const Person withoutNight(base, &history, QStringLiteral("おやすみなさい。"));
    struct Set
    {
        const char *name;
        const kanabench::Texts *texts;
        const Person *person;
    };
    const Set sets[] = {{"The person's later days, adapted to the month", &later, &adaptedPerson},
                        {"The person's later days, no history", &later, &newPerson},
                        {"Everyday sentences (held out), no history", &d.everydayHeld, &newPerson},
                        {"The later days, adapted, おやすみなさい。 not among the phrases", &later, &withoutNight}};
    const auto &methodList = methods3();
    std::printf("| Set | Method | Without the row | With the row | Saved | Written by the row |\n"
                "|---|---|---|---|---|---|\n");
    for (const Set &set : sets) {
        for (const Method &m : methodList) {
            QElapsedTimer t;
            t.start();
            const Written without = writeAll(*set.texts, *set.person, m.make, false);
            const Written with = writeAll(*set.texts, *set.person, m.make, true);
            const double n = double(without.characters);
            const bool pointer = m.name[0] == 'p';
            const auto figure = [&](const Written &w) {
                return pointer ? QStringLiteral("%1 px, %2 s, %3 clicks")
                                     .arg(w.cost.travel / n, 0, 'f', 0)
                                     .arg(w.cost.seconds / n, 0, 'f', 2)
                                     .arg(w.cost.presses / n, 0, 'f', 2)
                               : QStringLiteral("%1 presses").arg(w.cost.presses / n, 0, 'f', 2);
            };
            const double saved = pointer ? 1 - with.cost.seconds / without.cost.seconds
                                         : 1 - with.cost.presses / without.cost.presses;
            const QString savedText = pointer ? QStringLiteral("%1 % of the time, %2 % of the travel")
                                                    .arg(100 * saved, 0, 'f', 0)
                                                    .arg(100 * (1 - with.cost.travel / without.cost.travel), 0, 'f', 0)
                                              : QStringLiteral("%1 %").arg(100 * saved, 0, 'f', 0);
            std::printf("| %s | %s (per character) | %s | %s | %s | %.0f %% (%ld choices) |\n", set.name, m.name,
                        qPrintable(figure(without)), qPrintable(figure(with)), qPrintable(savedText),
                        100.0 * with.byRow / n, with.choices);
            std::fflush(stdout);
            std::fprintf(stderr, "(%s, %s: %.1f s)\n", set.name, m.name, t.elapsed() / 1000.0);
        }
    }
    return 0;
}

// ---- the kanji forms of sentences, with conversion on ----

// One phrase of a sentence written: its kana with the keys (a kana
// completion of the row taken where it is cheaper, as in write()), then,
// unless it is kana, "へんかん" as often as its candidate needs and "かくてい"
// for each of the engine's phrases. With the kanji words, a row place that
// writes the phrase, or its word before kana that end it, is chosen where
// that is cheaper than going on so.
Written writePhrase(const QString &reading, const QString &intended, QString &text, int &anchor, bool &afterWord,
                    const Person &person, kanji::WordForms &forms, kanji::Engine &engine, Hand &hand, bool kanjiWords)
{
    Written w;
    w.characters = intended.size();
    const input::Reachable board = input::allShown();
    const QString before = text;
    const auto converting = [&](Hand &h, const input::Reachable &shown) {
        Cost c;
        if (intended == reading)
            return c;
        // The run the program converts: from the anchor, kana written before
        // this phrase and not converted too. Where its phrases cannot write
        // what is meant, the user is taken to convert this phrase alone.
        const int from = kanji::runStart(before + reading, int(before.size() + reading.size()), anchor);
        QList<kanji::Phrase> phrases = engine.convert((before + reading).mid(from));
        if (afterWord && from == anchor)
            kanji::leadWithPlain(phrases);
        int presses = kanji::pressesToReach(phrases, (before + intended).mid(from));
        if (presses < 0) {
            phrases = engine.convert(reading);
            presses = kanji::pressesToReach(phrases, intended);
        }
        for (int i = 0; i < std::max(0, presses); ++i)
            c += h.press(keys::kBlank1, shown);
        for (qsizetype i = 0; i < std::max<qsizetype>(1, phrases.size()); ++i)
            c += h.press(keys::kBlank2, shown);
        return c;
    };
    int typed = 0; // kana of the reading written
    while (typed < reading.size()) {
        const int rowStart = wordStart(text, int(text.size()), anchor);
        const Row row = kanjibench::kanjiRow(person.sources, kanjiWords ? &forms : nullptr, engine, text, rowStart,
                                             afterWord && rowStart == anchor);
        input::Reachable shown = board;
        for (int i = 0; i < kRowPlaces; ++i)
            if (row[i].kind != RowItem::Empty)
                shown.set(input::kFirstWord + i);
        // The kana keys for the rest, then converting: the way without the row.
        const auto keysFrom = [&](Hand &h, int from) {
            Cost c;
            const std::vector<Symbol> rest = reduce(QStringView(reading).mid(from));
            for (const Symbol s : rest)
                c += h.press(tagOf(s), shown);
            c += converting(h, shown);
            return c;
        };
        auto plain = hand.clone();
        const double plainCost = keysFrom(*plain, typed).of(hand.pointer());
        int best = -1;
        double bestCost = plainCost;
        QString bestText;
        int bestTyped = 0;
        bool bestDone = false;
        const int start = wordStart(text, int(text.size()), anchor);
        for (int i = 0; i < kRowPlaces; ++i) {
            const Completion &c = row[i].completion;
            if (row[i].kind != RowItem::Completion)
                continue;
            auto h = hand.clone();
            Cost cost = h->press(input::kFirstWord + i, shown);
            const QString written = text.left(start) + c.text;
            bool done = false;
            int newTyped = 0;
            if (c.converted) {
                // The phrase whole, or its word with the kana that end it typed after.
                if (!(before + intended).startsWith(written) || !QStringView(before + reading).mid(start).startsWith(c.reading))
                    continue;
                const QString rest = (before + intended).mid(written.size());
                if (rest != reading.right(rest.size()))
                    continue;
                for (const Symbol s : reduce(rest))
                    cost += h->press(tagOf(s), shown);
                done = true;
            } else {
                if (!(before + reading).startsWith(written) || written.size() < text.size() + 2)
                    continue;
                newTyped = int(written.size() - before.size());
                cost += keysFrom(*h, newTyped);
            }
            if (cost.of(hand.pointer()) < bestCost) {
                best = i;
                bestCost = cost.of(hand.pointer());
                bestText = written;
                bestTyped = newTyped;
                bestDone = done;
            }
        }
        if (best < 0) { // the next kana with its key
            const std::vector<Symbol> next = reduce(QStringView(reading).mid(typed, 1));
            for (const Symbol s : next)
                w.cost += hand.press(tagOf(s), shown);
            ++typed;
            text = before + reading.left(typed);
            continue;
        }
        w.cost += hand.press(input::kFirstWord + best, shown);
        ++w.choices;
        if (bestDone) { // the kanji word, then the kana after it
            const QString rest = (before + intended).mid(bestText.size());
            for (const Symbol s : reduce(rest))
                w.cost += hand.press(tagOf(s), shown);
            w.byRow += row[best].completion.text.size();
            // The kana after the word begin the next run, as in the program.
            anchor = int(bestText.size());
            afterWord = !rest.isEmpty();
            text = before + intended;
            if (!afterWord)
                anchor = int(text.size());
            return w;
        }
        typed = bestTyped;
        w.byRow += bestTyped;
        text = bestText;
    }
    w.cost += converting(hand, board);
    text = before + intended;
    if (intended != reading) {
        anchor = int(text.size());
        afterWord = false;
    }
    return w;
}

int kanjiMethods()
{
    const kanabench::Data d = kanabench::load();
    const KanaModel base(NgramTable::build(kanabench::joinTexts({&d.everydayTrain, &d.dasherTrain}), 5));
    const Person newPerson(base, nullptr);
    QString engineName;
    const std::unique_ptr<kanji::Engine> anthy = kanjibench::engine(&engineName);
    if (!anthy)
        return 1;
    const QList<kanji::Sentence> heldOut = kanjibench::heldOut();
    const auto &methodList = methods3();
    std::printf("| Method (%s, %lld held-out kanji sentences, a new user) | Kana, then へんかん/かくてい | With the kanji words | Saved | Kanji words chosen |\n"
                "|---|---|---|---|---|\n",
                qPrintable(engineName), qlonglong(heldOut.size()));
    for (const Method &m : methodList) {
        Written today, now;
        kanji::WordForms forms;
        for (const bool kanjiWords : {false, true}) {
            for (const kanji::Sentence &s : heldOut) {
                QString text;
                int anchor = 0;
                bool afterWord = false;
                const auto hand = m.make();
                for (qsizetype p = 0; p < s.reading.size(); ++p)
                    (kanjiWords ? now : today) += writePhrase(s.reading[p], s.intended[p], text, anchor, afterWord,
                                                              newPerson, forms, *anthy, *hand, kanjiWords);
            }
        }
        const bool pointer = m.name[0] == 'p';
        const double n = double(today.characters);
        const auto figure = [&](const Written &w) {
            return pointer ? QStringLiteral("%1 s, %2 clicks").arg(w.cost.seconds / n, 0, 'f', 2).arg(w.cost.presses / n, 0, 'f', 2)
                           : QStringLiteral("%1 presses").arg(w.cost.presses / n, 0, 'f', 2);
        };
        const double saved = pointer ? 1 - now.cost.seconds / today.cost.seconds : 1 - now.cost.presses / today.cost.presses;
        std::printf("| %s (per character of the kanji text) | %s | %s | %.0f %% | %ld |\n", m.name, qPrintable(figure(today)),
                    qPrintable(figure(now)), 100 * saved, now.choices);
        std::fflush(stdout);
    }
    return 0;
}

// ---- the window: a press → the row filled ----

struct Figures
{
    std::vector<double> v;
    double at(double q) const
    {
        std::vector<double> s = v;
        std::sort(s.begin(), s.end());
        return s.empty() ? -1 : s[std::min(s.size() - 1, std::size_t(q * double(s.size() - 1) + 0.5))];
    }
};

QStringList g_names; // the row's names met, for the speech figures

// A phrase file of exactly kMaxPhraseFileBytes: one line of kana (three
// bytes each in UTF-8) and its line break.
QByteArray longPhraseBank()
{
    const QString kana = QStringLiteral("ありがとうございますおねがいします");
    const qsizetype length = (kMaxPhraseFileBytes - 1) / 3;
    QString line;
    line.reserve(length);
    while (line.size() < length)
        line += kana.left(length - line.size());
    return line.toUtf8() + '\n';
}

// With conversion on (Anthy; Mozc with MOJIPOT_BENCH_ENGINE=mozc, started
// and given time to warm) and "漢字のよそく": the row's kanji words too.
bool g_kanji = false;

int latency(bool longPhrase)
{
    const kanabench::Data d = kanabench::load();
    QTemporaryDir start, data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    QDir(start.path()).mkdir(QStringLiteral("日記"));
    for (const kanabench::Day &day : d.month)
        if (day.number <= kanabench::kHistoryDays)
            filecodec::writeFile(QDir(start.path()).filePath(QStringLiteral("日記/日記27年03月%1日.txt").arg(day.number, 2, 10, QLatin1Char('0'))),
                                 day.text);
    QDir::setCurrent(start.path());
    const QString ini = ProfileFile::pathForProgram(QCoreApplication::applicationFilePath());
    const bool mozc = qEnvironmentVariable("MOJIPOT_BENCH_ENGINE") == u"mozc";
    const QString engineName = mozc ? QStringLiteral("Mozc") : QStringLiteral("Anthy");
    QFile::remove(ini);
    {
        QFile f(ini);
        if (!f.open(QIODevice::WriteOnly) || f.write(sjis::encode(QStringLiteral("[文字]\r\nよそく=1\r\n")
                                                                  + (g_kanji ? QStringLiteral("漢字=1\r\nエンジン=%1\r\n漢字のよそく=1\r\n").arg(engineName)
                                                                             : QString())))
                                          <= 0)
            return 1;
    }
    const QString bank = phraseFile(ini);
    QFile::remove(bank);
    if (longPhrase) {
        QFile f(bank);
        if (!f.open(QIODevice::WriteOnly) || f.write(longPhraseBank()) <= 0)
            return 1;
    }
    fonts::installSubstitutions();
    auto *speech = new RecordingSpeech();
    TMain_form form(speech);
    form.showCentred();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    if (mozc) // its helper and server started, its dictionaries read
        QTest::qWait(8000);
    if (!bench::waitFor([&] { return !form.adaptation().busy(); }, 60000) || form.adaptation().userSymbols() == 0) {
        std::printf("the diaries were not read\n");
        return 1;
    }
    if (longPhrase && form.wordRow().phrases().lines.value(0).text.size() < 300000) {
        std::printf("the long phrase was not read\n");
        return 1;
    }
    Figures press, refresh, sentenceStart;
    int withKanji = 0;
    const auto run = [&](const kanabench::Texts &texts, int limit) {
        int n = 0;
        for (const auto &t : texts) {
            if (n++ >= limit)
                break;
            form.display().clear();
            QCoreApplication::processEvents();
            for (const Symbol s : t) {
                if (s == kBreak)
                    continue;
                KeyButton *key = form.key(tagOf(s));
                QElapsedTimer timer;
                timer.start();
                key->click();
                QCoreApplication::sendPostedEvents();
                QCoreApplication::processEvents(); // the row is filled before the window is painted again
                if (g_kanji) // and then its kanji words, once the engine has been asked
                    QCoreApplication::processEvents();
                press.v.push_back(double(timer.nsecsElapsed()) / 1e6);
                if (form.wordRow().items()[0].kind == RowItem::Phrase)
                    sentenceStart.v.push_back(press.v.back());
                timer.restart();
                form.wordRow().refresh();
                refresh.v.push_back(double(timer.nsecsElapsed()) / 1e6);
                bool kanji = false;
                for (int i = 0; i < WordRow::kPlaces; ++i) {
                    const RowItem &item = form.wordRow().items()[i];
                    kanji = kanji || item.completion.converted;
                    const QString name = g_kanji ? form.wordRow().spokenName(i) : item.spoken;
                    if (item.kind != RowItem::Empty && (!g_kanji || item.completion.converted) && !g_names.contains(name))
                        g_names << name;
                }
                withKanji += kanji ? 1 : 0;
                speech->clear();
            }
        }
    };
    run(kanabench::monthDays(d, false), 8);
    run(d.everydayHeld, 60);
    std::printf("| Measure | Median | p95 | Worst | Presses |\n|---|---|---|---|---|\n");
    std::printf("| Key press → the row filled (the press's own work included) | %.2f ms | %.2f ms | %.2f ms | %zu |\n",
                press.at(0.5), press.at(0.95), press.at(1), press.v.size());
    std::printf("| Of those, the presses that start a sentence (the phrases shown) | %.2f ms | %.2f ms | %.2f ms | %zu |\n",
                sentenceStart.at(0.5), sentenceStart.at(0.95), sentenceStart.at(1), sentenceStart.v.size());
    std::printf("| The row's completions alone | %.2f ms | %.2f ms | %.2f ms | %zu |\n", refresh.at(0.5),
                refresh.at(0.95), refresh.at(1), refresh.v.size());
    if (g_kanji)
        std::printf("(kanji words in the row after %d of the presses; %lld presses over 30 ms, p99 %.2f ms)\n", withKanji,
                    qlonglong(std::count_if(press.v.begin(), press.v.end(), [](double ms) { return ms > 30; })),
                    press.at(0.99));
    std::printf("(%lld different names in the row, for example %s)\n", qlonglong(g_names.size()),
                qPrintable(QStringList(g_names.mid(40, 8)).join(QStringLiteral("、"))));
    QFile::remove(ini);
    QFile::remove(bank);
    return 0;
}

// ---- the row's names → first sound ----

int names()
{
    if (latency(false) != 0)
        return 1;
    QTemporaryDir cache;
    SpeechControl::Options o;
    o.openJTalk = voicecatalog::findOpenJTalk(QCoreApplication::applicationDirPath());
    o.espeak = false;
    o.cacheDir = cache.path();
    SpeechControl control(o);
    if (!control.hasSound()) {
        std::printf("no sound device: start PulseAudio first (. scripts/services)\n");
        return 1;
    }
    bench::KeepAwake awake;
    bench::wait(2500);
    QHash<quint64, qint64> first;
    QObject::connect(&control, &SpeechControl::sounding, &control,
                     [&](quint64 id, int, const QString &, const Samples &, qint64 at) {
                         if (!first.contains(id))
                             first.insert(id, at);
                     });
    const QStringList names = g_names.mid(0, 200);
    const auto said = [&](const QString &text) {
        const qint64 t0 = AudioOut::now();
        control.StopSpeaking();
        control.setCurrentMode(1);
        control.setSpeed(100);
        control.SpeakText(text);
        const quint64 id = control.lastUtterance();
        const bool heard = bench::waitFor([&] { return first.contains(id); });
        bench::wait(250);
        return heard ? double(first.value(id) - t0) / 1e6 : -1.0;
    };
    Figures cold, warm;
    for (const QString &n : names)
        cold.v.push_back(said(n));
    for (const QString &n : names)
        warm.v.push_back(said(n));
    double characters = 0;
    for (const QString &n : names)
        characters += n.size();
    std::printf("| The row's name → first sound (Open JTalk, %lld names of %.1f characters on average) | Median | p95 |\n"
                "|---|---|---|\n",
                qlonglong(names.size()), characters / std::max<qsizetype>(1, names.size()));
    std::printf("| never said before | %.1f ms | %.1f ms |\n| cached | %.1f ms | %.1f ms |\n", cold.at(0.5), cold.at(0.95),
                warm.at(0.5), warm.at(0.95));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("methods");
    if (mode == u"methods" && argc > 2 && QByteArrayView(argv[2]) == "kanji") {
        QCoreApplication app(argc, argv);
        return kanjiMethods();
    }
    if (mode == u"methods") {
        QCoreApplication app(argc, argv);
        return methods();
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_kanji = argc > 2 && QByteArrayView(argv[2]) == "kanji";
    if (mode == u"latency")
        return latency(argc > 2 && QByteArrayView(argv[2]) == "long-phrase");
    if (mode == u"speech")
        return names();
    std::fprintf(stderr, "usage: word_row_bench [methods [kanji] | latency [long-phrase | kanji] | speech [kanji]]\n");
    return 2;
}
