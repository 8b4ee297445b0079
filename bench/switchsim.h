#pragma once
// A one-switch user simulated on a virtual clock, writing a text with the
// automatic scan: highlights, presses and seconds per character.
//
// The scan's order comes from a GroupOrder: the groups in the order they are
// offered and the keys of each in the order they are offered, asked again
// after every press. The board's order runs on the program's own scan
// (input::SwitchScan); any other order runs on ListScan, which follows the
// same rules over the list a GroupOrder gives (the two are checked against
// each other on the board's order).
#include "input/switchscan.h"
#include "prediction/ngramtable.h"

#include <QHash>
#include <QString>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace switchsim {

struct OfferedGroup
{
    QString name;           // what is said when the group is highlighted
    int voice = 1;          // in which voice (1 selection, 2 decision)
    std::vector<int> keys;  // Tags, in the order offered
};

class GroupOrder
{
public:
    virtual ~GroupOrder() = default;
    // The groups for the text before the insertion point.
    virtual std::vector<OfferedGroup> groups(const QString &before, const input::Reachable &scannable) const = 0;
};

// What the scan shows and does, as the simulated user meets it.
struct Place
{
    enum Level { None, Group, Key } level = None;
    int group = 0;        // index into the groups of the last start
    int tag = input::kBack;
};
struct Step
{
    Place place;
    int pressed = -1;
    bool first = false;
};

class Scan
{
public:
    virtual ~Scan() = default;
    virtual Step start(const QString &before) = 0;
    virtual Step tick() = 0;
    virtual Step select() = 0;
    virtual const OfferedGroup &group(int index) const = 0;
};

// The program's scan in the board's order.
std::unique_ptr<Scan> programScan(const input::Reachable &scannable);
// The keys of a group of the board's order that can be reached, in order.
std::vector<int> boardKeys(int group, const input::Reachable &scannable);
// The same rules over the groups an order gives. With `backToFirst`, "もどる"
// returns to the first group rather than to the group it was chosen from
// (a variant the program does not have, measured for comparison).
std::unique_ptr<Scan> listScan(const GroupOrder &order, const input::Reachable &scannable, bool backToFirst = false);

// How long each announcement sounds (bench/data/announcements.tsv).
class Lengths
{
public:
    bool read(const QString &path);
    double ms(int voice, const QString &text) const;

private:
    QHash<QString, double> m_ms;
};

struct UserModel
{
    double interval = 1000;  // 間隔
    double firstWait = 500;  // 最初の待ち
    double ignore = 250;     // 受け付けない時間
    double medianReaction = 400;
    double reactionSigma = 0.3; // of the log-normal reaction time
    double lateShare = 0.05;    // presses that come only once the next place is shown
    double lateDelay = 300;     // a late press lands this long (at most, uniformly) into the next place
    double dialogPenalty = 5000; // a late press that opens a dialog (めーる): closing it
};

struct Result
{
    long characters = 0;
    long highlights = 0;
    long presses = 0;
    long corrections = 0; // presses of けす
    long late = 0;
    long ignored = 0;
    long dialogs = 0;
    long cleared = 0; // late presses on ぜんぶけす
    long unfinished = 0; // texts given up (far too many highlights)
    double ms = 0;
    Result &operator+=(const Result &o);
};

// Writes the text (symbols of the board's alphabet) from an empty display.
Result write(Scan &scan, const std::vector<prediction::Symbol> &target, const Lengths &lengths,
             const UserModel &user, std::mt19937 &random);

} // namespace switchsim
