#pragma once
#include "input/switchscan.h"
#include "prediction/ngramtable.h"

#include <QStringList>

// The switch scan's orders from the kana model: the groups offered first are
// those the user most likely wants next. The board never changes; only the
// order in which the scan offers its keys does. Each order is computed from
// the probabilities of the next press, for the places the scan may offer.
namespace prediction {

// Where "よむ" stands in the orders by likelihood: after every column, or
// after the kana columns, before the command columns.
enum class ReadAt { Last, BeforeCommands };

struct OrderOptions
{
    int likelyKeys = 5;       // keys in "よそく"
    ReadAt read = ReadAt::Last; // chosen by bench/switch_sim_bench (README, "One switch")
    // Order 3: "けすのれつ" ranks among the columns as if its keys were this
    // likely (about the share of presses that must be taken back); 0: after
    // every column. Chosen by the same bench.
    double deleteWeight = 0.04;
};

// "よそく": the likeliest entry keys among the places the scan may offer, at
// most `count`, none that would write nothing, likeliest first; a frame
// round each in its place on the board.
input::ScanGroup likelyGroup(const Distribution &next, const input::Reachable &scannable, int count);

// A board column's group with its keys likeliest first (the commands after,
// as the board has them); `weight` is set to the sum of its keys' probabilities.
input::ScanGroup columnByLikelihood(int column, const Distribution &next, const input::Reachable &scannable,
                                    double *weight = nullptr);

// The groups of an order ("並び", input::SwitchSettings):
// 1  the board's order: "よむ", then the 13 columns;
// 2  "よそく", then the columns as the board has them;
// 3  the columns that write (あ to the space's) by the summed probability
//    of their keys, each with its keys likeliest first, and "けすのれつ"
//    among them by options.deleteWeight;
// "よむ" in orders 2 and 3 where options.read says.
input::ScanOrder scanOrder(int order, const Distribution &next, const input::Reachable &scannable,
                           const OrderOptions &options = {});

// What the scan says for its groups and "もどる" in any order: the long names
// in the selection voice, the short names in the decision voice (made ahead
// at start, so that the first scan sounds at once).
struct SpokenNames
{
    QStringList selection, decision;
};
SpokenNames spokenNames();

} // namespace prediction
