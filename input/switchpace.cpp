#include "input/switchpace.h"

#include "base/keytable.h"
#include "base/wholefile.h"
#include "input/switchscan.h"

#include <QList>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>

namespace input {

namespace {

constexpr QByteArrayView kMagic = "mojipot-switch-pace 1";
constexpr qint64 kMaxFileBytes = 16 * 1024;
constexpr int kMaxPressMs = 60'000;

// A press that takes back what came before it: けす, ぜんぶけす, もどる.
bool takesBack(int choice)
{
    return choice == kBack || choice == keys::kDelete || choice == keys::kClearAll;
}

// A press that writes: the kana, marks and punctuation, くうはく and ぎょう, a word of the row.
bool writes(int choice)
{
    return (choice >= 1 && choice <= keys::kNewLine) || choice >= keys::kCount;
}

int roundTo10(double ms)
{
    return int(std::lround(ms / 10.0)) * 10;
}

// A whole number in ASCII digits within [low, high], else nothing.
std::optional<qint64> number(const QByteArray &text, qint64 low, qint64 high)
{
    if (text.isEmpty() || text.size() > 12)
        return std::nullopt;
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok || v < low || v > high)
        return std::nullopt;
    for (char c : text)
        if (!(c == '-' || (c >= '0' && c <= '9')))
            return std::nullopt;
    return v;
}

} // namespace

void SwitchPace::setInterval(int ms)
{
    m_interval = std::clamp(ms, kLow, kHigh);
}

int SwitchPace::scaled(int firstWait, int fromInterval, int toInterval)
{
    if (fromInterval <= 0)
        return firstWait;
    return std::clamp(int(std::lround(double(firstWait) * toInterval / fromInterval)), 0, kHigh);
}

int SwitchPace::quantile(double q) const
{
    if (m_samples.empty())
        return -1;
    std::vector<int> v;
    for (const Sample &s : m_samples)
        v.push_back(s.reaction);
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(q * double(v.size())))];
}

int SwitchPace::target() const
{
    // Most of the recent presses land inside the interval, with a margin;
    // the rest are caught as late presses or come back round. Where late
    // presses are caught, all but the slowest 15 %: such a press counts
    // from the place it was meant for, past its end, and with nine in ten
    // one in twenty of them would lift the interval for good. Where they
    // are not, a slow press costs a correction: 92 in 100.
    std::vector<int> v;
    for (const Sample &s : m_samples)
        v.push_back(s.intoInterval);
    std::sort(v.begin(), v.end());
    const double share = m_catchesLate ? 0.85 : 0.92;
    const int slow = v[std::min(v.size() - 1, size_t(share * double(v.size())))];
    return std::clamp(roundTo10(slow * 1.1 + 100), kLow, kHigh);
}

SwitchPace::Day &SwitchPace::today(const QDate &date)
{
    if (m_days.empty() || m_days.back().date != date) {
        m_days.push_back({date});
        while (!m_days.empty() && m_days.front().date.daysTo(date) >= kDays)
            m_days.erase(m_days.begin());
    }
    return m_days.back();
}

bool SwitchPace::press(const PacePress &p)
{
    ++m_count;
    const bool correction = p.late || (takesBack(p.choice) && m_count > 1);
    if (p.day.isValid()) {
        Day &d = today(p.day);
        ++d.presses;
        d.corrections += correction;
        d.characters += writes(p.choice);
        d.ms += std::clamp<qint64>(p.sincePrevious, 0, kPauseMs);
    }
    m_samples.push_back({std::clamp(p.reaction, 0, kMaxPressMs), std::clamp(p.intoInterval, -kMaxPressMs, kMaxPressMs),
                         p.late});
    while (int(m_samples.size()) > kWindow)
        m_samples.pop_front();
    if (correction)
        m_corrections.push_back(m_count);
    while (!m_corrections.empty()
           && (m_corrections.front() <= m_count - kCloseTogether || m_corrections.front() <= m_calmSince))
        m_corrections.pop_front();

    const int before = m_interval;
    if (int(m_corrections.size()) >= kCorrections) {
        // Corrections close together: slower at once, and those are spent.
        m_interval = std::clamp(std::max(roundTo10(m_interval * 1.15), target()), kLow, kHigh);
        m_calmSince = m_count;
        m_corrections.clear();
    } else if (int(m_samples.size()) >= kEnough && !correction) {
        // Towards what the recent presses need: down by a sixteenth of the
        // way at each reliable press, up by a quarter.
        const int goal = target();
        const int gap = goal - m_interval;
        const double part = gap < 0 ? gap / 16.0 : gap / 4.0;
        // At least 10 ms while 10 ms or more away, so that rounding never stalls it.
        const int step = std::abs(gap) < 10 ? 0 : gap < 0 ? std::min(-10, roundTo10(part)) : std::max(10, roundTo10(part));
        m_interval = std::clamp(m_interval + step, kLow, kHigh);
    }
    return m_interval != before;
}

int SwitchPace::lateBound() const
{
    // Sooner than the person has lately reacted to any new place: not a
    // reaction to the place now shown.
    int fastest = -1;
    int seen = 0;
    for (const Sample &s : m_samples) {
        if (s.late)
            continue;
        ++seen;
        fastest = fastest < 0 ? s.reaction : std::min(fastest, s.reaction);
    }
    if (seen < kEnough)
        return kLateStart;
    return std::clamp(fastest * 9 / 10, 0, kLateMost); // a tenth under the fastest: few presses in time are taken
}

void SwitchPace::reset(int interval)
{
    setInterval(interval);
    m_samples.clear();
    m_corrections.clear();
    m_count = 0;
    m_calmSince = 0;
}

std::vector<SwitchPace::Day> SwitchPace::chart(const QDate &today) const
{
    std::vector<Day> out;
    for (int back = kDays - 1; back >= 0; --back) {
        const QDate date = today.addDays(-back);
        auto it = std::find_if(m_days.begin(), m_days.end(), [&](const Day &d) { return d.date == date; });
        out.push_back(it != m_days.end() ? *it : Day{date});
    }
    return out;
}

QByteArray SwitchPace::toBytes() const
{
    QByteArray out = kMagic.toByteArray() + '\n';
    for (const Sample &s : m_samples)
        out += "press " + QByteArray::number(s.reaction) + ' ' + QByteArray::number(s.intoInterval) + ' '
               + QByteArray::number(int(s.late)) + '\n';
    for (const Day &d : m_days)
        out += "day " + d.date.toString(Qt::ISODate).toLatin1() + ' ' + QByteArray::number(d.characters) + ' '
               + QByteArray::number(d.presses) + ' ' + QByteArray::number(d.corrections) + ' '
               + QByteArray::number(d.ms) + '\n';
    out += "end\n";
    return out;
}

std::optional<SwitchPace> SwitchPace::fromBytes(const QByteArray &bytes)
{
    // Every line must be whole and in range, and the file must end with
    // "end": a cut file is refused as a whole.
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() < 2 || lines.front() != kMagic || lines.back() != "" || lines[lines.size() - 2] != "end")
        return std::nullopt;
    SwitchPace pace;
    for (qsizetype i = 1; i < lines.size() - 2; ++i) {
        const QList<QByteArray> f = lines[i].split(' ');
        if (f.front() == "press" && f.size() == 4 && int(pace.m_samples.size()) < kWindow) {
            const auto r = number(f[1], 0, kMaxPressMs), into = number(f[2], -kMaxPressMs, kMaxPressMs),
                       late = number(f[3], 0, 1);
            if (!r || !into || !late)
                return std::nullopt;
            pace.m_samples.push_back({int(*r), int(*into), *late == 1});
        } else if (f.front() == "day" && f.size() == 6 && int(pace.m_days.size()) < kDays) {
            const QDate date = QDate::fromString(QString::fromLatin1(f[1]), Qt::ISODate);
            const auto c = number(f[2], 0, 1'000'000), p = number(f[3], 0, 1'000'000),
                       k = number(f[4], 0, 1'000'000), ms = number(f[5], 0, 86'400'000);
            if (!date.isValid() || !c || !p || !k || !ms || *k > *p
                || (!pace.m_days.empty() && pace.m_days.back().date >= date))
                return std::nullopt;
            pace.m_days.push_back({date, int(*c), int(*p), int(*k), *ms});
        } else {
            return std::nullopt;
        }
    }
    pace.m_count = int(pace.m_samples.size());
    pace.m_calmSince = pace.m_count;
    return pace;
}

QString SwitchPace::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/mojipot/switch-pace.txt");
}

SwitchPace SwitchPace::load(const QString &path)
{
    if (const auto bytes = wholefile::readPlain(path, kMaxFileBytes))
        if (auto pace = fromBytes(*bytes))
            return *pace;
    return {};
}

bool SwitchPace::save(const QString &path) const
{
    return wholefile::replacePrivate(path, toBytes());
}

} // namespace input
