// Real sound: the speech control plays into PulseAudio's null sink and its
// monitor is recorded with parec. Speech is heard after SpeakText and
// silence follows soon after StopSpeaking; the warning tone sounds over the
// speech without cutting it; a second session is served from the disk cache;
// without a sound device the program runs silently with one line of notice.
#include "speech/audioout.h"
#include "speech/speechcache.h"
#include "speechsound.h"

#include <QDir>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

using namespace speechtest;

namespace {

constexpr int kRate = 16000;

// Records a sink's monitor as 16-bit mono samples.
class Recorder
{
public:
    explicit Recorder(const QString &monitor)
    {
        m_parec.start(QStringLiteral("parec"),
                      {QStringLiteral("-d"), monitor, QStringLiteral("--format=s16le"),
                       QStringLiteral("--rate=%1").arg(kRate), QStringLiteral("--channels=1"),
                       QStringLiteral("--latency-msec=10")});
        m_parec.waitForStarted();
    }
    ~Recorder()
    {
        m_parec.kill();
        m_parec.waitForFinished();
    }
    qsizetype mark()
    {
        m_data += m_parec.readAllStandardOutput();
        return m_data.size() / 2;
    }
    // The loudest sample from one position to another (in samples).
    int peak(qsizetype from, qsizetype to)
    {
        mark();
        const auto *s = reinterpret_cast<const qint16 *>(m_data.constData());
        int p = 0;
        for (qsizetype i = std::max<qsizetype>(from, 0); i < std::min(to, m_data.size() / 2); ++i)
            p = std::max(p, std::abs(int(s[i])));
        return p;
    }
    bool loudAfter(qsizetype from, int seconds = 5)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < seconds * 1000) {
            if (peak(from, mark()) > 1000)
                return true;
            QTest::qWait(20);
        }
        return false;
    }
    bool running() const { return m_parec.state() == QProcess::Running; }

private:
    QProcess m_parec;
    QByteArray m_data;
};

constexpr qsizetype samples(int ms) { return qsizetype(kRate) * ms / 1000; }

const QString kStory = QStringLiteral("きょうはあさからはれていました。こうえんまであるいていきました。"
                                      "いけにはかもがいました。かえりにぱんをかいました。");

} // namespace

class TestSpeechPlayback : public QObject
{
    Q_OBJECT

    QTemporaryDir m_cache;
    std::unique_ptr<PrivateSink> m_sink;

    SpeechControl::Options optionsFor(Engines engines, const QString &cacheDir) const
    {
        SpeechControl::Options o = options(engines, cacheDir);
        o.device = m_sink->name().toUtf8();
        return o;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(ensureSoundServer());
        m_sink = std::make_unique<PrivateSink>();
        QVERIFY(m_sink->loaded());
        const QByteArray id = m_sink->name().toUtf8();
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                for (const QAudioDevice &d : QMediaDevices::audioOutputs())
                    if (d.id() == id)
                        return true;
                return false;
            }(),
            5000);
        QTest::qWait(2500); // the new sink takes the silent stream once its first block ends
    }
    void cleanupTestCase() { m_sink.reset(); }

    void heardAfterSpeakTextSilentSoonAfterStop()
    {
        SpeechControl control(optionsFor(Engines::Both, m_cache.path()));
        QVERIFY(control.hasSound());
        Recorder rec(m_sink->monitor());
        QVERIFY(rec.running());
        QTest::qWait(300);
        QVERIFY(rec.peak(0, rec.mark()) < 300); // nothing plays yet
        control.SpeakText(QStringLiteral("あいうえお"));
        QVERIFY(rec.loudAfter(0));

        QTest::qWait(1500);
        const qsizetype before = rec.mark();
        control.SpeakText(kStory);
        QVERIFY(rec.loudAfter(before));
        QTest::qWait(300);
        const qsizetype stopped = rec.mark();
        control.StopSpeaking();
        QTest::qWait(1500);
        QVERIFY(rec.peak(stopped - samples(200), stopped) > 1000); // it was speaking
        // Silence from a generous 300 ms after the stop on, for a second.
        QCOMPARE(rec.peak(stopped + samples(300), stopped + samples(1300)) < 300, true);
    }

    void outputKeepsItsBufferAcrossStops()
    {
        // Each stop resets the sink; its buffer must not shrink with that.
        SpeechControl control(optionsFor(Engines::ESpeak, m_cache.path()));
        Listener listener;
        listener.attach(&control);
        const int buffer = control.bufferMs();
        QVERIFY(buffer >= 30 && buffer <= 80);
        for (int i = 0; i < 12; ++i) {
            control.StopSpeaking();
            control.SpeakText(QStringLiteral("あいうえおかきくけこ"));
            QTRY_COMPARE_WITH_TIMEOUT(listener.heard.size(), i + 1, 10000);
        }
        QCOMPARE(control.bufferMs(), buffer);
    }

    void toneSoundsWithoutCuttingTheSpeech()
    {
        SpeechControl control(optionsFor(Engines::OpenJTalk, m_cache.path()));
        Listener listener;
        listener.attach(&control);
        Recorder rec(m_sink->monitor());
        QTest::qWait(300);
        const qsizetype start = rec.mark();
        control.playTone();
        QVERIFY(rec.loudAfter(start, 3));

        control.SpeakText(kStory);
        QTRY_VERIFY_WITH_TIMEOUT(!listener.heard.isEmpty(), 10000);
        const qint64 toneAt = AudioOut::now();
        control.playTone();
        // The later sentences are still handed out after the tone.
        QTRY_VERIFY_WITH_TIMEOUT(listener.heard.size() == 4, 20000);
        QVERIFY(listener.heard.last().at > toneAt);
    }

    // The end of what was given is told once, when its last sound has been
    // heard (the switch scan waits for it), and at once after a stop.
    void endOfSpeechToldWhenHeard()
    {
        SpeechControl control(optionsFor(Engines::OpenJTalk, m_cache.path()));
        Recorder rec(m_sink->monitor());
        QTest::qWait(300);
        qsizetype endedAt = -1;
        int ends = 0;
        connect(&control, &DirectSS::speechEnded, this, [&] {
            ++ends;
            endedAt = rec.mark();
        });
        control.SpeakText(QStringLiteral("こうえんまであるいていきました。"));
        control.SpeakText(QStringLiteral("いけにはかもがいました。"));
        QVERIFY(control.isSpeaking());
        QTRY_COMPARE_WITH_TIMEOUT(ends, 1, 20000);
        QVERIFY(!control.isSpeaking());
        QTest::qWait(800);
        QCOMPARE(ends, 1);
        // Heard up to the moment told, silent from just after it.
        QVERIFY(rec.peak(endedAt - samples(300), endedAt) > 1000);
        QVERIFY(rec.peak(endedAt + samples(80), endedAt + samples(780)) < 300);

        control.SpeakText(kStory);
        QVERIFY(rec.loudAfter(rec.mark()));
        control.StopSpeaking();
        QTRY_COMPARE_WITH_TIMEOUT(ends, 2, 1000);
        QVERIFY(!control.isSpeaking());
    }

    void nextSessionIsServedFromTheDiskCache()
    {
        QTemporaryDir cache;
        {
            SpeechControl first(optionsFor(Engines::OpenJTalk, cache.path()));
            Listener l;
            l.attach(&first);
            first.SpeakText(QStringLiteral("さくら"));
            QTRY_COMPARE_WITH_TIMEOUT(l.completeCount(), 1, 10000); // made whole, so kept
        }
        // An engine that makes nothing: only the cache can speak now.
        SpeechControl::Options o = optionsFor(Engines::OpenJTalk, cache.path());
        o.openJTalk.program = QStringLiteral("/bin/false");
        SpeechControl second(o);
        Listener l;
        l.attach(&second);
        Recorder rec(m_sink->monitor());
        QTest::qWait(300);
        const qsizetype start = rec.mark();
        second.SpeakText(QStringLiteral("つくえ"));
        second.SpeakText(QStringLiteral("さくら"));
        QTRY_COMPARE_WITH_TIMEOUT(l.heard.size(), 1, 10000);
        QCOMPARE(l.heard[0].text, QStringLiteral("さくら"));
        QVERIFY(rec.loudAfter(start));
    }

    // At a first start a text to be heard now is made ahead of the warm-up,
    // even one the warm-up would make last: when it sounds, the warm-up has
    // made only a few of its texts.
    void textToHearIsMadeAheadOfTheWarmUp()
    {
        QTemporaryDir cache;
        SpeechControl control(optionsFor(Engines::OpenJTalk, cache.path()));
        const QString last = QStringLiteral("けすのれつ");
        qsizetype warmWhenHeard = -1;
        bool warmedUp = false;
        connect(&control, &SpeechControl::sounding, this, [&](quint64, int, const QString &text) {
            if (text == last && warmWhenHeard < 0)
                warmWhenHeard = QDir(cache.path()).entryList({QStringLiteral("*.pcm")}, QDir::Files).size();
        });
        connect(&control, &SpeechControl::warmedUp, this, [&] { warmedUp = true; });
        control.warmUp(1, 2, 0, {last});
        control.SpeakText(last);
        QTRY_VERIFY_WITH_TIMEOUT(warmedUp, 60000);
        QVERIFY2(warmWhenHeard >= 0 && warmWhenHeard < 10, qPrintable(QString::number(warmWhenHeard)));
        QVERIFY(QDir(cache.path()).entryList({QStringLiteral("*.pcm")}, QDir::Files).size() > 100);
    }

    // A long text read aloud is taken from the cache or made only a few
    // seconds ahead of what is heard (each piece made is written to the
    // cache folder, so the folder shows how far the making has gone), goes
    // on as it is heard, and stops at once with StopSpeaking.
    void longTextIsMadeOnlyAFewSecondsAhead()
    {
        QTemporaryDir cache;
        SpeechControl control(optionsFor(Engines::OpenJTalk, cache.path()));
        Recorder rec(m_sink->monitor());
        QTest::qWait(300);
        QString text;
        for (const char16_t *who : {u"ねこ", u"いぬ", u"とり", u"さかな", u"うま", u"うし"})
            for (const char16_t *did : {u"がはしりました。", u"がねむりました。", u"があそびました。", u"がたべました。",
                                        u"がないていました。"})
                text += QString::fromUtf16(who) + QString::fromUtf16(did); // 30 sentences, about 45 s of speech
        const auto made = [&] { return QDir(cache.path()).entryList({QStringLiteral("*.pcm")}, QDir::Files).size(); };
        control.SpeakText(text);
        QVERIFY(rec.loudAfter(0));
        QTest::qWait(3000);
        const qsizetype early = made();
        // About 3 s heard and 4 s ahead: a handful of pieces, not all 30.
        QVERIFY2(early >= 2 && early <= 10, qPrintable(QString::number(early)));
        QTest::qWait(6000);
        QVERIFY2(made() > early, "the making goes on as the speech is heard");
        QVERIFY(made() < 25);
        const qsizetype stopped = rec.mark();
        control.StopSpeaking();
        QTest::qWait(300);
        const qsizetype afterStop = made();
        QTest::qWait(1500);
        QVERIFY(rec.peak(stopped + samples(300), stopped + samples(1500)) < 300);
        QCOMPARE(made(), afterStop);
    }

    // What the program itself says is kept as its own; everything else,
    // the row's phrases from the user's file among it, as the user's, which
    // is forgotten on request while the program's stays.
    void userTextsAreForgottenFixedTextsKept()
    {
        QTemporaryDir cache;
        SpeechControl control(optionsFor(Engines::ESpeak, cache.path()));
        Listener listener;
        listener.attach(&control);
        bool warmedUp = false;
        connect(&control, &SpeechControl::warmedUp, this, [&] { warmedUp = true; });
        const QString row = QStringLiteral("わたしのにっき。");
        const QString builtIn = QStringLiteral("はい。");
        const QString diary = QStringLiteral("ないしょのはなし。");
        control.warmUp(1, 2, 0, {QStringLiteral("けすのれつ")}, {}, {row}, {builtIn});
        QTRY_VERIFY_WITH_TIMEOUT(warmedUp, 30000);
        control.setCurrentMode(2);
        control.SpeakText(builtIn);
        control.SpeakText(diary);
        QTRY_COMPARE_WITH_TIMEOUT(listener.completeCount(), 2, 10000);
        const auto file = [&](int mode, const QString &text) {
            return cache.filePath(QString::fromLatin1(
                       SpeechCache::key(control.voices()[mode - 1].id, 100, control.sampleRate(), text)))
                   + QStringLiteral(".pcm");
        };
        const auto kind = [](const QString &path) {
            QFile f(path);
            const QByteArray head = f.open(QIODevice::ReadOnly) ? f.read(SpeechCache::kHeaderBytes) : QByteArray();
            return head.size() == SpeechCache::kHeaderBytes ? int(head[SpeechCache::kKindAt]) : -1;
        };
        const int fixed = int(SpeechCache::Kind::Fixed);
        const int own = int(SpeechCache::Kind::Own);
        QTRY_COMPARE(kind(file(2, diary)), own);
        QCOMPARE(kind(file(2, builtIn)), fixed);
        QCOMPARE(kind(file(1, row)), own);
        QCOMPARE(kind(file(1, QStringLiteral("けすのれつ"))), fixed);
        QCOMPARE(kind(file(1, QStringLiteral("もじぽっと帳にようこそ"))), fixed);
        QCOMPARE(kind(file(2, QStringLiteral("を"))), fixed);

        control.forgetUserTexts();
        // The files go on the cache's disk thread, one after another.
        QTRY_VERIFY(!QFileInfo::exists(file(2, diary)));
        QTRY_VERIFY(!QFileInfo::exists(file(1, row)));
        QCOMPARE(kind(file(2, builtIn)), fixed);
        QCOMPARE(kind(file(1, QStringLiteral("けすのれつ"))), fixed);
        // Said again, the user's text is made again, and kept again.
        control.SpeakText(diary);
        QTRY_COMPARE_WITH_TIMEOUT(listener.completeCount(), 3, 10000);
        QTRY_COMPARE(kind(file(2, diary)), own);
    }

    // The cache folder is cut back once the start has settled, the least
    // recently used first: what the warm-up found counts as used, so the
    // user's older texts go and every text of the warm-up stays.
    void cutBackKeepsWhatTheWarmUpMakes()
    {
        QTemporaryDir cache;
        const auto warmUp = [&](SpeechControl &control) {
            bool warmedUp = false;
            connect(&control, &SpeechControl::warmedUp, this, [&] { warmedUp = true; });
            control.warmUp(1, 2, 0);
            control.SpeakText(QStringLiteral("もじぽっと帳にようこそ"));
            QTRY_VERIFY_WITH_TIMEOUT(warmedUp, 30000);
        };
        QStringList warm;
        qint64 warmBytes = 0;
        {
            SpeechControl first(optionsFor(Engines::ESpeak, cache.path()));
            warmUp(first);
        }
        for (const QFileInfo &f : QDir(cache.path()).entryInfoList({QStringLiteral("*.pcm")}, QDir::Files)) {
            warm << f.fileName();
            warmBytes += f.size();
        }
        QVERIFY(warm.size() > 100);
        // The user's texts of later sessions: newer than the warm-up's files.
        SpeechControl::Options o = optionsFor(Engines::ESpeak, cache.path());
        o.cacheBytes = warmBytes + 4 * 100'000;
        {
            SpeechCache later(cache.path());
            for (int i = 0; i < 12; ++i)
                later.insert("later" + QByteArray::number(i), Samples(50'000, qint16(i)));
        }
        SpeechControl second(o);
        warmUp(second);
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                qint64 total = 0;
                for (const QFileInfo &f : QDir(cache.path()).entryInfoList({QStringLiteral("*.pcm")}, QDir::Files))
                    total += f.size();
                return total <= o.cacheBytes;
            }(),
            10000);
        const QStringList left = QDir(cache.path()).entryList({QStringLiteral("*.pcm")}, QDir::Files);
        for (const QString &name : std::as_const(warm))
            QVERIFY2(left.contains(name), qPrintable(name));
        QVERIFY(left.size() > warm.size()); // some of the later texts too
    }

    void withoutSoundDeviceTheControlIsSilent()
    {
        SpeechControl::Options o = options(Engines::ESpeak, m_cache.path());
        o.sound = false;
        SpeechControl control(o);
        Listener l;
        l.attach(&control);
        QVERIFY(!control.hasSound());
        QVERIFY(control.EngineModeCount() > 0);
        int ends = 0;
        connect(&control, &DirectSS::speechEnded, this, [&] { ++ends; });
        control.SpeakText(QStringLiteral("あ"));
        QTRY_COMPARE(ends, 1); // told at once: nothing waits for a sound that never comes
        control.playTone();
        control.StopSpeaking();
        QTest::qWait(500);
        QVERIFY(l.heard.isEmpty());
    }

    void programWithoutSoundServerRunsSilently()
    {
        QTemporaryDir home;
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:/nonexistent"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home.path());
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(home.path());
        program.start(QStringLiteral(MOJIPOT_PROGRAM), {});
        QVERIFY(program.waitForStarted());
        QVERIFY(!program.waitForFinished(3000)); // still running: no error, no dialog waiting
        program.kill();
        program.waitForFinished();
        const QStringList lines = QString::fromUtf8(program.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines, QStringList{QStringLiteral("mojipot: 音を出す装置がありません。音声なしで動きます")});
    }
};

QTEST_GUILESS_MAIN(TestSpeechPlayback)
#include "tst_speechplayback.moc"
