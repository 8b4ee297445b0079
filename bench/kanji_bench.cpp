// Kana–kanji conversion: the two engines Debian ships compared on our
// sentence set (first candidate of whole sentences and of phrases, presses
// of "へんかん" to reach the intended text), then the chosen engine on the
// real window: "へんかん" pressed → candidate shown, → its first sound, for
// runs of 2 to 20 kana, and the memory the engine adds.
//
//   kanji_bench [--accuracy-only | --latency-only] [--runs N] [--openjtalk-processes]
// (--openjtalk-processes: Open JTalk as before, an open_jtalk process a piece)
// (--latency-only keeps the other engine out of the memory figures)   (sound: ". scripts/services" first)
// libkkc (GLib) first: its headers use "signals" as a name, which Qt's
// headers make a keyword.
#include <libkkc/libkkc.h>

#include "app/keybutton.h"
#include "app/mainform.h"
#include "app/textdisplay.h"
#include "bench/eventwait.h"
#include "kanji/accuracy.h"
#include "kanji/engine.h"
#include "kanji/kanjiwriting.h"
#include "speech/audioout.h"
#include "speech/speechcontrol.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextCursor>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>


namespace {

double ms(qint64 ns) { return double(ns) / 1e6; }

double percentile(QList<double> v, double p)
{
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[qMin(int(v.size()) - 1, int(p * (v.size() - 1) + 0.5))];
}

long residentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// libkkc as a user-facing engine would use it: the language model's best
// path gives the phrases (its segments) and first candidates; the other
// paths of the ten best and the SKK dictionary's entries for a segment's
// reading give its further candidates.
class KkcEngine : public kanji::Engine
{
public:
    KkcEngine()
    {
        kkc_init();
        GError *error = nullptr;
        m_model = kkc_language_model_load("sorted3", &error);
        if (m_model)
            m_decoder = kkc_decoder_create(m_model);
        m_dict = kkc_system_segment_dictionary_new("/usr/share/skk/SKK-JISYO.L", "EUC-JP", &error);
    }
    bool ok() const { return m_decoder != nullptr; }

    QList<kanji::Phrase> convert(const QString &reading) override
    {
        QList<kanji::Phrase> out;
        int paths = 0;
        KkcSegment **best = kkc_decoder_decode(m_decoder, reading.toUtf8().constData(), 10, nullptr, 0, &paths);
        if (paths == 0)
            return out;
        // Outputs of every path by (offset, reading) of a segment.
        QHash<QString, QStringList> alternatives;
        for (int p = 0; p < paths; ++p) {
            int offset = 0;
            for (KkcSegment *s = best[p]; s; s = s->next) {
                const QString in = QString::fromUtf8(kkc_segment_get_input(s));
                QStringList &list = alternatives[QString::number(offset) + u':' + in];
                const QString o = QString::fromUtf8(kkc_segment_get_output(s));
                if (!list.contains(o))
                    list << o;
                offset += int(in.size());
            }
        }
        int offset = 0;
        for (KkcSegment *s = best[0]; s; s = s->next) {
            kanji::Phrase phrase;
            phrase.reading = QString::fromUtf8(kkc_segment_get_input(s));
            phrase.candidates = alternatives.value(QString::number(offset) + u':' + phrase.reading);
            if (m_dict) {
                KkcCandidate **c = nullptr;
                int n = 0;
                if (kkc_segment_dictionary_lookup_candidates(KKC_SEGMENT_DICTIONARY(m_dict),
                                                             phrase.reading.toUtf8().constData(), FALSE, &c, &n)) {
                    for (int i = 0; i < n; ++i) {
                        const QString o = QString::fromUtf8(kkc_candidate_get_output(c[i]));
                        if (!phrase.candidates.contains(o))
                            phrase.candidates << o;
                        g_object_unref(c[i]);
                    }
                    g_free(c);
                }
            }
            offset += int(phrase.reading.size());
            out << phrase;
        }
        for (int p = 0; p < paths; ++p)
            g_object_unref(best[p]);
        g_free(best);
        return out;
    }

private:
    KkcLanguageModel *m_model = nullptr;
    KkcDecoder *m_decoder = nullptr;
    KkcSystemSegmentDictionary *m_dict = nullptr;
};

void printScore(const char *name, const kanji::Score &s, qint64 elapsedMs)
{
    std::printf("  %-8s sentences %3d/%d (%.1f %%)  phrases %3d/%d (%.1f %%)  reachable %d  presses %.2f / sentence"
                "  engine phrases %.2f / sentence  (%lld ms)\n",
                name, s.sentenceHits, s.sentences, 100 * s.sentenceRate(), s.phraseHits, s.phrases,
                100 * s.phraseRate(), s.reachable, s.pressesPerSentence(), double(s.segments) / s.sentences,
                qlonglong(elapsedMs));
}

void accuracy(const QList<kanji::Sentence> &set)
{
    std::printf("Accuracy on %lld sentences (first candidate; phrases converted alone):\n", qlonglong(set.size()));
    QElapsedTimer t;
    t.start();
    auto anthy = kanji::makeEngine();
    const kanji::Score a = kanji::measure(*anthy, set);
    printScore("Anthy", a, t.restart());
    KkcEngine kkc;
    if (!kkc.ok())
        return;
    const kanji::Score k = kanji::measure(kkc, set);
    printScore("libkkc", k, t.elapsed());
}

// Runs of 2 to 20 kana cut from the sentence set's readings.
QStringList runsOf(int length, const QList<kanji::Sentence> &set)
{
    QStringList runs;
    QString all;
    for (const auto &s : set)
        all += s.reading.join(QString());
    // Each length starts elsewhere, so that no text is spoken twice.
    for (int i = length * 11; i + length <= all.size() && runs.size() < 40; i += 83)
        runs << all.mid(i, length);
    return runs;
}

void latency(const QList<kanji::Sentence> &set, int runs, bool processes)
{
    const long before = residentKb();
    SpeechControl::Options options = SpeechControl::defaultOptions();
    options.openJTalkInProgram = !processes;
    auto *speech = new SpeechControl(options);
    if (!speech->hasSound())
        std::printf("no sound device: start PulseAudio first (. scripts/services)\n");
    TMain_form form(speech);
    form.show();
    form.Kanji->setEnabled(true);
    const long withWindow = residentKb();
    QObject context;
    QHash<quint64, qint64> firstSound;
    QObject::connect(speech, &SpeechControl::sounding, &context,
                     [&](quint64 id, int, const QString &, const Samples &, qint64 at) {
                         if (!firstSound.contains(id))
                             firstSound.insert(id, at);
                     });
    TextDisplay *display = form.Hyouji_edit;
    KeyButton *convertKey = form.Key_table[keys::kBlank1];
    // The run entered a character at a time, as the kana keys enter it.
    auto put = [&](const QString &run) {
        form.Kanji->commitAll();
        display->clear();
        QTextCursor c = display->textCursor();
        for (QChar ch : run) {
            c.insertText(QString(ch));
            display->setTextCursor(c);
        }
    };
    // The first conversion starts the engine and reads the kanji dictionary.
    put(QStringLiteral("きょうはいいてんき"));
    QElapsedTimer cold;
    cold.start();
    convertKey->click();
    const qint64 coldMs = cold.elapsed();
    const long afterEngine = residentKb();
    bench::wait(1500);
    std::printf("\nFirst \"へんかん\" (engine start and kanji dictionary read): %lld ms\n", qlonglong(coldMs));
    std::printf("Memory: %ld MiB before the window, %ld MiB with it, +%.1f MiB after the engine's first conversion\n",
                before / 1024, withWindow / 1024, (afterEngine - withWindow) / 1024.0);
    std::printf("\n  %-6s %20s %26s\n", "kana", "shown: median / p95", "first sound: median / p95");
    for (int length = 2; length <= 20; length += (length < 4 ? 2 : 4)) {
        QList<double> shown, sound;
        const QStringList texts = runsOf(length, set);
        for (int i = 0; i < runs; ++i) {
            put(texts[i % texts.size()]);
            speech->StopSpeaking();
            bench::wait(120);
            const quint64 before = speech->lastUtterance();
            const qint64 t0 = AudioOut::now();
            convertKey->click();
            display->viewport()->repaint();
            shown << ms(AudioOut::now() - t0);
            // The candidate is said in parts (its reading, then its
            // description): the first sound of any of them counts.
            auto heard = [&] {
                qint64 first = -1;
                for (auto it = firstSound.cbegin(); it != firstSound.cend(); ++it)
                    if (it.key() > before && (first < 0 || it.value() < first))
                        first = it.value();
                return first;
            };
            if (bench::waitFor([&] { return heard() >= 0; }, 5000))
                sound << ms(heard() - t0);
        }
        std::printf("  %-6d %9.1f / %6.1f ms %14.1f / %6.1f ms\n", length, percentile(shown, 0.5),
                    percentile(shown, 0.95), percentile(sound, 0.5), percentile(sound, 0.95));
    }
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = args.contains(QStringLiteral("--runs")) ? args.value(args.indexOf(QStringLiteral("--runs")) + 1).toInt() : 20;
    const QList<kanji::Sentence> set =
        kanji::readSentences(QStringLiteral(MOJIPOT_SOURCE_DIR "/tests/data/kanji_sentences.tsv"));
    if (!args.contains(QStringLiteral("--latency-only")))
        accuracy(set);
    if (!args.contains(QStringLiteral("--accuracy-only")))
        latency(set, runs, args.contains(QStringLiteral("--openjtalk-processes")));
    return 0;
}
