#include "kanji/conversionodds.h"

#include <algorithm>

namespace kanji {

namespace {

// The priors, as if the user had already answered so: the engines' first
// candidates are right about nine phrases in ten (README, "The engines"),
// and a writer who switched conversion on converts most phrases.
constexpr double kTookPrior = 8, kNextPrior = 1;
constexpr double kConvertedPrior = 3, kUnconvertedPrior = 1;

} // namespace

ConversionOdds::Odds ConversionOdds::at(bool shown, int run, double phraseEnd) const
{
    if (shown) {
        const Counts &c = m_counts;
        const double took = (c.took + kTookPrior) / (c.took + c.next + kTookPrior + kNextPrior);
        return {(1 - kOtherWhileShown) * (1 - took), (1 - kOtherWhileShown) * took};
    }
    if (run < kShortestRun)
        return {};
    const Counts &c = m_counts;
    const double share =
        (c.converted + kConvertedPrior) / (c.converted + c.unconverted + kConvertedPrior + kUnconvertedPrior);
    return {share * std::clamp(phraseEnd, 0.0, 1.0), 0};
}

} // namespace kanji
