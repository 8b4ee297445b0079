#pragma once

// How likely the next press is "へんかん" or "かくてい", so that the switch
// scan can offer them among the likeliest keys: learnt from where this user
// converts. With candidates shown, how often they took the candidate shown
// ("かくてい") or asked for the next ("へんかん"); with a run of kana not yet
// converted, how often they converted it where a phrase could end rather
// than going on with "、" or "。". Counts start from a prior, so a new user
// is offered them as most writers use conversion.
namespace kanji {

class ConversionOdds
{
public:
    struct Odds
    {
        double convert = 0; // "へんかん"
        double commit = 0;  // "かくてい"
    };

    // The odds now: `shown` while candidates are shown; `run` the kana of
    // the unconverted run; `phraseEnd` how likely the kana model finds a
    // phrase ending here (its "、", "。", space and new line together).
    Odds at(bool shown, int run, double phraseEnd) const;

    // What the user pressed: with candidates shown, the next candidate or
    // the one shown taken; with a run of kana, converting it, or ending the
    // phrase ("、" "。") without converting it.
    void askedNext() { ++m_next; }
    void tookShown() { ++m_took; }
    void converted() { ++m_converted; }
    void endedUnconverted() { ++m_unconverted; }

    // A run shorter than this is not offered for converting.
    static constexpr int kShortestRun = 2;
    // Presses other than these two while candidates are shown (けす, a kana
    // that commits what is shown): their share.
    static constexpr double kOtherWhileShown = 0.1;

private:
    int m_next = 0, m_took = 0, m_converted = 0, m_unconverted = 0;
};

} // namespace kanji
