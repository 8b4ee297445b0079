#pragma once
#include "input/switchscan.h"
#include "input/switchsettings.h"
#include "prediction/adaptation.h"
#include "prediction/row.h"

#include <QStringList>
#include <memory>

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
// `commands`: keys other than the kana with their likelihood (the
// conversion keys), ranked among them, the kana sharing what they leave.
input::ScanGroup likelyGroup(const Distribution &next, const input::Reachable &scannable, int count,
                             const std::vector<RankedKey> &commands = {});

// A board column's group with its keys likeliest first (the commands after,
// as the board has them); `weight` is set to the sum of its keys' probabilities.
input::ScanGroup columnByLikelihood(int column, const Distribution &next, const input::Reachable &scannable,
                                    double *weight = nullptr, const std::vector<RankedKey> &commands = {});

// The groups of an order ("並び", input::SwitchSettings):
// 1  the board's order: "よむ", then the 13 columns;
// 2  "よそく", then the columns as the board has them;
// 3  the columns that write (あ to the space's) by the summed probability
//    of their keys, each with its keys likeliest first, and "けすのれつ"
//    among them by options.deleteWeight;
// "よむ" in orders 2 and 3 where options.read says.
// With `commands` (the conversion keys and their likelihood), order 2
// offers them in "よそく" when among the likeliest, order 3 weighs their
// column with them and ranks them among its keys.
input::ScanOrder scanOrder(int order, const Distribution &next, const input::Reachable &scannable,
                           const OrderOptions &options = {}, const std::vector<RankedKey> &commands = {});

// What the scan says for its groups and "もどる" in any order: the long names
// in the selection voice, the short names in the decision voice (made ahead
// at start, so that the first scan sounds at once).
struct SpokenNames
{
    QStringList selection, decision;
};
SpokenNames spokenNames();

// The text the scan's order is computed for, and the row of words filled
// for it (prediction::WordRow on the window).
class WritingNow
{
public:
    virtual ~WritingNow() = default;
    // At most `characters` characters before the insertion point.
    virtual QString textBefore(int characters) const = 0;
    // The row as it is for the text now, the text before the insertion
    // point it was filled for and where its word starts in it; nullptr
    // while the row is off.
    virtual const Row *row(QString *before, int *wordStart) = 0;
    // The conversion keys ("へんかん", "かくてい") with how likely the next
    // press is each, given how likely a phrase ends here; none while
    // conversion does not offer them.
    virtual std::vector<RankedKey> conversionKeys(double phraseEnd) { (void)phraseEnd; return {}; }
};

// The row is offered first only when it is expected to save at least this
// share of the scan's interval more than its own highlight costs. The
// estimate rests on the model, which is surer of itself than it should be
// on writing unlike what it learnt from, and a row offered and passed
// costs its highlight each time.
constexpr double kOfferMargin = 0.75;

// The switch scan's order, in one place: the kana model and its adaptation
// to the user's writing, the order chosen ("並び"), the scan's pace, and
// where the row of words goes among the groups. Switch input asks it for
// the groups each time the scan starts again and tells it the settings
// whenever they change (input::OrderSource).
class ScanOrders : public input::OrderSource
{
public:
    // `rowFrame`: the scan's frame round the row of words (context::Keys).
    ScanOrders(std::shared_ptr<const KanaModel> model, int rowFrame) : m_adaptation(std::move(model)), m_rowFrame(rowFrame) {}

    Adaptation &adaptation() { return m_adaptation; }
    // What the order is computed for (none: the board's order, no row).
    void setWriting(WritingNow *writing) { m_writing = writing; }
    // How orders 2 and 3 are made (the program's own unless changed).
    void setOptions(const OrderOptions &options) { m_options = options; }

    // The order chosen and the scan's pace (its interval and first wait).
    void setSettings(const input::SwitchSettings &settings) override;
    const ScanTiming &timing() const { return m_timing; }
    // The groups for the text before the insertion point: the order chosen
    // from the model (the board's order without a model), and the row's
    // group among them while the row holds something.
    input::ScanOrder next(const input::Reachable &scannable) const override;

    // The seconds the scan without the row takes to write these symbols after
    // `before`: for each press, the places that reach its key in the order
    // offered then (the groups up to its own, then its keys up to it), each
    // said and followed by the interval, the first waits of both levels, and
    // the kana said after the press.
    double typingTime(QStringView before, const std::vector<Symbol> &added, const input::Reachable &scannable) const;
    // The seconds the row is expected to save when the scan offers it first;
    // positive: it pays. For each place, its probability times what writing
    // its word with the keys would take beyond what choosing it from the row
    // takes after the row's own highlight; less that highlight (the first word
    // said, and the interval), spent whatever the user wants.
    double expectedGain(const Row &row, QStringView before, int wordStart, const input::Reachable &scannable) const;
    // The scan's groups with the row's group among them when it holds
    // something: first when it is expected to pay by the margin (expectedGain,
    // kOfferMargin), else last, where it costs nothing until the groups before
    // it have been passed.
    void placeRow(input::ScanOrder &order, const Row &row, QStringView before, int wordStart,
                  const input::Reachable &scannable) const;

private:
    // The groups without the row for the probabilities of the next press.
    input::ScanOrder groups(const Distribution &next, const input::Reachable &scannable,
                            const std::vector<RankedKey> &commands = {}) const;

    Adaptation m_adaptation;
    int m_rowFrame;
    WritingNow *m_writing = nullptr;
    OrderOptions m_options;
    int m_order = input::SwitchSettings::kBoardOrder;
    ScanTiming m_timing;
};

} // namespace prediction
