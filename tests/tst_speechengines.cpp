// The contract every engine keeps behind the speech control, run against
// each real engine: its modes and languages, a kana heard at once with the
// engine's silence cut away, texts in order, StopSpeaking emptying the
// queue, an unknown mode taken as mode 1, and a higher second voice.
#include "base/apperror.h"
#include "speech/audioout.h"
#include "speech/jtalklabels.h"
#include "speech/jtalktrace.h"
#include "speechcompare.h"
#include "speechsound.h"

#include <QTest>
#include <cmath>

using namespace speechtest;

namespace {

// The pitch of the loudest 40 ms of a voice, by autocorrelation (60–500 Hz).
double pitchOf(const Samples &s, int rate)
{
    const qsizetype frame = rate / 25;
    qsizetype best = 0;
    double bestEnergy = 0;
    for (qsizetype at = 0; at + frame < s.size(); at += frame / 2) {
        double e = 0;
        for (qsizetype i = 0; i < frame; ++i)
            e += double(s[at + i]) * s[at + i];
        if (e > bestEnergy) {
            bestEnergy = e;
            best = at;
        }
    }
    double bestCorrelation = 0;
    int bestLag = 0;
    for (int lag = rate / 500; lag <= rate / 60 && best + frame + lag < s.size(); ++lag) {
        double c = 0;
        for (qsizetype i = 0; i < frame; ++i)
            c += double(s[best + i]) * s[best + i + lag];
        if (c > bestCorrelation) {
            bestCorrelation = c;
            bestLag = lag;
        }
    }
    return bestLag ? double(rate) / bestLag : 0;
}

} // namespace

class TestSpeechEngines : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_cache;
    std::unique_ptr<SpeechControl> m_control;
    Listener m_listener;

    SpeechControl &control() { return *m_control; }
    const QList<Heard> &heard() const { return m_listener.heard; }

private slots:
    void initTestCase_data()
    {
        QTest::addColumn<int>("engine");
        QTest::newRow("Open JTalk") << int(Engines::OpenJTalk);
        QTest::newRow("eSpeak NG") << int(Engines::ESpeak);
    }
    void initTestCase() { QVERIFY(ensureSoundServer()); }

    void init()
    {
        QFETCH_GLOBAL(int, engine);
        // A fresh cache folder every time: every sound here is made anew.
        m_cache = std::make_unique<QTemporaryDir>();
        m_control = std::make_unique<SpeechControl>(options(Engines(engine), m_cache->path()));
        m_listener = Listener{};
        m_listener.attach(m_control.get());
        QVERIFY(control().hasSound());
    }
    void cleanup()
    {
        m_control.reset();
        m_cache.reset();
    }

    void modesAndLanguages()
    {
        QFETCH_GLOBAL(int, engine);
        const int count = control().EngineModeCount();
        QList<int> languages;
        QStringList names;
        for (int n = 1; n <= count; ++n) {
            languages << control().EngineModeLanguage(n);
            names << control().EngineModeName(n);
        }
        if (Engines(engine) == Engines::OpenJTalk) {
            QVERIFY(count >= 2 && count % 2 == 0);
            QCOMPARE(languages, QList<int>(count, 1041));
            QVERIFY(names[0].startsWith(QStringLiteral("Open JTalk")));
        } else {
            QCOMPARE(languages, (QList<int>{1041, 1041, 1033}));
            QVERIFY(names[2].contains(QStringLiteral("英語")));
        }
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), count);
        QVERIFY_THROWS_EXCEPTION(AppError, control().EngineModeLanguage(count + 1));
        QVERIFY_THROWS_EXCEPTION(AppError, control().EngineModeName(0));
        QVERIFY_THROWS_EXCEPTION(AppError, control().setSpeed(0));
    }

    void kanaIsHeardWithItsSilenceCut()
    {
        control().setCurrentMode(1);
        control().SpeakText(QStringLiteral("か"));
        QTRY_COMPARE_WITH_TIMEOUT(m_listener.completeCount(), 1, 10000);
        const Samples &s = heard()[0].samples;
        const int rate = control().sampleRate();
        QVERIFY(pcm::hasSound(s));
        // The voice starts within the short lead; the engine's own pause
        // (hundreds of milliseconds) is gone, and only a short tail is kept.
        QVERIFY2(pcm::firstSound(s) <= pcm::samplesIn(pcm::kLeadMs + 15, rate),
                 qPrintable(QString::number(pcm::firstSound(s))));
        QVERIFY(s.size() - pcm::endOfSound(s) <= pcm::samplesIn(pcm::kTailMs + 20, rate));
        QVERIFY(s.size() < pcm::samplesIn(900, rate));
        QCOMPARE(s.first(), 0); // faded in from the cut
    }

    void textsAreHeardInOrder()
    {
        const QStringList texts{QStringLiteral("あ"), QStringLiteral("いぬ。ねこ。"), QStringLiteral("う")};
        for (const QString &t : texts)
            control().SpeakText(t);
        QTRY_COMPARE_WITH_TIMEOUT(heard().size(), 4, 15000);
        QCOMPARE(m_listener.texts(), (QStringList{QStringLiteral("あ"), QStringLiteral("いぬ。"),
                                                  QStringLiteral("ねこ。"), QStringLiteral("う")}));
        for (qsizetype i = 1; i < heard().size(); ++i)
            QVERIFY(heard()[i].at >= heard()[i - 1].at);
    }

    void stopEmptiesTheQueue()
    {
        const QString story = QStringLiteral("きょうははれ。あしたはあめ。あさってはくもり。しあさってはゆき。そのつぎはかぜ。");
        control().SpeakText(story);
        control().SpeakText(QStringLiteral("これはきこえない"));
        QTRY_VERIFY_WITH_TIMEOUT(!heard().isEmpty(), 10000);
        const qint64 stoppedAt = AudioOut::now();
        control().StopSpeaking();
        control().SpeakText(QStringLiteral("お"));
        QTRY_VERIFY_WITH_TIMEOUT(m_listener.texts().contains(QStringLiteral("お")), 10000);
        QTest::qWait(1500);
        int fromStory = 0;
        for (const Heard &h : heard()) {
            QVERIFY2(h.utterance != 2, "a queued text was spoken after StopSpeaking");
            if (h.utterance == 1) {
                ++fromStory;
                QVERIFY2(h.at < stoppedAt + 20'000'000, qPrintable(h.text));
            }
        }
        QVERIFY(fromStory < 5);
        QCOMPARE(heard().last().text, QStringLiteral("お"));
    }

    void unknownModeIsModeOne_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("zero") << 0;
        QTest::newRow("past the count") << 99;
        QTest::newRow("negative") << -3;
    }
    void unknownModeIsModeOne()
    {
        QFETCH(int, mode);
        control().setCurrentMode(2);
        control().setCurrentMode(mode);
        QCOMPARE(control().currentMode(), 1);
        control().SpeakText(QStringLiteral("き"));
        QTRY_COMPARE_WITH_TIMEOUT(heard().size(), 1, 10000);
        QCOMPARE(heard()[0].mode, 1);
    }

    void secondVoiceIsHigher()
    {
        for (int mode : {1, 2}) {
            control().setCurrentMode(mode);
            control().SpeakText(QStringLiteral("あー"));
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_listener.completeCount(), 2, 10000);
        const double low = pitchOf(heard()[0].samples, control().sampleRate());
        const double high = pitchOf(heard()[1].samples, control().sampleRate());
        QVERIFY2(low > 0 && high > low * 1.2, qPrintable(QStringLiteral("%1 Hz, %2 Hz").arg(low).arg(high)));
    }

    // The text analysis alone, with the program's voice of one state: the
    // labels open_jtalk gives with a real voice, from the waiting process
    // or one of a warm-up piece's own; nothing for marks alone or after a
    // cancel.
    void labelsOfTheAnalysis_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("background");
        QTest::addColumn<bool>("cancelled");
        QTest::newRow("a sentence, the waiting process") << QStringLiteral("今日はいい天気。") << false << false;
        QTest::newRow("a word, a process of its own") << QStringLiteral("さくら") << true << false;
        QTest::newRow("marks only") << QStringLiteral("、。") << false << false;
        QTest::newRow("cancelled") << QStringLiteral("さくら") << false << true;
    }
    void labelsOfTheAnalysis()
    {
        QFETCH_GLOBAL(int, engine);
        QFETCH(QString, text);
        QFETCH(bool, background);
        QFETCH(bool, cancelled);
        if (Engines(engine) != Engines::OpenJTalk)
            QSKIP("Open JTalk only");
        const voicecatalog::OpenJTalkInstall install = voicecatalog::findOpenJTalk(QString());
        const QString voiceFile = voicecatalog::findVoiceFiles(install.voiceDirs).value(0);
        QTemporaryDir dir;
        QProcess plain;
        plain.start(install.program, {QStringLiteral("-x"), install.dictionary, QStringLiteral("-m"), voiceFile,
                                      QStringLiteral("-ow"), QStringLiteral("/dev/null"), QStringLiteral("-ot"),
                                      dir.filePath(QStringLiteral("trace"))});
        plain.write(voicecatalog::openJTalkInput(text));
        plain.closeWriteChannel();
        QVERIFY(plain.waitForFinished());
        QFile trace(dir.filePath(QStringLiteral("trace")));
        trace.open(QIODevice::ReadOnly);
        const QList<QByteArray> expected = cancelled ? QList<QByteArray>{} : jtalktrace::labels(trace.readAll());

        JTalkLabels labels(install, voiceFile);
        labels.prepare();
        QList<QByteArray> got;
        int told = 0;
        connect(&labels, &JTalkLabels::labels, this, [&](quint64 job, const QList<QByteArray> &l) {
            QCOMPARE(job, quint64(7));
            got = l;
            ++told;
        });
        QTest::qWait(300);
        labels.request(7, text, background);
        if (cancelled)
            labels.cancel(7);
        QTest::qWait(1000);
        QCOMPARE(told, cancelled ? 0 : 1);
        QCOMPARE(got, expected);
    }

    // Open JTalk inside the program and the open_jtalk program give the
    // same samples for the same text, voice and rate of speech.
    void bothWaysOfOpenJTalkAgree_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<bool>("raised");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("rate");
        QTest::newRow("the key names, natural voice") << speechcompare::keyNames() << false << 100 << 48000;
        QTest::newRow("50 other texts, natural voice") << speechcompare::otherTexts() << false << 100 << 48000;
        QTest::newRow("50 other texts, higher voice, faster") << speechcompare::otherTexts() << true << 150 << 48000;
        // A sound device at another rate: the in-program audio is converted
        // as it is made, open_jtalk's in one go, which rounds a little
        // otherwise.
        QTest::newRow("key names at 44 100 Hz") << speechcompare::keyNames().mid(0, 12) << false << 100 << 44100;
    }
    void bothWaysOfOpenJTalkAgree()
    {
        QFETCH_GLOBAL(int, engine);
        QFETCH(QStringList, texts);
        QFETCH(bool, raised);
        QFETCH(int, speed);
        QFETCH(int, rate);
        if (Engines(engine) != Engines::OpenJTalk)
            QSKIP("Open JTalk only");
        const QList<voicecatalog::Voice> voices =
            voicecatalog::openJTalkVoices(voicecatalog::findOpenJTalk(QCoreApplication::applicationDirPath()));
        QVERIFY(voices.size() >= 2);
        const speechcompare::Difference d = speechcompare::compare(texts, voices[raised ? 1 : 0], speed, rate);
        qInfo("%d texts: %d identical, largest difference of a sample %d, %lld of different length, %lld silent",
              d.texts, d.identical, d.largest, qlonglong(d.lengths), qlonglong(d.empty));
        if (rate == 48000)
            QVERIFY2(d.identical == d.texts, qPrintable(d.differing.join(u' ')));
        QVERIFY2(d.largest <= (rate == 48000 ? 0 : 4), qPrintable(QString::number(d.largest)));
        QCOMPARE(d.lengths, 0);
        QVERIFY(d.empty < d.texts / 10);
        QVERIFY(d.partsBeginPieces);
    }
};

QTEST_GUILESS_MAIN(TestSpeechEngines)
#include "tst_speechengines.moc"
