#include "bench/switchsim.h"

#include "app/compositionrules.h"
#include "input/switchinput.h"
#include "kanji/candidatecycle.h"
#include "prediction/kanaalphabet.h"
#include "prediction/completion.h"
#include "speech/announcements.h"

#include <QFile>
#include <QSet>
#include <utility>
#include <algorithm>
#include <cmath>
#include <optional>

namespace switchsim {

namespace {

double readAloudMs(const QString &text)
{
    return 300 + 130.0 * text.size(); // about the rate of Open JTalk's reading
}

// The key the user wants next: the next symbol's key, or "けす" when the
// text went wrong (or a mark can no longer be put on the kana before it);
// -1 when the text is written.
int wanted(const QString &text, int lastKey, const std::vector<prediction::Symbol> &target)
{
    using namespace prediction;
    const std::vector<Symbol> now = reduce(text);
    const bool prefix = now.size() <= target.size() && std::equal(now.begin(), now.end(), target.begin());
    if (!prefix)
        return keys::kDelete;
    if (now.size() == target.size())
        return -1;
    const Symbol next = target[now.size()];
    if ((next == kVoiced || next == kSemiVoiced) && (now.empty() || lastKey != tagOf(now.back())))
        return keys::kDelete;
    return tagOf(next);
}

} // namespace

Scan::Scan(const input::Reachable &scannable, ScanSetup setup) : m_scannable(scannable), m_setup(std::move(setup))
{
    m_scan.setRules({input::SwitchStyle::OneSwitch, 3, false, m_setup.backToFirst});
    m_scan.setOrderSource(m_setup.orders);
    m_setup.orders->setWriting(this);
}

const prediction::Row *Scan::row(QString *before, int *wordStart)
{
    if (!m_setup.row)
        return nullptr;
    // As the window fills it for the text; its places that hold something
    // can be offered.
    m_rowStart = prediction::wordStart(m_before, int(m_before.size()), m_anchor);
    m_row = m_setup.row(m_before, m_rowStart, m_afterWord && m_rowStart == m_anchor);
    for (int i = 0; i < prediction::kRowPlaces; ++i)
        m_scannable.set(input::kFirstWord + i, m_row[i].kind != prediction::RowItem::Empty);
    *before = m_before;
    *wordStart = m_rowStart;
    return &m_row;
}

int Scan::wantedFromRow(const QString &text, const QString &target) const
{
    // The longest word or phrase that writes what comes next (two
    // characters or more), when reaching and choosing it takes less time
    // than writing it with the keys.
    const int start = m_rowStart;
    int best = -1;
    QString bestText;
    for (int i = 0; i < prediction::kRowPlaces; ++i) {
        const prediction::RowItem &item = m_row[i];
        QString next;
        if (item.kind == prediction::RowItem::Completion)
            next = text.left(start) + item.caption;
        else if (item.kind == prediction::RowItem::Phrase)
            next = text + item.caption;
        if (!next.isEmpty() && target.startsWith(next) && next.size() >= text.size() + 2 && next.size() > bestText.size()) {
            best = i;
            bestText = next;
        }
    }
    if (best < 0)
        return -1;
    const prediction::ScanTiming &t = m_setup.orders->timing();
    double reach = 0; // the groups before the row's
    for (int g = 0; g < int(m_scan.order().size()) && !isRowGroup(g); ++g) {
        const input::ScanGroup &group = m_scan.order()[g];
        reach += t.say(m_setup.shortNames && !group.shortName.isEmpty() ? group.shortName : group.name) + t.interval;
    }
    const std::vector<prediction::Symbol> was = prediction::reduce(text), now = prediction::reduce(bestText);
    const std::vector<prediction::Symbol> added(now.begin() + std::min(was.size(), now.size()), now.end());
    const double typing = m_setup.orders->typingTime(text, added, m_scannable);
    return reach + prediction::rowTime(m_row, best, t) < typing ? input::kFirstWord + best : -1;
}

input::ScanStep Scan::start(const QString &before)
{
    m_before = before;
    return m_scan.start(m_scannable);
}

input::ScanStep Scan::restart(const QString &before, int pressed)
{
    m_before = before;
    return m_scan.restart(m_scannable, pressed);
}

input::ScanStep Scan::tick()
{
    return m_scan.tick(m_scannable);
}

input::ScanStep Scan::select(const QString &before)
{
    m_before = before; // a paused scan starts again
    return m_scan.select(m_scannable);
}

input::ScanStep Scan::selectLeft(const QString &before)
{
    m_before = before;
    return m_scan.selectLeft(m_scannable);
}

QString Scan::said(const input::ScanPlace &p, int *voice) const
{
    *voice = 1;
    if (p.level == input::ScanPlace::Key && input::isWordPlace(p.tag)) {
        const prediction::RowItem &item = m_row[p.tag - input::kFirstWord];
        if (!item.completion.converted || !m_setup.conversion)
            return item.spoken;
        *voice = 2; // a kanji word: named as conversion's candidate is
        return m_setup.conversion->spoken(item.completion.text, item.completion.reading);
    }
    if (p.level == input::ScanPlace::Key && m_setup.conversion && (p.tag == keys::kBlank1 || p.tag == keys::kBlank2))
        return p.tag == keys::kBlank1 ? QStringLiteral("へんかん") : QStringLiteral("かくてい");
    if (p.level == input::ScanPlace::Key)
        return p.tag == input::kBack ? QStringLiteral("もどる")
                                     : announcements::forKey(p.tag, keys::table()[p.tag].caption, false);
    const input::ScanGroup &g = m_scan.order()[p.group];
    if (m_setup.shortNames && !g.shortName.isEmpty()) {
        *voice = 2;
        return g.shortName;
    }
    return g.name;
}

bool Scan::isRowGroup(int group) const
{
    return m_scan.order()[group].column == 14; // the scan's frame round the row
}

bool Scan::offers(int group, int tag) const
{
    const std::vector<int> keys = m_scan.keysOf(group, m_scannable);
    return std::find(keys.begin(), keys.end(), tag) != keys.end();
}

bool Lengths::read(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : f.readAll().split('\n')) {
        const QList<QByteArray> cols = line.split('\t');
        if (line.startsWith('#') || cols.size() != 3)
            continue;
        m_ms.insert(QString::fromUtf8(cols[0] + '\t' + cols[1]).replace(QStringLiteral("\\n"), QStringLiteral("\n")),
                    cols[2].toDouble());
    }
    return !m_ms.isEmpty();
}

double Lengths::estimate(int voice, const QString &text) const
{
    const auto it = m_ms.constFind(QString::number(voice) + u'\t' + text);
    return it != m_ms.cend() ? *it : 200 + 120.0 * text.size();
}

double Lengths::ms(int voice, const QString &text) const
{
    const auto it = m_ms.constFind(QString::number(voice) + u'\t' + text);
    if (it != m_ms.cend())
        return *it;
    static QSet<QString> told;
    if (!told.contains(QString::number(voice) + text)) {
        told.insert(QString::number(voice) + text);
        std::fprintf(stderr, "no measured length for \"%s\" in voice %d\n", qPrintable(text), voice);
    }
    return 200 + 120.0 * text.size();
}

Result &Result::operator+=(const Result &o)
{
    characters += o.characters;
    highlights += o.highlights;
    presses += o.presses;
    corrections += o.corrections;
    late += o.late;
    ignored += o.ignored;
    dialogs += o.dialogs;
    cleared += o.cleared;
    unfinished += o.unfinished;
    fromRow += o.fromRow;
    kanjiWords += o.kanjiWords;
    conversionPresses += o.conversionPresses;
    skipped += o.skipped;
    landedLate += o.landedLate;
    takenRight += o.takenRight;
    takenWrong += o.takenWrong;
    ms += o.ms;
    return *this;
}

namespace {

// What a press of the board or the row does to the text, and how long what
// it says lasts.
double typeKey(int tag, QString &text, int &lastKey, const Scan &scan, const Lengths &lengths, const UserModel &user,
               Result &r)
{
    if (input::isWordPlace(tag)) { // as the window writes it, the whole word said
        const prediction::RowItem &item = scan.row()[tag - input::kFirstWord];
        ++r.fromRow;
        if (item.kind == prediction::RowItem::Completion)
            text = text.left(scan.rowStart()) + item.caption;
        else if (item.kind == prediction::RowItem::Phrase)
            text += item.caption;
        const std::vector<prediction::Symbol> now = prediction::reduce(text);
        lastKey = item.kind == prediction::RowItem::Completion && !now.empty() ? prediction::tagOf(now.back()) : 0;
        return item.kind == prediction::RowItem::Next ? 0 : lengths.estimate(2, item.spoken);
    }
    if (tag == keys::kRead)
        return readAloudMs(text);
    if (tag >= 1 && tag <= keys::kSpace) {
        const QStringView before = composition::characterBefore(text, int(text.size()));
        const composition::Entry e =
            composition::entryFor(tag, keys::table()[tag].caption, lastKey, readings::table(), before);
        lastKey = tag;
        if (e.kind == composition::Entry::Refused)
            return 0; // a beep; nothing is said
        if (e.kind == composition::Entry::ReplacePrevious)
            text.chop(before.size());
        text += e.text;
        return lengths.ms(2, e.spoken);
    }
    if (tag == keys::kNewLine) {
        text += u'\n';
        return lengths.ms(2, QStringLiteral("かいぎょうしました"));
    }
    if (tag == keys::kDelete) {
        ++r.corrections;
        if (text.isEmpty())
            return lengths.ms(1, QStringLiteral("けすもじがありません"));
        const QString gone = composition::characterBefore(text, int(text.size())).toString();
        text.chop(gone.size());
        return lengths.ms(1, readings::spokenWhenDeleted(gone));
    }
    if (tag == keys::kClearAll) {
        ++r.cleared;
        const bool any = !text.isEmpty();
        text.clear();
        return lengths.ms(2, any ? QStringLiteral("ぜんぶけしました") : QStringLiteral("もじはありませんよ。"));
    }
    ++r.dialogs; // mail, save, print, end: a box to close
    return user.dialogPenalty;
}

// The scan run for one text until `wantNow` has nothing more (-1): the user
// presses for the place it names, `apply` doing what the press does.
void drive(Scan &scan, const QString &text, const std::function<int()> &wantNow,
           const std::function<double(int)> &apply, long limit, const Lengths &lengths, const UserModel &user,
           std::mt19937 &random, Result &r)
{
    std::lognormal_distribution<double> reaction(std::log(user.medianReaction), user.reactionSigma);
    std::uniform_real_distribution<double> unit(0, 1);
    double t = 0;
    double lastCounted = -1e9;
    std::optional<double> pending;
    input::ScanStep step = scan.start(text);
    ++r.highlights;
    const auto announce = [&](const input::ScanPlace &p) {
        int voice = 1;
        const QString said = scan.said(p, &voice);
        const bool word = (p.level == input::ScanPlace::Key && input::isWordPlace(p.tag))
                          || (p.level == input::ScanPlace::Group && scan.isRowGroup(p.group));
        const bool conversion = p.level == input::ScanPlace::Key && scan.setup().conversion
                                && (p.tag == keys::kBlank1 || p.tag == keys::kBlank2);
        return word || conversion ? lengths.estimate(voice, said) : lengths.ms(voice, said);
    };
    // The pace in effect, and what the program knows of the places shown:
    // when each appeared and when its interval began.
    double interval = user.pace ? user.pace->interval() : user.interval;
    double firstWait = user.pace ? input::SwitchPace::scaled(int(user.firstWait), int(user.interval), int(interval))
                                 : user.firstWait;
    double shownAt = 0, intervalFrom = 0, leftShownAt = 0, leftIntervalFrom = 0;
    input::ScanPlace leftPlace, shownPlace;
    long meant = -1; // the highlight the pending press is meant for
    double lastPress = 0;
    for (int want = wantNow(); want >= 0 && r.highlights < limit; want = wantNow()) {
        const input::ScanPlace p = step.place;
        if (shownAt != t) {
            leftShownAt = shownAt;
            leftIntervalFrom = intervalFrom;
            leftPlace = std::exchange(shownPlace, p);
            shownAt = t;
            intervalFrom = t + announce(p) + (step.first ? firstWait : 0);
        }
        if (p.level == input::ScanPlace::None) { // paused: a press starts it again
            t += reaction(random);
            ++r.presses;
            lastCounted = t;
            step = scan.select(text);
            ++r.highlights;
            continue;
        }
        const double end = t + announce(p) + interval + (step.first ? firstWait : 0);
        // The user presses at the first group that offers the key (a key
        // may be offered by more than one), and at the key or, in a group
        // without it, at "もどる".
        const bool isTarget = p.level == input::ScanPlace::Group
                                  ? scan.offers(p.group, want)
                                  : p.tag == want || (p.tag == input::kBack && !scan.offers(p.group, want));
        if (!pending && isTarget) {
            meant = r.highlights;
            if (unit(random) < user.lateShare) {
                ++r.late;
                pending = end + unit(random) * user.lateDelay;
            } else {
                pending = t + reaction(random);
            }
        }
        if (pending && *pending < end) {
            const double at = *pending;
            if (at - lastCounted < user.ignore) {
                ++r.ignored;
                pending = at + reaction(random); // no answer: pressed again
                continue;
            }
            ++r.presses;
            lastCounted = at;
            pending.reset();
            const bool quick =
                scan.left() && at - shownAt < (user.pace ? user.pace->lateBound() : input::SwitchPace::kLateStart);
            const bool late = quick && user.latePress;
            r.landedLate += meant != r.highlights;
            r.takenRight += late && meant == r.highlights - 1;
            r.takenWrong += late && meant == r.highlights;
            const input::ScanPlace chosen = late ? leftPlace : p;
            const input::ScanStep s = late ? scan.selectLeft(text) : scan.select(text);
            if (user.pace) {
                input::PacePress press;
                press.reaction = int(at - (quick ? leftShownAt : shownAt));
                press.intoInterval = int(at - (quick ? leftIntervalFrom : intervalFrom));
                press.choice = s.pressed >= 0 ? s.pressed
                               : chosen.level == input::ScanPlace::Key && chosen.tag == input::kBack
                                   ? input::kBack
                                   : input::kGroupEntered;
                press.late = quick;
                press.sincePrevious = qint64(at - lastPress);
                lastPress = at;
                if (user.pace->press(press)) {
                    const double before = interval;
                    interval = user.pace->interval();
                    firstWait = input::SwitchPace::scaled(int(firstWait), int(before), int(interval));
                }
                if (user.intervals)
                    user.intervals->push_back(int(interval));
            }
            if (s.pressed >= 0) {
                t = at + apply(s.pressed); // the scan starts again once what the press says is heard
                step = scan.restart(text, s.pressed);
            } else {
                t = at;
                step = s;
            }
            ++r.highlights;
            continue;
        }
        t = end;
        step = scan.tick();
        ++r.highlights;
    }
    r.ms = t;
}

} // namespace

Result write(Scan &scan, const std::vector<prediction::Symbol> &target, const Lengths &lengths, const UserModel &user,
             std::mt19937 &random)
{
    Result r;
    for (const prediction::Symbol s : target)
        r.characters += s != prediction::kVoiced && s != prediction::kSemiVoiced && s != prediction::kBreak;
    QString text;
    int lastKey = 0;
    const QString whole = prediction::textOf(target);
    // The key the user wants next, or a word place when the row pays.
    const auto wantNow = [&] {
        const int key = wanted(text, lastKey, target);
        if (key < 0 || key == keys::kDelete)
            return key;
        const int word = scan.wantedFromRow(text, whole);
        return word >= 0 ? word : key;
    };
    drive(scan, text, wantNow, [&](int tag) { return typeKey(tag, text, lastKey, scan, lengths, user, r); },
          400 * long(target.size() + 10), lengths, user, random, r);
    r.unfinished = wanted(text, lastKey, target) >= 0;
    return r;
}


namespace {

// The candidate of the engine's phrase `index` that, committed after
// `from` of `goal`, lets the phrases after it write the rest in the fewest
// presses; empty when none does.
QString candidateFor(const QList<kanji::Phrase> &phrases, int index, const QString &goal, int from)
{
    const QStringList cycle = kanji::CandidateCycle::cycleOf(phrases[index]);
    const QList<kanji::Phrase> after = phrases.mid(index + 1);
    QString best;
    int fewest = 0;
    for (int c = 0; c < cycle.size(); ++c) {
        if (!QStringView(goal).mid(from).startsWith(cycle[c]))
            continue;
        const QString rest = goal.mid(from + cycle[c].size());
        const int presses = after.isEmpty() ? (rest.isEmpty() ? 0 : -1) : kanji::pressesToReach(after, rest);
        if (presses >= 0 && (best.isEmpty() || c + presses < fewest)) {
            best = cycle[c];
            fewest = c + presses;
        }
    }
    return best;
}

} // namespace

Result writeKanji(Scan &scan, const kanji::Sentence &sentence, const Conversion &conversion, const Lengths &lengths,
                  const UserModel &user, std::mt19937 &random)
{
    Result r;
    const QString whole = sentence.intended.join(QString());
    r.characters = whole.size();
    QString text;
    int lastKey = 0;
    int anchor = 0; // where the unconverted run may start (the program's Writing)
    int phrase = 0;
    QString done = text, base = text; // the phrases written; the text the phrase's kana follow
    QString kana = sentence.reading.value(0); // the kana to write after `base`
    kanji::CandidateCycle cycle;
    QList<kanji::Phrase> phrases; // converted, from `converted` in the text
    int converted = 0, committed = 0, index = 0;
    QString goal; // what the converted run should become
    int lastWant = -1;
    bool mistaken = false; // a conversion the user did not ask for (a late press)
    bool afterWord = false; // the anchor is the end of a kanji word of the row
    const auto setAnchor = [&](int at) {
        anchor = at;
        afterWord = false;
        scan.setAnchor(at);
    };
    if (conversion.odds)
        scan.setConversionKeys([&](double phraseEnd) {
            const int run = int(text.size()) - kanji::runStart(text, int(text.size()), anchor);
            const kanji::ConversionOdds::Odds odds = conversion.odds->at(cycle.active(), run, phraseEnd);
            std::vector<prediction::RankedKey> ranked;
            if (odds.convert > 0)
                ranked.push_back({keys::kBlank1, odds.convert});
            if (odds.commit > 0)
                ranked.push_back({keys::kBlank2, odds.commit});
            return ranked;
        });

    // The place the user wants next; -1 once the sentence is written or
    // cannot be.
    const auto wantNow = [&]() -> int {
        for (;;) {
            if (phrase >= sentence.reading.size())
                return -1;
            if (anchor > text.size()) // taken away behind it
                setAnchor(int(text.size()));
            if (cycle.active()) { // the candidate wanted shown, then kept
                const QString wantedText = candidateFor(phrases, index, goal, committed);
                if (wantedText.isEmpty() && mistaken)
                    return keys::kDelete; // the hiragana back
                if (wantedText.isEmpty()) {
                    r.skipped = 1;
                    return -1;
                }
                return cycle.currentText() == wantedText ? keys::kBlank2 : keys::kBlank1;
            }
            const QString target = done + sentence.intended[phrase];
            if (text == target) {
                if (++phrase < sentence.reading.size()) {
                    done = base = text;
                    kana = sentence.reading[phrase];
                }
                continue;
            }
            if (!text.startsWith(done)) { // taken away into the phrases written: written again from there
                phrase = 0;
                done.clear();
                while (phrase + 1 < sentence.reading.size() && text.startsWith(done + sentence.intended[phrase]))
                    done += sentence.intended[phrase++];
                base = done;
                kana = sentence.reading[phrase];
                continue;
            }
            if (!text.startsWith(base)) { // a wrong word kept: taken away to the phrase's start
                if (text != done)
                    return keys::kDelete;
                base = done;
                kana = sentence.reading[phrase];
                continue;
            }
            const QString part = text.mid(base.size());
            const int key = prediction::textOf(prediction::reduce(part)) != part // not the keys' kana
                                ? keys::kDelete
                                : wanted(part, lastKey, prediction::reduce(kana));
            if (key == keys::kDelete)
                return key;
            if (key < 0) // the kana written: converted
                return keys::kBlank1;
            // A kanji word of the row that writes the phrase, or (when the
            // user takes those) its word before the kana that end it.
            for (int i = 0; i < prediction::kRowPlaces; ++i) {
                const prediction::Completion &c = scan.row()[i].completion;
                if (scan.row()[i].kind != prediction::RowItem::Completion || !c.converted)
                    continue;
                const QString written = text.left(scan.rowStart()) + c.text;
                const QString rest = target.mid(written.size());
                if (target.startsWith(written) && QStringView(done + sentence.reading[phrase]).mid(scan.rowStart()).startsWith(c.reading)
                    && rest == sentence.reading[phrase].right(rest.size()) && (rest.isEmpty() || conversion.wordBeforeKana))
                    return input::kFirstWord + i;
            }
            const int word = scan.wantedFromRow(text, base + kana);
            return word >= 0 ? word : key;
        }
    };
    const auto want = [&] { return lastWant = wantNow(); };
    const auto saidShown = [&] {
        return lengths.estimate(2, scan.setup().conversion->spoken(cycle.currentText(), cycle.currentReading()));
    };
    const auto apply = [&](int tag) -> double {
        if (tag == keys::kDelete && cycle.active()) { // the phrases not kept go back to their hiragana
            ++r.corrections;
            const QString plain = cycle.cancel();
            text = text.left(converted + committed) + plain;
            return lengths.estimate(2, plain);
        }
        const bool conversionKey = tag == keys::kBlank1 || tag == keys::kBlank2;
        if (cycle.active() && !conversionKey) { // what is shown is kept before anything else is written
            cycle.commitAll();
            setAnchor(int(text.size()));
        }
        if (conversionKey)
            ++r.conversionPresses;
        if (tag == keys::kBlank1) {
            if (!cycle.active()) {
                const int start = kanji::runStart(text, int(text.size()), anchor);
                if (start == text.size())
                    return lengths.estimate(2, QStringLiteral("へんかんする もじが ありません"));
                phrases = conversion.engine->convert(text.mid(start));
                if (phrases.isEmpty())
                    phrases << kanji::Phrase{text.mid(start), {}};
                if (afterWord && start == anchor && conversion.odds)
                    kanji::leadWithPlain(phrases);
                cycle.begin(phrases);
                mistaken = lastWant != keys::kBlank1;
                converted = start;
                committed = index = 0;
                const QString target = done + sentence.intended[phrase];
                goal = target.startsWith(text.left(start)) ? target.mid(start) : QString();
            } else {
                cycle.next();
            }
            text = text.left(converted + committed) + cycle.shown();
            return saidShown();
        }
        if (tag == keys::kBlank2) {
            if (!cycle.active())
                return lengths.estimate(2, QStringLiteral("かくていする もじが ありません"));
            committed += int(cycle.commitCurrent().text.size());
            ++index;
            if (cycle.active()) {
                text = text.left(converted + committed) + cycle.shown();
                return saidShown();
            }
            setAnchor(int(text.size()));
            return lengths.estimate(2, QStringLiteral("かくていしました"));
        }
        if (input::isWordPlace(tag) && scan.row()[tag - input::kFirstWord].completion.converted) {
            // The kanji word written as a committed conversion, the next run starting after it.
            const prediction::RowItem &item = scan.row()[tag - input::kFirstWord];
            text = text.left(scan.rowStart()) + item.completion.text;
            const QString target = done + sentence.intended[phrase];
            if (target.startsWith(text)) { // the word wanted: the kana that end the phrase follow it
                base = text;
                kana = target.mid(text.size());
            }
            setAnchor(int(text.size()));
            afterWord = true;
            scan.setAnchor(anchor, true);
            lastKey = 0;
            ++r.fromRow;
            ++r.kanjiWords;
            return lengths.estimate(2, item.spoken);
        }
        return typeKey(tag, text, lastKey, scan, lengths, user, r);
    };
    drive(scan, text, want, apply, 400 * long(whole.size() * 2 + 10), lengths, user, random, r);
    scan.setConversionKeys({});
    r.unfinished = !r.skipped && text != whole;
    return r;
}

} // namespace switchsim
