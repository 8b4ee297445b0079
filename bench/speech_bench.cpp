// How fast the speech is, measured with the real engines and real sound
// (PulseAudio; run ". scripts/services" first). Open JTalk both ways, in
// turns so that both meet the same load: inside the program (the HTS engine
// library, labels from a waiting open_jtalk) and as before (a waiting
// open_jtalk process makes each piece); eSpeak NG; and the naive way.
//  - a key announcement, StopSpeaking + SpeakText of a key reading until its
//    first non-silent sample is handed to the sound server, warm (cached);
//    texts never said before of 1–3 kana and words of 6–10 kana, beside the
//    naive way: open_jtalk to a WAV file, then play the file as it is;
//  - the start-up warm-up on an empty cache (key names, kana, group names);
//  - StopSpeaking until the queue is dropped, and until the last sound
//    leaves the null sink's monitor;
//  - reading aloud a 100-character text until its first sound;
//  - the two ways compared sample for sample;
//  - the resident memory of the speech, each way in a process of its own;
//  - the program's start until the greeting is heard, cold and warm cache;
//  - the idle program's resident memory.
// PulseAudio's null sink, when nothing plays into it, renders up to two
// seconds ahead and takes a new stream only after that; a sound card takes
// it at once. So that the figures are the program's and not that artefact's,
// a silent stream plays into the sink throughout (as a desktop's own sounds
// keep a card awake); the program start is also measured without it.
// Usage: speech_bench [runs (200)] [start runs (50)]
//        speech_bench --memory in-program|processes   (one way's memory alone)
//        speech_bench --first-start [RUNS [phrases]]   (the first start's warm-up alone, each run
//                                                       on an empty cache, with its processor time;
//                                                       with the row's phrases, as when it is on)
//        speech_bench --work in-program|processes     (the first start's texts made one at a
//            time without sound, for counting instructions:
//            valgrind --tool=callgrind --trace-children=yes speech_bench --work ...)
#include "base/keytable.h"
#include "bench/eventwait.h"
#include "bench/keepawake.h"
#include "bench/resident.h"
#include "speech/announcements.h"
#include "speech/audioout.h"
#include "speech/pcm.h"
#include "speech/sentences.h"
#include "speech/speechcache.h"
#include "speech/speechcontrol.h"
#include "speech/warmup.h"
#include "input/switchscan.h"
#include "prediction/phrases.h"
#include "prediction/row.h"
#include "prediction/scanorders.h"
#include "tests/speechcompare.h"

#include <QAudioSink>
#include <QBuffer>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/resource.h>

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

// Words of 6–10 kana cut from ordinary sentences, all different.
QStringList wordTexts(int count)
{
    const QString story = QStringLiteral(
        "きょうはあさからとてもよいてんきでしたともだちといっしょにこうえんへいきましたいけのまわりをあるいて"
        "かもにぱんをあげましたかえりにおかしをかってうちでたべましたあしたはがっこうでうんどうかいがあります"
        "おかあさんとおべんとうをつくりましたせんせいにてがみをかきましたでんしゃにのっておばあさんのいえへ"
        "いきましたねこがにわでひるねをしていましたあめがふってきたのでかさをさしてかえりました");
    QStringList texts;
    for (int i = 0; texts.size() < count && i < 100000; ++i) {
        const int length = 6 + i % 5;
        const int at = (i * 37) % int(story.size() - length);
        const QString t = story.mid(at, length);
        if (!texts.contains(t))
            texts << t;
    }
    return texts;
}

// The switch scan's names, as the program warms them after the keys.
const prediction::SpokenNames &scanNames()
{
    static const prediction::SpokenNames names = prediction::spokenNames();
    return names;
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

// Announcement latency: StopSpeaking + SpeakText → first sound handed out,
// the controls taking turns at each text, so that they meet the same load.
QList<Figures> announceInTurns(const QList<SpeechControl *> &controls, const QStringList &texts, int pauseMs)
{
    QList<Figures> figures(controls.size());
    std::vector<std::unique_ptr<Sounds>> sounds;
    for (SpeechControl *c : controls)
        sounds.push_back(std::make_unique<Sounds>(*c));
    for (int i = 0; i < g_runs; ++i) {
        for (qsizetype k = 0; k < controls.size(); ++k) {
            SpeechControl &control = *controls[k];
            const qint64 t0 = AudioOut::now();
            control.StopSpeaking();
            control.setCurrentMode(1);
            control.setSpeed(100);
            control.SpeakText(texts[i % texts.size()]);
            const quint64 id = control.lastUtterance();
            if (waitFor([&] { return sounds[size_t(k)]->first.contains(id); }))
                figures[k].values << ms(sounds[size_t(k)]->first.value(id) - t0);
            wait(pauseMs);
            control.StopSpeaking();
        }
    }
    return figures;
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
    return bench::residentKb(QString::number(pid));
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

// The start-up warm-up on an empty cache, as at a first start: from the
// control's creation (the voice loaded, the first processes started) until
// everything is made; with namesMs, also until every key's name and the
// scan's names are in the cache's folder (looked for every 5 ms).
double firstStartWarmUp(const SpeechControl::Options &options, const QString &cacheDir, double *namesMs = nullptr,
                        bool phrases = false)
{
    // With the row of words on, the window adds what its places say when
    // reached at a sentence start: the first page of phrases, and "つぎ".
    const prediction::SpokenNames warm = scanNames();
    QStringList rowFirst;
    if (phrases) {
        const prediction::PhrasePage page =
            prediction::phrasePage(prediction::phrasesOf(prediction::defaultPhrases()), 0, prediction::kRowPlaces);
        rowFirst = page.phrases;
        if (page.next)
            rowFirst << QStringLiteral("つぎ");
    }
    SpeechControl::Options fresh = options;
    fresh.cacheDir = cacheDir;
    const qint64 t0 = AudioOut::now();
    SpeechControl first(fresh);
    if (!first.hasSound())
        return -1;
    qint64 done = 0;
    qint64 namesDone = 0;
    QStringList files;
    const auto expect = [&](int mode, const QStringList &texts) {
        for (const QString &text : texts)
            for (const QString &piece : sentences::split(text))
                files << cacheDir + u'/'
                             + QString::fromLatin1(SpeechCache::key(first.voices()[mode - 1].id, 100,
                                                                    first.sampleRate(), piece))
                             + QStringLiteral(".pcm");
    };
    expect(1, keyReadings() + warm.selection + rowFirst);
    expect(2, warm.decision);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &first, [&] {
        while (!files.isEmpty() && QFileInfo::exists(files.last()))
            files.removeLast();
        if (files.isEmpty() && !namesDone)
            namesDone = AudioOut::now();
    });
    if (namesMs)
        poll.start(5);
    QObject::connect(&first, &SpeechControl::warmedUp, &first, [&](qint64 at) { done = at; });
    first.warmUp(1, 2, 0, warm.selection, warm.decision, rowFirst);
    waitFor([&] { return done != 0 && (!namesMs || namesDone != 0); }, 60000);
    if (namesMs)
        *namesMs = ms(namesDone - t0);
    return ms(done - t0);
}

double loadAverage();

// Processor time of this program and its ended children, in ms.
double processorMs()
{
    double ms = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage u{};
        getrusage(who, &u);
        ms += (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
    }
    return ms;
}

// The first start's warm-up alone, each run on an empty cache: its time and
// the processor time it took, beside the load it met.
int firstStartOnly(int runs, bool phrases)
{
    QTemporaryDir dir;
    SpeechControl::Options o;
    o.openJTalk = voicecatalog::findOpenJTalk(QCoreApplication::applicationDirPath());
    o.openJTalkInProgram = true;
    o.espeak = false;
    auto keepAwake = std::make_unique<bench::KeepAwake>();
    wait(2500);
    for (int i = 0; i < runs; ++i) {
        const double load = loadAverage();
        const double cpu = processorMs();
        double names = 0;
        const double wall = firstStartWarmUp(o, dir.filePath(QStringLiteral("first start %1").arg(i)), &names, phrases);
        if (wall < 0) {
            std::printf("no sound device: start PulseAudio first (. scripts/services)\n");
            return 1;
        }
        wait(500); // the label processes of the run end
        std::printf("first start %d: %.0f ms (every name said when a place is reached: %.0f ms), processor %.0f ms, "
                    "load average %.2f\n",
                    i + 1, wall, names, processorMs() - cpu, load);
    }
    return 0;
}

// One way's resident memory, in a process of its own: before the speech
// control, and once it has warmed up and said a few new texts and rests
// (with its waiting open_jtalk processes apart).
int memoryOnly(bool inProgram)
{
    QTemporaryDir dir;
    const qint64 before = residentKb(QCoreApplication::applicationPid());
    SpeechControl::Options o;
    o.openJTalk = voicecatalog::findOpenJTalk(QCoreApplication::applicationDirPath());
    o.openJTalkInProgram = inProgram;
    o.espeak = false;
    o.cacheDir = dir.path();
    SpeechControl control(o);
    qint64 done = 0;
    QObject::connect(&control, &SpeechControl::warmedUp, &control, [&](qint64 at) { done = at; });
    control.warmUp(1, 2, 0, scanNames().selection, scanNames().decision);
    waitFor([&] { return done != 0; }, 60000);
    speakAllOnce(control, wordTexts(20));
    wait(3000);
    QProcess ps;
    ps.start(QStringLiteral("ps"), {QStringLiteral("--ppid"), QString::number(QCoreApplication::applicationPid()),
                                    QStringLiteral("-o"), QStringLiteral("rss=")});
    ps.waitForFinished();
    qint64 children = 0;
    for (const QByteArray &l : ps.readAllStandardOutput().split('\n'))
        children += l.trimmed().toLongLong();
    std::printf("memory %lld %lld %lld\n", qlonglong(before), qlonglong(residentKb(QCoreApplication::applicationPid())),
                qlonglong(children));
    return 0;
}

// Runs memoryOnly() in a fresh copy of this program.
void memoryFigures(const char *way, bool inProgram)
{
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory"), QString::fromLatin1(way)});
    p.waitForFinished(120000);
    const QList<QByteArray> f = p.readAllStandardOutput().trimmed().split(' ');
    if (f.size() != 4)
        return;
    std::printf("  speech resident memory (%s): %lld KiB before the control, %lld KiB after (+%lld), "
                "%lld KiB in waiting open_jtalk processes\n",
                inProgram ? "in the program" : "waiting processes", f[1].toLongLong(), f[2].toLongLong(),
                f[2].toLongLong() - f[1].toLongLong(), f[3].toLongLong());
}

// Makes every text of the first start's warm-up once, one after the other,
// straight from the engine: no sound, no cache.
int workOnly(bool inProgram)
{
    const voicecatalog::OpenJTalkInstall install = voicecatalog::findOpenJTalk(QCoreApplication::applicationDirPath());
    const QList<voicecatalog::Voice> voices = voicecatalog::openJTalkVoices(install);
    if (voices.size() < 2)
        return 1;
    std::unique_ptr<SynthEngine> engine;
    if (inProgram)
        engine = std::make_unique<HtsEngine>(install, 48000);
    else
        engine = std::make_unique<OpenJTalkEngine>(install, 48000);
    qint64 samples = 0;
    quint64 job = 0;
    const QList<warmup::Item> items = warmup::items(1, 2, 0, scanNames().selection, scanNames().decision);
    for (const warmup::Item &item : items)
        samples += speechcompare::make(*engine, ++job, voices[item.mode - 1], 100, item.text).samples.size();
    std::printf("made %lld texts, %lld samples\n", qlonglong(items.size()), qlonglong(samples));
    return 0;
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
    if (argc > 2 && qstrcmp(argv[1], "--memory") == 0)
        return memoryOnly(qstrcmp(argv[2], "in-program") == 0);
    if (argc > 1 && qstrcmp(argv[1], "--first-start") == 0)
        return firstStartOnly(argc > 2 ? std::max(1, atoi(argv[2])) : 3, argc > 3 && qstrcmp(argv[3], "phrases") == 0);
    if (argc > 2 && qstrcmp(argv[1], "--work") == 0)
        return workOnly(qstrcmp(argv[2], "in-program") == 0);
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
    const QStringList words = wordTexts(g_runs);

    const auto optionsFor = [&](bool openJTalk, bool inProgram, const char *name) {
        SpeechControl::Options o;
        if (openJTalk)
            o.openJTalk = voicecatalog::findOpenJTalk(QCoreApplication::applicationDirPath());
        o.openJTalkInProgram = inProgram;
        o.espeak = !openJTalk;
        o.cacheDir = dir.filePath(QString::fromLatin1(name));
        return o;
    };
    const SpeechControl::Options inProgram = optionsFor(true, true, "in program");
    const SpeechControl::Options processes = optionsFor(true, false, "processes");
    SpeechControl now(inProgram);
    SpeechControl before(processes);
    if (!now.hasSound()) {
        std::printf("no sound device: start PulseAudio first (. scripts/services)\n");
        return 1;
    }
    const qsizetype warmTexts = warmup::items(1, 2, 0, scanNames().selection, scanNames().decision).size();
    const double warmUpNow = firstStartWarmUp(inProgram, dir.filePath(QStringLiteral("first start 1")));
    const double warmUpBefore = firstStartWarmUp(processes, dir.filePath(QStringLiteral("first start 2")));
    speakAllOnce(now, readings);
    speakAllOnce(before, readings);
    const QList<Figures> warm = announceInTurns({&now, &before}, readings, 150);
    const QList<Figures> coldFigures = announceInTurns({&now, &before}, cold, 250);
    const QList<Figures> wordFigures = announceInTurns({&now, &before}, words, 400);
    const Figures naiveCold = naive(now, cold, dir.path());
    const Figures naiveWords = naive(now, words, dir.path());

    for (int way = 0; way < 2; ++way) {
        SpeechControl &control = way == 0 ? now : before;
        std::printf("%s (sound buffer %d ms)\n", way == 0 ? "Open JTalk" : "Open JTalk, waiting processes",
                    control.bufferMs());
        std::printf("  start-up warm-up of %lld texts, two workers: %.0f ms\n", qlonglong(warmTexts),
                    way == 0 ? warmUpNow : warmUpBefore);
        print("announcement, warm (cached)", warm[way], "target ≤ 10 / ≤ 20 ms");
        print("announcement, cold (1–3 kana)", coldFigures[way], "target ≤ 40 median, ≤ 60 ms p95");
        print("new word of 6–10 kana", wordFigures[way], "target ≤ 60 ms median");
        memoryFigures(way == 0 ? "in-program" : "processes", way == 0);
    }
    std::printf("Open JTalk\n");
    print("naive: open_jtalk → WAV → play as it is (1–3 kana)", naiveCold);
    print("naive: open_jtalk → WAV → play as it is (6–10 kana)", naiveWords);
    std::printf("  ratio to the naive way: cold ×%.1f, words ×%.1f; to the waiting processes: ×%.1f, ×%.1f\n",
                naiveCold.median() / coldFigures[0].median(), naiveWords.median() / wordFigures[0].median(),
                coldFigures[1].median() / coldFigures[0].median(), wordFigures[1].median() / wordFigures[0].median());
    stopFigures(now, readings);
    SpeechControl::Options fresh = inProgram;
    fresh.cacheDir.clear();
    print("reading aloud 100 characters → first sound", readingAloud(fresh, std::min(g_runs, 50)),
          "target ≤ 200 ms");
    print("the 100 characters in one piece (whole synthesis)", wholeTextAtOnce(std::min(g_runs, 20)));
    {
        const QList<voicecatalog::Voice> voices = voicecatalog::openJTalkVoices(inProgram.openJTalk);
        const speechcompare::Difference keys = speechcompare::compare(speechcompare::keyNames(), voices[0], 100, 48000);
        const speechcompare::Difference others =
            speechcompare::compare(speechcompare::otherTexts(), voices[0], 100, 48000);
        std::printf("  the two ways compared: %d texts, %d identical, largest difference of a sample %d\n",
                    keys.texts + others.texts, keys.identical + others.identical, std::max(keys.largest, others.largest));
    }

    std::printf("eSpeak NG (sound buffer %d ms)\n", now.bufferMs());
    {
        const SpeechControl::Options o = optionsFor(false, true, "eSpeak NG");
        SpeechControl control(o);
        std::printf("  start-up warm-up of %lld texts, one worker: %.0f ms\n", qlonglong(warmTexts),
                    firstStartWarmUp(o, dir.filePath(QStringLiteral("first start 3"))));
        speakAllOnce(control, readings);
        print("announcement, warm (cached)", announceInTurns({&control}, readings, 150)[0], "target ≤ 10 / ≤ 20 ms");
        print("announcement, cold (1–3 kana)", announceInTurns({&control}, cold, 250)[0], "target ≤ 80 ms median");
        print("new word of 6–10 kana", announceInTurns({&control}, words, 400)[0]);
        stopFigures(control, readings);
        SpeechControl::Options noCache = o;
        noCache.cacheDir.clear();
        print("reading aloud 100 characters → first sound", readingAloud(noCache, std::min(g_runs, 50)),
              "target ≤ 200 ms");
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
