#include "kanji/engine.h"

#include <anthy/anthy.h>

namespace kanji {

namespace {

// Anthy: one context, UTF-8 in and out. Nothing is committed to Anthy, so it
// keeps no history of its own in the user's home folder; the program keeps
// its own (kanji/history).
class AnthyEngine : public Engine
{
public:
    AnthyEngine(anthy_context_t context) : m_context(context) {}
    ~AnthyEngine() override { anthy_release_context(m_context); }

    QList<Phrase> convert(const QString &reading) override
    {
        QList<Phrase> phrases;
        if (reading.isEmpty() || anthy_set_string(m_context, reading.toUtf8().constData()) != 0)
            return phrases;
        anthy_conv_stat conv{};
        anthy_get_stat(m_context, &conv);
        for (int s = 0; s < conv.nr_segment; ++s) {
            anthy_segment_stat seg{};
            anthy_get_segment_stat(m_context, s, &seg);
            Phrase phrase;
            phrase.reading = text(s, NTH_UNCONVERTED_CANDIDATE);
            for (int c = 0; c < seg.nr_candidate && c < kMaxCandidates; ++c) {
                const QString candidate = text(s, c);
                if (!candidate.isEmpty() && !phrase.candidates.contains(candidate))
                    phrase.candidates << candidate;
            }
            phrases << phrase;
        }
        return phrases;
    }

private:
    static constexpr int kMaxCandidates = 64;

    QString text(int segment, int candidate)
    {
        char buffer[1024];
        const int n = anthy_get_segment(m_context, segment, candidate, buffer, sizeof buffer);
        return n < 0 ? QString() : QString::fromUtf8(buffer, qMin(n, int(sizeof buffer) - 1));
    }

    anthy_context_t m_context;
};

} // namespace

std::unique_ptr<Engine> makeAnthyEngine()
{
    // No personality: Anthy keeps nothing of the user's in the home folder.
    static const bool started = anthy_init() == 0 && anthy_set_personality("") == 0;
    if (!started)
        return nullptr;
    anthy_context_t context = anthy_create_context();
    if (!context)
        return nullptr;
    anthy_context_set_encoding(context, ANTHY_UTF8_ENCODING);
    return std::make_unique<AnthyEngine>(context);
}

} // namespace kanji
