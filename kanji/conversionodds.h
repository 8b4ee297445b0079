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
    void askedNext() { ++m_counts.next; }
    void tookShown() { ++m_counts.took; }
    void converted() { ++m_counts.converted; }
    void endedUnconverted() { ++m_counts.unconverted; }

    // What was learnt, as the settings file keeps it.
    struct Counts
    {
        int next = 0, took = 0, converted = 0, unconverted = 0;
        bool operator==(const Counts &) const = default;
    };
    const Counts &counts() const { return m_counts; }
    void setCounts(const Counts &c) { m_counts = c; }

    // A run shorter than this is not offered for converting.
    static constexpr int kShortestRun = 2;
    // Presses other than these two while candidates are shown (けす, a kana
    // that commits what is shown): their share.
    static constexpr double kOtherWhileShown = 0.1;

private:
    Counts m_counts;
};

} // namespace kanji
