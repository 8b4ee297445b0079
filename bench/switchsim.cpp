#include "bench/switchsim.h"

#include "app/compositionrules.h"
#include "input/switchinput.h"
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
    m_row = m_setup.row(m_before);
    for (int i = 0; i < prediction::kRowPlaces; ++i)
        m_scannable.set(input::kFirstWord + i, m_row[i].kind != prediction::RowItem::Empty);
    *before = m_before;
    *wordStart = prediction::wordStart(m_before, int(m_before.size()));
    return &m_row;
}

int Scan::wantedFromRow(const QString &text, const QString &target) const
{
    // The longest word or phrase that writes what comes next (two
    // characters or more), when reaching and choosing it takes less time
    // than writing it with the keys.
    const int start = prediction::wordStart(text, int(text.size()));
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
    for (const input::ScanGroup &g : m_scan.order()) {
        if (g.column == 14)
            break;
        reach += t.say(m_setup.shortNames && !g.shortName.isEmpty() ? g.shortName : g.name) + t.interval;
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
    if (p.level == input::ScanPlace::Key && input::isWordPlace(p.tag))
        return m_row[p.tag - input::kFirstWord].spoken;
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
    landedLate += o.landedLate;
    takenRight += o.takenRight;
    takenWrong += o.takenWrong;
    ms += o.ms;
    return *this;
}

Result write(Scan &scan, const std::vector<prediction::Symbol> &target, const Lengths &lengths, const UserModel &user,
             std::mt19937 &random)
{
    Result r;
    for (const prediction::Symbol s : target)
        r.characters += s != prediction::kVoiced && s != prediction::kSemiVoiced && s != prediction::kBreak;
    std::lognormal_distribution<double> reaction(std::log(user.medianReaction), user.reactionSigma);
    std::uniform_real_distribution<double> unit(0, 1);

    QString text;
    int lastKey = 0;
    double t = 0;
    double lastCounted = -1e9;
    std::optional<double> pending;
    input::ScanStep step = scan.start(text);
    ++r.highlights;
    const auto announce = [&](const input::ScanPlace &p) {
        int voice = 1;
        const QString text = scan.said(p, &voice);
        const bool word = (p.level == input::ScanPlace::Key && input::isWordPlace(p.tag))
                          || (p.level == input::ScanPlace::Group && scan.row()[0].kind != prediction::RowItem::Empty
                              && text == scan.row()[0].spoken);
        return word ? lengths.estimate(voice, text) : lengths.ms(voice, text);
    };
    // What the press does to the text, and how long what it says lasts.
    const auto apply = [&](int tag) -> double {
        if (input::isWordPlace(tag)) { // as the window writes it, the whole word said
            const prediction::RowItem &item = scan.row()[tag - input::kFirstWord];
            ++r.fromRow;
            if (item.kind == prediction::RowItem::Completion)
                text = text.left(prediction::wordStart(text, int(text.size()))) + item.caption;
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
    };

    const long limit = 400 * long(target.size() + 10);
    const QString whole = prediction::textOf(target);
    // The key the user wants next, or a word place when the row pays.
    const auto wantNow = [&] {
        const int key = wanted(text, lastKey, target);
        if (key < 0 || key == keys::kDelete)
            return key;
        const int word = scan.wantedFromRow(text, whole);
        return word >= 0 ? word : key;
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
    r.unfinished = wanted(text, lastKey, target) >= 0;
    return r;
}

} // namespace switchsim
