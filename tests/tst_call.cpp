// The call for help as pure rules: when holding a switch starts it, which
// events it takes while it sounds and which stop it; and its settings as a
// hand-edited file gives them.
#include "base/profilefile.h"
#include "base/sjis.h"
#include "input/callrules.h"
#include "input/callsettings.h"
#include "tests/inputboards.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace input;

namespace {

// Events, each "<what><input>@<ms>": "d" a call switch down, "o" another key
// or button down, "u" a release, "r" the hold timer asks whether the time has
// come, "y" "よぶ" chosen. The trace: after each event "P" it passes on, "T"
// it is taken, "S" the call stops, "C" the call starts, "-" nothing.
QString run(int hold, const QString &script)
{
    CallRules rules;
    rules.setHold(hold);
    QStringList trace;
    const auto effect = [](CallRules::Effect e) {
        return e == CallRules::Effect::Pass ? QStringLiteral("P") : e == CallRules::Effect::Take ? QStringLiteral("T")
                                                                                                : QStringLiteral("S");
    };
    for (const QString &e : script.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList parts = e.mid(1).split(u'@');
        const int input = parts.value(0).toInt();
        const qint64 at = parts.value(1).toLongLong();
        switch (e.at(0).unicode()) {
        case 'd': trace << effect(rules.pressed(input, true, at)); break;
        case 'o': trace << effect(rules.pressed(input, false, at)); break;
        case 'u': trace << effect(rules.released(input, at)); break;
        case 'r': trace << (rules.reached(at) ? QStringLiteral("C") : QStringLiteral("-")); break;
        case 'y':
            rules.start(at);
            trace << QStringLiteral("C");
            break;
        default: qFatal("unknown event");
        }
    }
    return trace.join(u' ') + (rules.calling() ? QStringLiteral(" calling") : QString());
}

} // namespace

class TestCall : public QObject
{
    Q_OBJECT

private slots:
    void rules_data()
    {
        QTest::addColumn<int>("hold");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("trace");

        QTest::newRow("held 3 s: the press passes, the call starts at the threshold, its release is taken")
            << 3000 << "d1@0 r@2999 r1@3000 u1@3500" << "P - C T calling";
        QTest::newRow("let go before the threshold: no call, the release passes")
            << 3000 << "d1@0 u1@2999 r@3000" << "P P -";
        QTest::newRow("a press held again starts counting afresh")
            << 3000 << "d1@0 u1@1000 d1@1500 r@3000 r@4500" << "P P P - C calling";
        QTest::newRow("hold 0: no call however long")
            << 0 << "d1@0 r@100000 u1@100000" << "P - P";
        QTest::newRow("another key is never a call switch")
            << 3000 << "o5@0 r@5000 u5@5000" << "P - P";
        QTest::newRow("the switch again within 2 s is taken and the call goes on")
            << 3000 << "d1@0 r@3000 u1@3200 d1@4999 u1@5100" << "P C T T T calling";
        QTest::newRow("the switch again after 2 s stops it; its release is taken")
            << 3000 << "d1@0 r@3000 u1@3200 d1@5000 u1@5100" << "P C T S T";
        QTest::newRow("another key stops it at once; its release is taken")
            << 3000 << "d1@0 r@3000 o7@3100 u7@3200 u1@3300" << "P C S T T";
        QTest::newRow("a click stops it; the switch still held is let go unseen")
            << 3000 << "d1@0 r@3000 o-1@3050 u-1@3100 u1@6000" << "P C S T T";
        QTest::newRow("after the stop every event passes again")
            << 3000 << "d1@0 r@3000 u1@3100 o7@3200 u7@3300 o7@3400 u7@3500" << "P C T S T P P";
        QTest::newRow("よぶ chosen: the same call, stopped by a key")
            << 3000 << "y@0 o7@10 u7@20" << "C S T";
        QTest::newRow("よぶ chosen with the hold off: the switch after 2 s stops it")
            << 0 << "y@0 d1@1000 u1@1100 d1@2500" << "C T T S";
        QTest::newRow("a second switch pressed while the first is held is not counted")
            << 1000 << "d1@0 d2@500 u1@800 r@1500 d1@1600 r@2600" << "P P P - P C calling";
    }
    void rules()
    {
        QFETCH(int, hold);
        QFETCH(QString, script);
        QFETCH(QString, trace);
        QCOMPARE(run(hold, script), trace);
    }

    void settingsFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("problems");

        const QString sh = QStringLiteral("/bin/sh");
        QTest::newRow("no section: a file from before the call has none")
            << "[入力方法]\r\n番号=4\r\n" << "0 0 たすけてください -" << "";
        QTest::newRow("empty section: a 3 s hold, no mail")
            << "[よびだし]\r\n" << "3000 0 たすけてください -" << "";
        QTest::newRow("0 is off")
            << "[よびだし]\r\n長さ=0\r\n" << "0 0 たすけてください -" << "";
        QTest::newRow("every value as the dialog writes it")
            << "[よびだし]\r\n長さ=5000\r\nメール=1\r\n本文=へやに　きてください\r\nコマンド=" + sh + "\r\n"
            << "5000 1 へやに　きてください " + sh << "";
        QTest::newRow("hold below the range: brought up to 1000, said")
            << "[よびだし]\r\n長さ=200\r\n" << "1000 0 たすけてください -" << "長さ";
        QTest::newRow("hold of any length above the range: 10000, said")
            << "[よびだし]\r\n長さ=99999999999\r\n" << "10000 0 たすけてください -" << "長さ";
        QTest::newRow("hold negative: brought up to 1000, said")
            << "[よびだし]\r\n長さ=-5\r\n" << "1000 0 たすけてください -" << "長さ";
        QTest::newRow("hold in words or full-width digits: 3000, said")
            << "[よびだし]\r\n長さ=３０００\r\n" << "3000 0 たすけてください -" << "長さ";
        QTest::newRow("mail switch in words: off, said")
            << "[よびだし]\r\nメール=はい\r\n" << "3000 0 たすけてください -" << "メール";
        QTest::newRow("empty text: the default text")
            << "[よびだし]\r\n本文=\r\n" << "3000 0 たすけてください -" << "";
        QTest::newRow("a command that does not exist: none, said")
            << "[よびだし]\r\nコマンド=/nonexistent/relay\r\n" << "3000 0 たすけてください -" << "コマンド";
        QTest::newRow("a command that is not executable: none, said")
            << "[よびだし]\r\nコマンド=/etc/passwd\r\n" << "3000 0 たすけてください -" << "コマンド";
        QTest::newRow("a command line for a shell is no program: none, said")
            << "[よびだし]\r\nコマンド=/bin/sh -c 'rm x'\r\n" << "3000 0 たすけてください -" << "コマンド";
        QTest::newRow("a relative path is no program: none, said")
            << "[よびだし]\r\nコマンド=bin/relay\r\n" << "3000 0 たすけてください -" << "コマンド";
        QTest::newRow("several bad values: each named, the call keeps working")
            << "[よびだし]\r\n長さ=abc\r\nメール=x\r\nコマンド=/nonexistent\r\n" << "3000 0 たすけてください -"
            << "長さ メール コマンド";
    }
    void settingsFile()
    {
        QFETCH(QString, file);
        QFETCH(QString, read);
        QFETCH(QString, problems);
        QTemporaryDir dir;
        const ProfileFile ini = settingsWith(dir, file);
        QStringList found;
        const CallSettings s = CallSettings::read(ini, &found);
        const QString text = QStringLiteral("%1 %2 %3 %4")
                                 .arg(s.hold)
                                 .arg(int(s.mail))
                                 .arg(s.text, s.command.isEmpty() ? QStringLiteral("-") : s.command);
        QCOMPARE(text, read);
        QCOMPARE(found.join(u' '), problems);
        QCOMPARE(s.used, file.contains(QStringLiteral("[よびだし]")));
        // What is written reads back the same, without a problem.
        s.write(ini);
        found.clear();
        CallSettings written = s;
        written.used = true;
        QCOMPARE(CallSettings::read(ini, &found), written);
        QVERIFY(found.isEmpty());
    }

    void newUser()
    {
        // A new user's file holds the call with a 3 s hold, which stays.
        QTemporaryDir dir;
        const ProfileFile ini(dir.filePath(QStringLiteral("mojipot.ini")));
        CallSettings::recordForNewUser(ini);
        QCOMPARE(CallSettings::read(ini).hold, 3000);
        QCOMPARE(ini.text(schema::kCallHold), QStringLiteral("3000"));
    }
};

QTEST_GUILESS_MAIN(TestCall)
#include "tst_call.moc"
