#include "bench/switchsim.h"

#include "app/compositionrules.h"
#include "input/switchinput.h"
#include "prediction/kanaalphabet.h"
#include "speech/announcements.h"

#include <QFile>
#include <QSet>
#include <cmath>
#include <optional>

namespace switchsim {

namespace {

Place placeOf(const input::ScanPlace &p)
{
    Place out;
    out.level = p.level == input::ScanPlace::None ? Place::None
                : p.level == input::ScanPlace::Group ? Place::Group
                                                     : Place::Key;
    out.group = p.group;
    out.tag = p.tag;
    return out;
}

// input::SwitchScan itself, in the board's order.
class ProgramScan : public Scan
{
public:
    explicit ProgramScan(const input::Reachable &scannable) : m_scannable(scannable)
    {
        for (int g = 0; g < int(input::boardOrder().size()); ++g)
            m_groups.push_back({input::boardOrder()[g].name, 1, boardKeys(g, scannable)});
    }
    Step start(const QString &) override
    {
        // After a press the program's scan has already started again.
        const input::ScanStep s = m_restart ? *m_restart : m_scan.start(m_scannable);
        m_restart.reset();
        return {placeOf(s.place), -1, s.first};
    }
    Step tick() override { return convert(m_scan.tick(m_scannable)); }
    Step select() override
    {
        const input::ScanStep s = m_scan.select(m_scannable);
        if (s.pressed >= 0) {
            m_restart = s;
            return {{}, s.pressed, false};
        }
        return convert(s);
    }
    const OfferedGroup &group(int index) const override { return m_groups.at(index); }

private:
    static Step convert(const input::ScanStep &s) { return {placeOf(s.place), s.pressed, s.first}; }
    input::Reachable m_scannable;
    input::SwitchScan m_scan;
    std::vector<OfferedGroup> m_groups;
    std::optional<input::ScanStep> m_restart;
};

// The program's rules over a list of groups: groups in turn (three loops,
// then a pause); a group's keys in turn, then "もどる", twice round, then the
// group again; a press starts again at the first group.
class ListScan : public Scan
{
public:
    ListScan(const GroupOrder &order, const input::Reachable &scannable, bool backToFirst)
        : m_order(order), m_scannable(scannable), m_backToFirst(backToFirst)
    {
    }
    Step start(const QString &before) override
    {
        m_groups.clear();
        for (OfferedGroup &g : m_order.groups(before, m_scannable))
            if (!g.keys.empty())
                m_groups.push_back(std::move(g));
        return show({Place::Group, 0, input::kBack}, true);
    }
    Step tick() override
    {
        if (m_place.level == Place::None)
            return {};
        if (m_place.level == Place::Group) {
            if (m_shown >= m_loops * int(m_groups.size())) {
                m_place = {};
                return {};
            }
            return show({Place::Group, (m_place.group + 1) % int(m_groups.size()), input::kBack}, false);
        }
        const std::vector<int> &keys = m_groups[m_place.group].keys;
        if (m_shown >= input::SwitchScan::kKeyLevelLoops * int(keys.size() + 1))
            return show({Place::Group, m_place.group, input::kBack}, true);
        if (m_place.tag == input::kBack)
            return show({Place::Key, m_place.group, keys.front()}, false);
        const auto it = std::find(keys.begin(), keys.end(), m_place.tag);
        return show({Place::Key, m_place.group, it + 1 == keys.end() ? input::kBack : *(it + 1)}, false);
    }
    Step select() override
    {
        switch (m_place.level) {
        case Place::None:
            return show({Place::Group, 0, input::kBack}, true);
        case Place::Group: {
            const std::vector<int> &keys = m_groups[m_place.group].keys;
            if (keys == std::vector<int>{keys::kRead})
                return press(keys::kRead);
            return show({Place::Key, m_place.group, keys.front()}, true);
        }
        case Place::Key:
            if (m_place.tag == input::kBack)
                return show({Place::Group, m_backToFirst ? 0 : m_place.group, input::kBack}, true);
            return press(m_place.tag);
        }
        return {};
    }
    const OfferedGroup &group(int index) const override { return m_groups.at(index); }

private:
    Step show(Place p, bool first)
    {
        m_place = p;
        m_shown = first ? 1 : m_shown + 1;
        return {p, -1, first};
    }
    Step press(int tag)
    {
        m_place = {};
        return {{}, tag, false};
    }
    const GroupOrder &m_order;
    input::Reachable m_scannable;
    std::vector<OfferedGroup> m_groups;
    Place m_place;
    int m_shown = 0;
    const int m_loops = 3;
    bool m_backToFirst = false;
};

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

bool contains(const OfferedGroup &g, int tag)
{
    return std::find(g.keys.begin(), g.keys.end(), tag) != g.keys.end();
}

} // namespace

std::vector<int> boardKeys(int group, const input::Reachable &scannable)
{
    std::vector<int> out;
    for (int place : input::boardOrder()[group].places)
        if (scannable.test(place))
            out.push_back(place);
    return out;
}

std::unique_ptr<Scan> programScan(const input::Reachable &scannable)
{
    return std::make_unique<ProgramScan>(scannable);
}

std::unique_ptr<Scan> listScan(const GroupOrder &order, const input::Reachable &scannable, bool backToFirst)
{
    return std::make_unique<ListScan>(order, scannable, backToFirst);
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
    Step step = scan.start(text);
    ++r.highlights;
    const auto announce = [&](const Place &p) {
        if (p.level == Place::Group)
            return lengths.ms(scan.group(p.group).voice, scan.group(p.group).name);
        if (p.tag == input::kBack)
            return lengths.ms(1, QStringLiteral("もどる"));
        return lengths.ms(1, announcements::forKey(p.tag, keys::table()[p.tag].caption, false));
    };
    // What the press does to the text, and how long what it says lasts.
    const auto apply = [&](int tag) -> double {
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
    for (int want = wanted(text, lastKey, target); want >= 0 && r.highlights < limit;
         want = wanted(text, lastKey, target)) {
        const Place &p = step.place;
        if (p.level == Place::None) { // paused: a press starts it again
            t += reaction(random);
            ++r.presses;
            lastCounted = t;
            step = scan.select();
            ++r.highlights;
            continue;
        }
        const double end = t + announce(p) + user.interval + (step.first ? user.firstWait : 0);
        bool isTarget = false;
        if (p.level == Place::Group) {
            for (int g = 0; g <= p.group && !isTarget; ++g)
                if (contains(scan.group(g), want))
                    isTarget = g == p.group;
        } else {
            const bool here = contains(scan.group(p.group), want);
            isTarget = p.tag == want || (p.tag == input::kBack && !here);
        }
        if (!pending && isTarget) {
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
            const Step s = scan.select();
            if (s.pressed >= 0) {
                t = at + apply(s.pressed);
                step = scan.start(text);
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
