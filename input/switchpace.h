#pragma once
#include <QByteArray>
#include <QDate>
#include <QString>
#include <deque>
#include <optional>
#include <vector>

// The automatic scan's pace learned from the person's own presses, and the
// bound under which a press just after the highlight moved on is taken for
// the place just left.
//
// For every counted press of the automatic scan the caller tells how long
// after the chosen place appeared it came, how far into the interval (after
// the place's name and any first wait), and what it chose. A press is taken
// back when a けす, もどる or ぜんぶけす comes among the next two choices, or
// when it was a late press taken for the place before. From the recent
// presses the interval is set so that the person's slow presses still land:
// it comes down a little at each reliable press, and goes up at once when
// corrections come close together. It only moves at presses, by a bounded
// step, so it never swings from place to place.
//
// The class knows nothing of windows or clocks; what it learned is kept as
// a few numbers per press and per day (never what was written).
namespace input {

constexpr int kGroupEntered = -2;

struct PacePress
{
    int reaction = 0;      // ms from the chosen place's appearance to the press
    int intoInterval = 0;  // ms from the end of its name (and first wait) to the press; < 0: before
    int choice = kGroupEntered; // the Tag the press pressed, kBack (-1) for "もどる", or a group entered
    bool late = false;     // taken for the place just left
    qint64 sincePrevious = 0; // ms since the previous counted press (time spent writing)
    QDate day;
};

class SwitchPace
{
public:
    static constexpr int kLow = 300, kHigh = 5000; // the interval's range (間隔)
    static constexpr int kWindow = 40;       // recent presses weighed
    static constexpr int kEnough = 10;       // presses before the person's own figures are used
    static constexpr int kLateStart = 200;   // the late-press bound until then
    static constexpr int kLateMost = 400;    // and never more
    static constexpr int kCloseTogether = 8; // kCorrections corrections within so many presses: slower at once
    static constexpr int kCorrections = 3;
    static constexpr int kDays = 14;         // days kept for the helper's chart
    static constexpr qint64 kPauseMs = 30'000; // a longer gap between presses is not time spent writing

    struct Day
    {
        QDate date;
        int characters = 0; // presses that wrote a character
        int presses = 0;
        int corrections = 0;
        qint64 ms = 0;      // time spent writing (gaps between presses up to kPauseMs)
        bool operator==(const Day &) const = default;
        double perMinute() const { return ms > 0 ? characters * 60'000.0 / ms : 0; }
        double correctionsPer100() const { return presses > 0 ? corrections * 100.0 / presses : 0; }
    };

    // Where learning stands: the interval in effect (the settings file's 間隔,
    // which keeps it; the private file keeps the presses and the days).
    void setInterval(int ms);
    int interval() const { return m_interval; }
    // The first wait in proportion to the interval, for a first wait set at `interval`.
    static int scaled(int firstWait, int fromInterval, int toInterval);

    // Whether a late press is taken for the place just left ("おそいおし"):
    // the interval can then leave more of the slowest presses to it.
    void setCatchesLate(bool catches) { m_catchesLate = catches; }

    // A counted press of the automatic scan. True when the interval changed.
    bool press(const PacePress &p);
    // A press sooner than this (ms) after the highlight moved on is late:
    // it is taken for the place just left.
    int lateBound() const;

    // Forgets the presses (not the days) and begins again at `interval`.
    void reset(int interval);

    // The person's usual (median) and slow (nine in ten) press times, ms; -1 before any press.
    int usual() const { return quantile(0.5); }
    int slowest() const { return quantile(0.9); }
    int presses() const { return int(m_samples.size()); }
    const std::vector<Day> &days() const { return m_days; }
    // The last kDays days up to `today`, a zero day for each without presses.
    std::vector<Day> chart(const QDate &today) const;

    // The state as the private file keeps it, and back. A damaged,
    // truncated or out-of-range file gives nothing: the caller starts afresh.
    QByteArray toBytes() const;
    static std::optional<SwitchPace> fromBytes(const QByteArray &bytes);
    // $XDG_DATA_HOME/mojipot/switch-pace.txt
    static QString defaultPath();
    // Read without following a link or waiting on a pipe; a missing or bad
    // file gives a fresh state.
    static SwitchPace load(const QString &path);
    bool save(const QString &path) const;

private:
    struct Sample
    {
        int reaction = 0;
        int intoInterval = 0;
        bool late = false;
    };
    int quantile(double q) const;
    int target() const;
    Day &today(const QDate &date);

    int m_interval = 1000;
    bool m_catchesLate = true;
    std::deque<Sample> m_samples;
    std::deque<int> m_corrections; // press counts at which recent corrections came
    int m_count = 0;                     // presses seen since the start or the last reset
    int m_calmSince = 0;                 // corrections before this count are spent
    std::vector<Day> m_days;
};

} // namespace input
