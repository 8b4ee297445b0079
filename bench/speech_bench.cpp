// How fast the speech is, measured with the real engines and real sound
// (PulseAudio; run ". scripts/services" first). For each engine family:
//  - a key announcement, StopSpeaking + SpeakText of a key reading until its
//    first non-silent sample is handed to the sound server, warm (cached)
//    and cold, beside the naive way: open_jtalk to a WAV file, then play the
//    file as it is;
//  - StopSpeaking until the queue is dropped, and until the last sound
//    leaves the null sink's monitor;
//  - reading aloud a 100-character text until its first sound;
//  - the program's start until the greeting is heard, cold and warm cache;
//  - the idle program's resident memory.
// PulseAudio's null sink, when nothing plays into it, renders up to two
// seconds ahead and takes a new stream only after that; a sound card takes
// it at once. So that the figures are the program's and not that artefact's,
// a silent stream plays into the sink throughout (as a desktop's own sounds
// keep a card awake); the program start is also measured without it.
// Usage: speech_bench [runs (200)] [start runs (50)]
#include "base/keytable.h"
#include "bench/eventwait.h"
#include "bench/keepawake.h"
#include "speech/announcements.h"
#include "speech/audioout.h"
#include "speech/pcm.h"
#include "speech/speechcontrol.h"
#include "speech/warmup.h"

#include <QAudioSink>
#include <QBuffer>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QMediaDevices>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

int g_runs = 200;
int g_startRuns = 50;

double ms(qint64 ns) { return double(ns) / 1e6; }

struct Figures
{
    QList<double> values;
    double median() const { return at(0.5); }
    double p95() const { return at(0.95); }
    double at(double q) const
    {
        if (values.isEmpty())
            return -1;
        QList<double> v = values;
        std::sort(v.begin(), v.end());
        return v[std::min<qsizetype>(v.size() - 1, qsizetype(q * (v.size() - 1) + 0.5))];
    }
};

void print(const char *what, const Figures &f, const char *target = "")
{
    std::printf("  %-52s %9.1f ms %9.1f ms   (%lld runs) %s\n", what, f.median(), f.p95(), qlonglong(f.values.size()),
                target);
    std::fflush(stdout);
}

using bench::wait;
using bench::waitFor;

QStringList keyReadings()
{
    QStringList r;
    for (const KeySpec &k : keys::table())
        r << announcements::forKey(k.tag, k.caption, false);
    return r;
}

// Texts of one to three kana, all different, so that none is cached.
QStringList coldTexts(int count)
{
    const QString kana = QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわ");
    QStringList texts;
    for (int i = 0; texts.size() < count; ++i) {
        QString t;
        int n = i;
        const int length = 1 + i % 3;
        for (int k = 0; k < length; ++k) {
            t += kana.at(n % kana.size());
            n = n / kana.size() + 7 * (k + 1) + i;
        }
        if (!texts.contains(t))
            texts << t;
    }
    return texts;
}

// The first sound of each utterance, as the control reports it.
struct Sounds
{
    QObject context; // the connections end with this
    QHash<quint64, qint64> first;
    qint64 silenced = 0;
    explicit Sounds(SpeechControl &c)
    {
        QObject::connect(&c, &SpeechControl::sounding, &context,
                         [this](quint64 id, int, const QString &, const Samples &, qint64 at) {
                             if (!first.contains(id))
                                 first.insert(id, at);
                         });
        QObject::connect(&c, &SpeechControl::silenced, &context, [this](qint64 at) { silenced = at; });
    }
};

// Announcement latency: StopSpeaking + SpeakText → first sound handed out.
Figures announce(SpeechControl &control, const QStringList &texts, int pauseMs)
{
    Sounds sounds(control);
    Figures f;
    for (int i = 0; i < g_runs; ++i) {
        const qint64 t0 = AudioOut::now();
        control.StopSpeaking();
        control.setCurrentMode(1);
        control.setSpeed(100);
        control.SpeakText(texts[i % texts.size()]);
        const quint64 id = control.lastUtterance();
        if (waitFor([&] { return sounds.first.contains(id); }))
            f.values << ms(sounds.first.value(id) - t0);
        wait(pauseMs);
    }
    return f;
}

void speakAllOnce(SpeechControl &control, const QStringList &texts)
{
    Sounds sounds(control);
    for (const QString &t : texts) {
        control.SpeakText(t);
        const quint64 id = control.lastUtterance();
        waitFor([&] { return sounds.first.contains(id); });
    }
    control.StopSpeaking();
}

// A WAV file's samples handed to a pull-mode sink as they are; notes when
// the first sound is read by the sink.
class Probe : public QIODevice
{
public:
    Probe(QByteArray pcm, qsizetype firstSoundByte) : m_pcm(std::move(pcm)), m_sound(firstSoundByte)
    {
        open(QIODevice::ReadOnly);
    }
    qint64 soundAt = 0;

protected:
    qint64 readData(char *data, qint64 max) override
    {
        const qint64 n = std::min<qint64>(max, m_pcm.size() - m_pos);
        memcpy(data, m_pcm.constData() + m_pos, size_t(n));
        if (!soundAt && m_pos <= m_sound && m_sound < m_pos + n)
            soundAt = AudioOut::now();
        m_pos += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }
    qint64 bytesAvailable() const override { return m_pcm.size() - m_pos + QIODevice::bytesAvailable(); }

private:
    QByteArray m_pcm;
    qsizetype m_sound;
    qint64 m_pos = 0;
};

Figures naive(const SpeechControl &control, const QStringList &texts, const QString &dir)
{
    const voicecatalog::OpenJTalkInstall install = voicecatalog::findOpenJTalk(QString());
    const voicecatalog::Voice voice = control.voices().first();
    Figures f;
    for (int i = 0; i < g_runs; ++i) {
        const QString wav = dir + QStringLiteral("/naive.wav");
        const qint64 t0 = AudioOut::now();
        QProcess p;
        p.start(install.program, {QStringLiteral("-x"), install.dictionary, QStringLiteral("-m"), voice.voiceFile,
                                  QStringLiteral("-ow"), wav});
        p.write(texts[i % texts.size()].toUtf8() + '\n');
        p.closeWriteChannel();
        p.waitForFinished();
        QFile file(wav);
        file.open(QIODevice::ReadOnly);
        const auto wave = pcm::fromWav(file.readAll());
        if (!wave)
            continue;
        QAudioFormat format;
        format.setSampleRate(wave->rate);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        QByteArray bytes(reinterpret_cast<const char *>(wave->samples.constData()), wave->samples.size() * 2);
        Probe probe(bytes, pcm::firstSound(wave->samples) * 2);
        QAudioSink sink(QMediaDevices::defaultAudioOutput(), format);
        sink.start(&probe);
        if (waitFor([&] { return probe.soundAt != 0; }))
            f.values << ms(probe.soundAt - t0);
        sink.stop();
    }
    return f;
}

// Records the null sink's monitor, noting when each chunk arrives.
class Monitor
{
public:
    Monitor()
    {
        m_parec.start(QStringLiteral("parec"), {QStringLiteral("-d"), QStringLiteral("mojipot_null.monitor"),
                                                QStringLiteral("--format=s16le"), QStringLiteral("--rate=16000"),
                                                QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=5")});
        m_parec.waitForStarted();
        QObject::connect(&m_parec, &QProcess::readyReadStandardOutput, &m_parec, [this] {
            const QByteArray data = m_parec.readAllStandardOutput();
            const auto *s = reinterpret_cast<const qint16 *>(data.constData());
            bool loud = false;
            for (qsizetype i = 0; i < data.size() / 2; ++i)
                loud = loud || std::abs(int(s[i])) > 1000;
            if (loud)
                lastLoud = AudioOut::now();
            if (loud && !firstLoud)
                firstLoud = AudioOut::now();
        });
    }
    ~Monitor()
    {
        m_parec.kill();
        m_parec.waitForFinished();
    }
    qint64 firstLoud = 0;
    qint64 lastLoud = 0;

private:
    QProcess m_parec;
};

void stopFigures(SpeechControl &control, const QStringList &texts)
{
    Sounds sounds(control);
    Monitor monitor;
    wait(300);
    Figures inside;
    Figures heard;
    for (int i = 0; i < g_runs; ++i) {
        control.SpeakText(texts[i % texts.size()] + QStringLiteral("、") + texts[(i + 7) % texts.size()]);
        const quint64 id = control.lastUtterance();
        waitFor([&] { return sounds.first.contains(id); });
        wait(120); // speaking now
        const qint64 t0 = AudioOut::now();
        control.StopSpeaking();
        waitFor([&] { return sounds.silenced >= t0; });
        inside.values << ms(sounds.silenced - t0);
        wait(250);
        if (monitor.lastLoud > t0)
            heard.values << ms(monitor.lastLoud - t0);
        else
            heard.values << 0.0;
    }
    print("StopSpeaking → queue dropped on the speech thread", inside);
    print("StopSpeaking → last sound on the sink's monitor", heard, "(≤ one buffer; includes capture)");
}

Figures readingAloud(const SpeechControl::Options &options, int runs)
{
    const QString text = QStringLiteral(
        "きょうは、あさからとてもよいてんきでした。ともだちといっしょにこうえんへいきました。"
        "いけのまわりをあるいて、かもにぱんをあげました。かえりにおかしをかって、うちでたべました。");
    Figures f;
    for (int i = 0; i < runs; ++i) {
        SpeechControl control(options); // a fresh memory cache each run: always cold
        Sounds sounds(control);
        control.setCurrentMode(2);
        wait(150); // the decision voice's process gets ready, as after start
        const qint64 t0 = AudioOut::now();
        control.SpeakText(text);
        const quint64 id = control.lastUtterance();
        if (waitFor([&] { return sounds.first.contains(id); }))
            f.values << ms(sounds.first.value(id) - t0);
        control.StopSpeaking();
    }
    return f;
}

Figures wholeTextAtOnce(int runs)
{
    const voicecatalog::OpenJTalkInstall install = voicecatalog::findOpenJTalk(QString());
    const QString voiceFile = voicecatalog::openJTalkVoices(install).first().voiceFile;
    Figures f;
    for (int i = 0; i < runs; ++i) {
        const qint64 t0 = AudioOut::now();
        QProcess p;
        p.start(install.program, {QStringLiteral("-x"), install.dictionary, QStringLiteral("-m"), voiceFile,
                                  QStringLiteral("-ow"), QStringLiteral("/dev/null")});
        p.write(QStringLiteral("きょうは、あさからとてもよいてんきでした。ともだちといっしょにこうえんへいきました。"
                               "いけのまわりをあるいて、かもにぱんをあげました。かえりにおかしをかって、うちでたべました。\n")
                    .toUtf8());
        p.closeWriteChannel();
        p.waitForFinished();
        f.values << ms(AudioOut::now() - t0);
    }
    return f;
}

qint64 residentKb(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return 0;
}

void programStart(const QString &program, bool awake)
{
    QTemporaryDir warmCache;
    Figures cold;
    Figures warm;
    qint64 rss = 0;
    qint64 childRss = 0;
    for (int i = 0; i < 2 * g_startRuns + 1; ++i) {
        const bool isCold = i % 2 == 0;
        QTemporaryDir coldCache;
        QTemporaryDir cwd;
        Monitor monitor;
        wait(200);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), isCold ? coldCache.path() : warmCache.path());
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(cwd.path());
        const qint64 t0 = AudioOut::now();
        p.start(program, {});
        const bool heard = waitFor([&] { return monitor.firstLoud != 0; }, 10000);
        if (heard && i > 0) // the first run only fills the warm cache
            (isCold ? cold : warm).values << ms(monitor.firstLoud - t0);
        if (i == 2 * g_startRuns && awake) {
            wait(6000); // the warm-up is over; the program idles
            rss = residentKb(p.processId());
            QProcess ps;
            ps.start(QStringLiteral("ps"), {QStringLiteral("--ppid"), QString::number(p.processId()),
                                            QStringLiteral("-o"), QStringLiteral("rss=")});
            ps.waitForFinished();
            for (const QByteArray &l : ps.readAllStandardOutput().split('\n'))
                childRss += l.trimmed().toLongLong();
        } else {
            if (isCold)
                wait(3000); // let its warm-up finish before the next start
        }
        p.kill();
        p.waitForFinished();
    }
    print(awake ? "program start → greeting heard, cold cache" : "  …into an idle null sink, cold cache", cold,
          awake ? "target ≤ 1000 ms" : "");
    print(awake ? "program start → greeting heard, warm cache" : "  …into an idle null sink, warm cache", warm,
          awake ? "target ≤ 400 ms" : "");
    if (awake)
        std::printf("  idle program resident memory: %lld KiB (and %lld KiB in its waiting open_jtalk processes)\n",
                    qlonglong(rss), qlonglong(childRss));
}

double loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? f.readAll().split(' ').first().toDouble() : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 1)
        g_runs = std::max(1, atoi(argv[1]));
    if (argc > 2)
        g_startRuns = std::max(1, atoi(argv[2]));
    std::printf("speech bench: %d runs (program start %d), load average %.2f, %d cores\n", g_runs, g_startRuns,
                loadAverage(), QThread::idealThreadCount());
    std::printf("  %-52s %12s %12s\n", "", "median", "p95");
    QTemporaryDir dir;
    const QStringList readings = keyReadings();
    auto keepAwake = std::make_unique<bench::KeepAwake>();
    wait(2500); // the sink takes the silent stream once its idle block ends
    const QStringList cold = coldTexts(g_runs);

    struct Family
    {
        const char *name;
        bool openJTalk;
    };
    for (const Family family : {Family{"Open JTalk", true}, Family{"eSpeak NG", false}}) {
        SpeechControl::Options o;
        if (family.openJTalk)
            o.openJTalk = voicecatalog::findOpenJTalk(QCoreApplication::applicationDirPath());
        o.espeak = !family.openJTalk;
        o.cacheDir = dir.filePath(QString::fromLatin1(family.name));
        SpeechControl control(o);
        if (!control.hasSound()) {
            std::printf("no sound device: start PulseAudio first (. scripts/services)\n");
            return 1;
        }
        std::printf("%s (sound buffer %d ms)\n", family.name, control.bufferMs());
        {
            // The start-up warm-up on an empty cache, as at a first start.
            SpeechControl::Options fresh = o;
            fresh.cacheDir = dir.filePath(QStringLiteral("warm-up ") + QString::fromLatin1(family.name));
            SpeechControl first(fresh);
            qint64 done = 0;
            QObject::connect(&first, &SpeechControl::warmedUp, &first, [&](qint64 at) { done = at; });
            const qint64 t0 = AudioOut::now();
            first.warmUp(1, 2, 0);
            waitFor([&] { return done != 0; }, 60000);
            std::printf("  start-up warm-up of %lld texts, two workers: %.0f ms\n",
                        qlonglong(warmup::items(1, 2, 0).size()), ms(done - t0));
        }
        speakAllOnce(control, readings);
        const Figures warm = announce(control, readings, 150);
        print("announcement, warm (cached)", warm, "target ≤ 10 / ≤ 20 ms");
        const Figures coldFigures = announce(control, cold, 250);
        print("announcement, cold (1–3 kana)", coldFigures, "target ≤ 80 ms median");
        stopFigures(control, readings);
        SpeechControl::Options fresh = o;
        fresh.cacheDir.clear();
        print("reading aloud 100 characters → first sound", readingAloud(fresh, std::min(g_runs, 50)),
              "target ≤ 200 ms");
        if (family.openJTalk) {
            const Figures naiveFigures = naive(control, readings, dir.path());
            print("naive: open_jtalk → WAV → play as it is", naiveFigures);
            std::printf("  ratio to the naive way: warm ×%.0f, cold ×%.1f (targets ×20, ×4)\n",
                        naiveFigures.median() / warm.median(), naiveFigures.median() / coldFigures.median());
            print("the 100 characters in one piece (whole synthesis)", wholeTextAtOnce(std::min(g_runs, 20)));
        }
    }
    std::printf("program\n");
    programStart(QStringLiteral(MOJIPOT_PROGRAM), true);
    keepAwake.reset();
    const int runs = g_startRuns;
    g_startRuns = std::min(g_startRuns, 10);
    wait(3000);
    programStart(QStringLiteral(MOJIPOT_PROGRAM), false);
    g_startRuns = runs;
    std::printf("load average at the end %.2f\n", loadAverage());
    return 0;
}
