// Mozc as a conversion engine, the real helper and server, as an ordinary
// user: what it converts, that it keeps to its own profile and learns
// nothing, how it recovers once from a helper or server that is gone or
// stuck and then gives up, and that nothing of it is left running.
#include "asuser.h"
#include "kanji/wordforms.h"
#include "kanji/enginechoice.h"
#include "kanji/mozcengine.h"

#include <QDirIterator>
#include <QElapsedTimer>

using kanji::MozcEngine;

namespace {

bool alive(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    return pid > 0 && f.open(QIODevice::ReadOnly) && !f.readAll().contains("State:\tZ");
}

// Every file under `folder` with its bytes.
QMap<QString, QByteArray> files(const QString &folder)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly))
            out.insert(it.filePath().mid(folder.size()), f.readAll());
    }
    return out;
}

QString shown(const QList<kanji::Phrase> &phrases, bool readings)
{
    QStringList parts;
    for (const kanji::Phrase &p : phrases)
        parts << (readings ? p.reading : p.candidates.value(0));
    return parts.join(u'/');
}

#define kAsUser "converts", "wordForms", "keepsToItsProfile", "faults", "stopsAtTheEnd"

} // namespace

class TestMozcEngine : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home; // the user's home as the desktop sees it
    std::unique_ptr<MozcEngine> m_engine;

    std::unique_ptr<MozcEngine> started()
    {
        auto engine = std::make_unique<MozcEngine>();
        engine->start();
        if (!engine->waitUntilReady(30000))
            qWarning("Mozc did not start");
        return engine;
    }

private slots:
    void initTestCase()
    {
        if (asuser::isAdministrator() || !MozcEngine::unavailableReason().isEmpty())
            return;
        qputenv("HOME", m_home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_DATA_HOME");
        m_engine = started();
    }

    // The phrases ("/" between them) and first candidates; a candidate that
    // must be among the first phrase's.
    void converts_data()
    {
        QTest::addColumn<QString>("reading");
        QTest::addColumn<QString>("readings");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("offered");
        QTest::newRow("two phrases") << "きょうはいいてんき" << "きょうは/いいてんき" << "今日は/いい天気" << "きょうは";
        QTest::newRow("homophones offered") << "きしゃ" << "きしゃ" << "記者" << "汽車";
        QTest::newRow("long vowel mark") << "らーめんをたべた" << "らーめんを/たべた" << "ラーメンを/食べた" << "らーめんを";
        QTest::newRow("three phrases") << "わたしはがっこうにいく" << "わたしは/がっこうに/いく" << "私は/学校に/行く" << "わたしは";
    }
    void converts()
    {
        MOJIPOT_AS_ORDINARY_USER(kAsUser);
        if (const QString reason = MozcEngine::unavailableReason(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        QFETCH(QString, reading);
        QFETCH(QString, readings);
        QFETCH(QString, first);
        QFETCH(QString, offered);
        const QList<kanji::Phrase> phrases = m_engine->convert(reading);
        QCOMPARE(shown(phrases, true), readings);
        QCOMPARE(shown(phrases, false), first);
        QVERIFY2(phrases[0].candidates.contains(offered), qPrintable(phrases[0].candidates.join(u' ')));
        for (const kanji::Phrase &p : phrases)
            for (const QString &c : p.candidates)
                QVERIFY2(!c.contains(QRegularExpression(QStringLiteral("[\uff61-\uff9f]"))), qPrintable(c));
        // Nothing committed: the same answer again.
        QCOMPARE(m_engine->convert(reading), phrases);
    }

    // The row's kanji words from Mozc: a completed word with its particle
    // gives the word alone too; nothing is committed.
    void wordForms()
    {
        MOJIPOT_AS_ORDINARY_USER(kAsUser);
        if (const QString reason = MozcEngine::unavailableReason(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        kanji::WordForms kept;
        const kanji::Forms forms = kept.convert(m_engine.get(), QStringLiteral("びょういんに"));
        QVERIFY(forms.contains(kanji::Form{QStringLiteral("びょういん"), QStringLiteral("病院")}));
        QCOMPARE(kanji::formsOf(m_engine->convert(QStringLiteral("びょういんに")), QStringLiteral("びょういんに")), forms);
        // The word as written: Mozc's own predictions go on from it, and
        // what was typed for them is gone before the next conversion.
        const kanji::Forms predicted = kept.convert(m_engine.get(), QStringLiteral("びょう"), false, true);
        QVERIFY2(predicted.contains(kanji::Form{QStringLiteral("びょういん"), QStringLiteral("病院"), true}),
                 qPrintable(QString::number(predicted.size())));
        QCOMPARE(shown(m_engine->convert(QStringLiteral("きしゃ")), false), QStringLiteral("記者"));
        // The engine as the window makes it (Mozc, Anthy where Mozc gives
        // nothing) passes Mozc's predictions on. It has the same profile, and
        // so the same server: one at a time.
        m_engine.reset();
        {
            const std::unique_ptr<kanji::Engine> chosen = kanji::makeChosenEngine(kanji::EngineChoice::Mozc);
            QTRY_VERIFY_WITH_TIMEOUT(chosen->suggest(QStringLiteral("びょう"))
                                         .contains(kanji::Form{QStringLiteral("びょういん"), QStringLiteral("病院")}),
                                     30000);
        }
        m_engine = started();
    }

    // Mozc's files are in the profile under our data folder, not in the
    // user's configuration folder, and conversions change none of them.
    void keepsToItsProfile()
    {
        MOJIPOT_AS_ORDINARY_USER(kAsUser);
        if (const QString reason = MozcEngine::unavailableReason(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        QCOMPARE(m_engine->profile(), m_home.path() + QStringLiteral("/.local/share/mojipot/mozc"));
        QVERIFY(m_engine->serverProcess() != 0); // started with the profile as its home
        const QString own = m_engine->profile() + QStringLiteral("/.config/mozc");
        const QMap<QString, QByteArray> before = files(own);
        QVERIFY(!before.isEmpty());
        for (const char *r : {"きしゃがきしゃした", "きょうはいいてんき", "ともだちにあった"})
            QVERIFY(!m_engine->convert(QString::fromUtf8(r)).isEmpty());
        QCOMPARE(files(own), before);
        QVERIFY(!QFileInfo::exists(m_home.path() + QStringLiteral("/.config/mozc")));
        QVERIFY(!QFileInfo::exists(m_home.path() + QStringLiteral("/.mozc")));
    }

    // A fault, and what becomes of the conversion in hand: "lost" (Anthy
    // converts in its place; the engine is started once more and converts
    // again; a second such fault and it gives up), "kept" (the helper starts
    // another server by itself), "either" (the helper's own wait for the server
    // ends about when ours does). Always within bounds, and nothing of the
    // engine is left running afterwards.
    void faults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("helper killed") << "kill helper" << "lost";
        QTest::newRow("helper stuck: answer late") << "stop helper" << "lost";
        QTest::newRow("server killed") << "kill server" << "kept";
        QTest::newRow("server stuck") << "stop server" << "either";
    }
    void faults()
    {
        MOJIPOT_AS_ORDINARY_USER(kAsUser);
        if (const QString reason = MozcEngine::unavailableReason(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        QFETCH(QString, fault);
        QFETCH(QString, outcome);
        m_engine.reset();
        auto engine = started();
        QList<qint64> seen;
        auto strike = [&] {
            const qint64 helper = engine->helperProcess(), server = engine->serverProcess();
            seen << helper << server;
            const qint64 pid = fault.endsWith(QStringLiteral("helper")) ? helper : server;
            ::kill(pid_t(pid), fault.startsWith(QStringLiteral("kill")) ? SIGKILL : SIGSTOP);
        };
        auto noneLeft = [&] {
            for (qint64 pid : seen)
                if (alive(pid))
                    return false;
            return true;
        };
        strike();
        QElapsedTimer t;
        t.start();
        const QList<kanji::Phrase> phrases = engine->convert(QStringLiteral("きしゃ"));
        // Bounded: the answer limit, and the stop of what was stuck.
        QVERIFY2(t.elapsed() < 4000, qPrintable(QString::number(t.elapsed())));
        const bool lost = phrases.isEmpty();
        if (outcome != u"either")
            QCOMPARE(lost, outcome == u"lost");
        QCOMPARE(engine->losses(), lost ? 1 : 0);
        if (lost) {
            QVERIFY(engine->waitUntilReady(30000));
            QCOMPARE(shown(engine->convert(QStringLiteral("きしゃ")), false), QStringLiteral("記者"));
        } else {
            QCOMPARE(shown(phrases, false), QStringLiteral("記者"));
        }
        if (outcome == u"lost") {
            QVERIFY(noneLeft());
            strike();
            QVERIFY(engine->convert(QStringLiteral("きしゃ")).isEmpty());
            QVERIFY(engine->givenUp());
            QVERIFY(!engine->waitUntilReady(2000));
            QVERIFY(engine->convert(QStringLiteral("きしゃ")).isEmpty());
            QVERIFY(noneLeft());
        }
        engine.reset();
        QVERIFY(noneLeft());
    }

    // Ended with the program: the helper, and the server it started.
    void stopsAtTheEnd()
    {
        MOJIPOT_AS_ORDINARY_USER(kAsUser);
        if (const QString reason = MozcEngine::unavailableReason(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        auto engine = started();
        const qint64 helper = engine->helperProcess(), server = engine->serverProcess();
        QVERIFY(alive(helper) && alive(server));
        engine.reset();
        QVERIFY(!alive(helper));
        QVERIFY(!alive(server));
    }

    // No helper: nothing is started and every conversion is left to Anthy.
    void missingHelper()
    {
        MozcEngine engine(m_home.path() + QStringLiteral("/profile"), QString());
        engine.start();
        QVERIFY(engine.givenUp());
        QVERIFY(engine.convert(QStringLiteral("きしゃ")).isEmpty());
        QVERIFY(!QFileInfo::exists(m_home.path() + QStringLiteral("/profile")));
    }

    void cleanupTestCase() { m_engine.reset(); }
};

QTEST_GUILESS_MAIN(TestMozcEngine)
#include "tst_mozcengine.moc"
