// Kana–kanji conversion: the engines Debian ships compared on our sentence
// set (first candidate of whole sentences and of phrases, presses of
// "へんかん" to reach the intended text); Anthy and Mozc compared in cost
// (start and first conversion, each conversion for runs of 2 to 20 kana,
// memory, and the time of Anthy standing in when Mozc is missing or stuck);
// then Anthy on the real window: "へんかん" pressed → candidate shown, → its
// first sound, for runs of 2 to 20 kana, and the memory the engine adds.
//
//   kanji_bench [--accuracy-only | --latency-only] [--runs N] [--openjtalk-processes]
// (--openjtalk-processes: Open JTalk as before, an open_jtalk process a piece)
// (--latency-only keeps the other engines out of the memory figures)   (sound: ". scripts/services" first)
// Mozc's server refuses the administrator: run the accuracy part as an
// ordinary user (runuser -u USER -- build/bench/kanji_bench --accuracy-only).
// libkkc (GLib) first: its headers use "signals" as a name, which Qt's
// headers make a keyword.
#include <libkkc/libkkc.h>

#include "base/keybutton.h"
#include "app/mainform.h"
#include "base/textdisplay.h"
#include "bench/eventwait.h"
#include "bench/resident.h"
#include "kanji/accuracy.h"
#include "kanji/engine.h"
#include "kanji/kanjiwriting.h"
#include "kanji/mozcengine.h"
#include "speech/audioout.h"
#include "speech/speechcontrol.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <csignal>
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
    std::printf("\nAccuracy on %lld sentences (first candidate; phrases converted alone):\n", qlonglong(set.size()));
    QElapsedTimer t;
    t.start();
    auto anthy = kanji::makeAnthyEngine();
    const kanji::Score a = kanji::measure(*anthy, set);
    printScore("Anthy", a, t.restart());
    if (const QString reason = kanji::MozcEngine::unavailableReason(); !reason.isEmpty()) {
        std::printf("  %-8s not measured: %s\n", "Mozc", qPrintable(reason));
    } else {
        QTemporaryDir profile;
        kanji::MozcEngine mozc(profile.path());
        mozc.start();
        if (mozc.waitUntilReady(30000)) {
            t.restart();
            const kanji::Score m = kanji::measure(mozc, set);
            printScore("Mozc", m, t.elapsed());
            if (mozc.losses())
                std::printf("  (Mozc lost %d times: figures not valid)\n", mozc.losses());
        }
    }
    t.restart();
    KkcEngine kkc;
    if (!kkc.ok())
        return;
    const kanji::Score k = kanji::measure(kkc, set);
    printScore("libkkc", k, t.elapsed());
}

// Runs of 2 to 20 kana cut from the sentence set's readings.
QStringList runsOf(int length, const QList<kanji::Sentence> &set);

void printTimes(const char *what, const QList<double> &v)
{
    std::printf("    %-34s %7.1f / %7.1f ms\n", what, percentile(v, 0.5), percentile(v, 0.95));
}

// Each conversion, engine alone: median / p95 for runs of 2 to 20 kana.
void conversionTimes(kanji::Engine &engine, const QList<kanji::Sentence> &set)
{
    for (int length = 2; length <= 20; length += (length < 4 ? 2 : 4)) {
        QList<double> v;
        for (const QString &run : runsOf(length, set)) {
            const qint64 t0 = AudioOut::now();
            engine.convert(run);
            v << ms(AudioOut::now() - t0);
        }
        printTimes(qPrintable(QStringLiteral("%1 kana").arg(length)), v);
    }
}

// Starts, first conversions, conversion times and memory of both engines,
// and what Anthy standing in for Mozc costs.
void engineCosts(const QList<kanji::Sentence> &set)
{
    const QString first = QStringLiteral("きょうはいいてんき");
    std::printf("Engine costs (median / p95 of 40 runs each):\n  Anthy\n");
    // Anthy started for the first time in this process: as 自動 with Mozc's
    // helper missing, which is Anthy alone.
    const long before = bench::residentKb();
    qputenv("MOJIPOT_MOZC_HELPER", "/nonexistent/mozc_emacs_helper");
    QElapsedTimer t;
    t.start();
    auto anthy = kanji::makeChosenEngine(kanji::EngineChoice::Automatic);
    anthy->convert(first);
    std::printf("    %-34s %7lld ms%s\n", "start and first conversion", qlonglong(t.elapsed()),
                kanji::usesMozc(*anthy) ? " (Mozc used: not valid)" : " (also 自動 with Mozc's helper missing)");
    qunsetenv("MOJIPOT_MOZC_HELPER");
    conversionTimes(*anthy, set);
    std::printf("    %-34s %+7.1f MiB (this process)\n", "memory after the runs", (bench::residentKb() - before) / 1024.0);

    if (const QString reason = kanji::MozcEngine::unavailableReason(); !reason.isEmpty()) {
        std::printf("  Mozc not measured: %s\n", qPrintable(reason));
        return;
    }
    std::printf("  Mozc\n");
    QTemporaryDir profile;
    {
        // The user's first conversion right after the start, before our own
        // first one in the background has read the dictionaries: the helper
        // and server started, then the session opened.
        kanji::MozcEngine cold(profile.path());
        t.restart();
        cold.start();
        while (!cold.ready() && t.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
        const qint64 session = t.elapsed();
        // The first conversion is already on its way; the helper answers in turn.
        cold.waitUntilReady(30000);
        const qint64 warm = t.elapsed();
        std::printf("    %-34s %7lld ms\n", "start to session (background)", qlonglong(session));
        std::printf("    %-34s %7lld ms (its first conversion: %lld ms)\n", "start to ready (background)",
                    qlonglong(warm), qlonglong(warm - session));
    }
    kanji::MozcEngine mozc(profile.path());
    mozc.start();
    mozc.waitUntilReady(30000);
    t.restart();
    mozc.convert(first);
    std::printf("    %-34s %7lld ms\n", "user's first conversion when ready", qlonglong(t.elapsed()));
    conversionTimes(mozc, set);
    kanji::measure(mozc, set);
    const long helper = bench::residentKb(QString::number(mozc.helperProcess()));
    const long server = bench::residentKb(QString::number(mozc.serverProcess()));
    std::printf("    %-34s %7.1f MiB (server %.1f, helper %.1f; after the sentence set)\n", "memory",
                (helper + server) / 1024.0, server / 1024.0, helper / 1024.0);

    // Anthy in Mozc's place when Mozc's helper is stuck: its answer late,
    // the limit, then its stop.
    std::printf("  Anthy standing in for Mozc\n");
    ::kill(pid_t(mozc.helperProcess()), SIGSTOP);
    t.restart();
    if (mozc.convert(first).isEmpty())
        anthy->convert(first);
    std::printf("    %-34s %7lld ms\n", "helper stuck: conversion", qlonglong(t.elapsed()));
    t.restart();
    mozc.waitUntilReady(30000);
    std::printf("    %-34s %7lld ms\n", "its restart to ready (background)", qlonglong(t.elapsed()));
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
    const long before = bench::residentKb();
    SpeechControl::Options options = SpeechControl::defaultOptions();
    options.openJTalkInProgram = !processes;
    auto *speech = new SpeechControl(options);
    if (!speech->hasSound())
        std::printf("no sound device: start PulseAudio first (. scripts/services)\n");
    TMain_form form(speech);
    form.show();
    form.kanji().setEnabled(true);
    const long withWindow = bench::residentKb();
    QObject context;
    QHash<quint64, qint64> firstSound;
    QObject::connect(speech, &SpeechControl::sounding, &context,
                     [&](quint64 id, int, const QString &, const Samples &, qint64 at) {
                         if (!firstSound.contains(id))
                             firstSound.insert(id, at);
                     });
    TextDisplay *display = &form.display();
    KeyButton *convertKey = form.key(keys::kBlank1);
    // The run entered a character at a time, as the kana keys enter it.
    auto put = [&](const QString &run) {
        form.kanji().commitAll();
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
    const long afterEngine = bench::residentKb();
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
    if (!args.contains(QStringLiteral("--latency-only"))) {
        engineCosts(set);
        accuracy(set);
    }
    if (!args.contains(QStringLiteral("--accuracy-only")))
        latency(set, runs, args.contains(QStringLiteral("--openjtalk-processes")));
    return 0;
}
