// The scan's pace learned from the presses: how the interval follows a
// script of presses, the bound under which a press is late, and the private
// file that keeps what was learned (hand-edited, cut, or not a file at all).
#include "base/keytable.h"
#include "input/switchpace.h"
#include "input/switchscan.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace input;

namespace {

const QDate kDay(2026, 12, 8);

// Presses: "-late" late presses are not caught from now on; "30*300/-200" thirty presses 300 ms after their place appeared,
// 200 ms before its name ended; "d" けす, "a" ぜんぶけす, "b" もどる (each 600/100);
// "L" a late press taken for the place before (1100/600); "k" a kana written (600/100).
// Returns the interval after each press.
std::vector<int> run(SwitchPace &pace, const QString &script)
{
    std::vector<int> after;
    for (const QString &e : script.split(u' ', Qt::SkipEmptyParts)) {
        if (e == u"-late") {
            pace.setCatchesLate(false);
            continue;
        }
        PacePress p;
        p.day = kDay;
        p.sincePrevious = 2000;
        int times = 1;
        if (e.contains(u'*')) {
            times = e.section(u'*', 0, 0).toInt();
            const QString t = e.section(u'*', 1);
            p.reaction = t.section(u'/', 0, 0).toInt();
            p.intoInterval = t.section(u'/', 1).toInt();
        } else {
            p.reaction = 600;
            p.intoInterval = 100;
            switch (e.at(0).unicode()) {
            case 'd': p.choice = keys::kDelete; break;
            case 'a': p.choice = keys::kClearAll; break;
            case 'b': p.choice = kBack; break;
            case 'k': p.choice = 1; break;
            case 'L':
                p.reaction = 1100;
                p.intoInterval = 600;
                p.late = true;
                break;
            default: qFatal("unknown press");
            }
        }
        for (int i = 0; i < times; ++i) {
            pace.press(p);
            after.push_back(pace.interval());
        }
    }
    return after;
}

int largestStep(int start, const std::vector<int> &after)
{
    int most = 0;
    for (int v : after) {
        most = std::max(most, std::abs(v - start));
        start = v;
    }
    return most;
}

} // namespace

class TestSwitchPace : public QObject
{
    Q_OBJECT

private slots:
    void interval_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("low");  // the interval at the end lies in [low, high]
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("step"); // and no press moved it by more

        QTest::newRow("fewer presses than needed: nothing learned yet") << 1000 << "9*300/-200" << 1000 << 1000 << 0;
        QTest::newRow("40 quick reliable presses: down by small steps, not below 300")
            << 1000 << "40*300/-200" << 300 << 400 << 90;
        QTest::newRow("presses 700 ms into the interval: settles near their needs")
            << 1000 << "80*1000/700" << 860 << 900 << 50;
        QTest::newRow("slow presses from a short interval: raised towards them")
            << 300 << "60*2000/1500" << 1700 << 1760 << 490;
        QTest::newRow("three late presses close together: slower at once")
            << 1000 << "20*1000/700 L L L" << 1000 << 1050 << 150;
        QTest::newRow("two late presses close together: not yet")
            << 1000 << "20*1000/700 L L" << 880 << 900 << 10;
        QTest::newRow("けす, もどる and けす close together after the presses: slower at once")
            << 800 << "20*900/600 k d k b k d" << 850 << 950 << 150;
        QTest::newRow("ぜんぶけす counts as taking back")
            << 1000 << "20*1000/700 k a k a k a" << 950 << 1100 << 150;
        QTest::newRow("corrections far apart: no jump")
            << 1000 << "L 5*1000/700 L 5*1000/700 L 5*1000/700" << 850 << 1000 << 50;
        QTest::newRow("never above 5000 however slow") << 4800 << "30*9000/8000 L L L L" << 5000 << 5000 << 500;
        QTest::newRow("late presses caught: the slowest 15 % left to them")
            << 1000 << "35*700/500 5*1700/1500" << 600 << 750 << 30;
        QTest::newRow("late presses not caught: the same presses lengthen it")
            << 1000 << "-late 35*700/500 5*1700/1500" << 1000 << 1300 << 300;
        QTest::newRow("a press during the name counts as quick, the floor holds")
            << 300 << "30*200/-1" << 300 << 300 << 0;
    }
    void interval()
    {
        QFETCH(int, start);
        QFETCH(QString, script);
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(int, step);
        SwitchPace pace;
        pace.setInterval(start);
        const std::vector<int> after = run(pace, script);
        QVERIFY2(pace.interval() >= low && pace.interval() <= high, qPrintable(QString::number(pace.interval())));
        QVERIFY2(largestStep(start, after) <= step, qPrintable(QString::number(largestStep(start, after))));
    }

    void lateBound_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("bound");
        QTest::newRow("no presses yet: 200 ms") << "" << 200;
        QTest::newRow("nine presses: still 200 ms") << "9*260/0" << 200;
        QTest::newRow("ten presses: a tenth under the fastest of them") << "5*500/0 5*330/0" << 297;
        QTest::newRow("a slow person: never above 400 ms") << "20*1500/300" << 400;
        QTest::newRow("late presses are not reactions to a new place") << "L L L L L 9*500/0" << 200;
        QTest::newRow("only the recent presses: an early quick one forgotten") << "1*150/0 40*350/0" << 315;
    }
    void lateBound()
    {
        QFETCH(QString, script);
        QFETCH(int, bound);
        SwitchPace pace;
        run(pace, script);
        QCOMPARE(pace.lateBound(), bound);
    }

    void figures()
    {
        SwitchPace pace;
        run(pace, "10*400/0 10*800/0 k L");
        QCOMPARE(pace.usual(), 800);
        QCOMPARE(pace.slowest(), 800);
        const std::vector<SwitchPace::Day> days = pace.chart(kDay.addDays(1));
        QCOMPARE(int(days.size()), SwitchPace::kDays);
        QCOMPARE(days.back().presses, 0); // today, no presses yet
        const SwitchPace::Day &d = days[days.size() - 2];
        QCOMPARE(d.date, kDay);
        QCOMPARE(d.presses, 22);
        QCOMPARE(d.characters, 1);
        QCOMPARE(d.corrections, 1);
        QCOMPARE(d.correctionsPer100(), 100.0 / 22);
        QCOMPARE(d.perMinute(), 60'000.0 / (22 * 2000));
        // Fifteen days later the old day is gone; reset forgets the presses, not the days.
        PacePress p;
        p.day = kDay.addDays(SwitchPace::kDays);
        pace.press(p);
        QCOMPARE(int(pace.days().size()), 1);
        pace.reset(1500);
        QCOMPARE(pace.interval(), 1500);
        QCOMPARE(pace.presses(), 0);
        QCOMPARE(pace.lateBound(), SwitchPace::kLateStart);
        QCOMPARE(int(pace.days().size()), 1);
    }

    // The private file: what comes back from a good one, a fresh state
    // from anything else, and never a wait.
    void file_data()
    {
        QTest::addColumn<QByteArray>("content"); // "GOOD": a file written by save()
        QTest::addColumn<QString>("kind");       // file, link, pipe, folder
        QTest::addColumn<bool>("kept");
        QTest::newRow("written and read back") << QByteArray("GOOD") << "file" << true;
        QTest::newRow("cut before its end") << QByteArray("CUT") << "file" << false;
        QTest::newRow("empty") << QByteArray() << "file" << false;
        QTest::newRow("words in a number")
            << QByteArray("mojipot-switch-pace 1\npress abc 0 0\nend\n") << "file" << false;
        QTest::newRow("full-width digits")
            << QByteArray("mojipot-switch-pace 1\npress \xef\xbc\x91 0 0\nend\n") << "file" << false;
        QTest::newRow("out of range")
            << QByteArray("mojipot-switch-pace 1\npress 99999999999 0 0\nend\n") << "file" << false;
        QTest::newRow("days out of order")
            << QByteArray("mojipot-switch-pace 1\nday 2026-12-08 1 2 0 10\nday 2026-12-01 1 2 0 10\nend\n") << "file"
            << false;
        QTest::newRow("more corrections than presses")
            << QByteArray("mojipot-switch-pace 1\nday 2026-12-08 1 2 3 10\nend\n") << "file" << false;
        QTest::newRow("an unknown line") << QByteArray("mojipot-switch-pace 1\ntext あいう\nend\n") << "file" << false;
        QTest::newRow("a link to a good file") << QByteArray("GOOD") << "link" << false;
        QTest::newRow("a pipe") << QByteArray() << "pipe" << false;
        QTest::newRow("a folder") << QByteArray() << "folder" << false;
    }
    void file()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, kind);
        QFETCH(bool, kept);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("switch-pace.txt"));
        SwitchPace learned;
        learned.setInterval(700);
        run(learned, "12*500/100 k d");
        const QByteArray good = learned.toBytes();
        if (content == "GOOD")
            content = good;
        else if (content == "CUT")
            content = good.left(good.size() - 3);
        const QString target = kind == u"link" ? dir.filePath(QStringLiteral("elsewhere")) : path;
        if (kind == u"pipe")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == u"folder")
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("switch-pace.txt")));
        else {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        if (kind == u"link")
            QVERIFY(QFile::link(target, path));

        SwitchPace read = SwitchPace::load(path);
        read.setInterval(700); // the interval is the settings file's
        QCOMPARE(read.toBytes() == learned.toBytes(), kept);
        QCOMPARE(read.usual() == learned.usual() && read.lateBound() == learned.lateBound(), kept);
        if (!kept) {
            QCOMPARE(read.presses(), 0);
            QCOMPARE(read.lateBound(), SwitchPace::kLateStart);
        }
    }

    void savedOwnerOnlyAndWithoutText()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("mojipot/switch-pace.txt"));
        SwitchPace pace;
        run(pace, "12*500/100 k d b L");
        QVERIFY(pace.save(path));
        QCOMPARE(QFile::permissions(path) & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
                 QFile::Permissions());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        // Numbers and the line names only: nothing of what was written.
        const QByteArray bytes = f.readAll();
        QVERIFY(QRegularExpression(QStringLiteral("^mojipot-switch-pace 1\n([a-z]+( -?[0-9-]+)*\n)*end\n$"))
                    .match(QString::fromLatin1(bytes))
                    .hasMatch());
    }
};

QTEST_GUILESS_MAIN(TestSwitchPace)
#include "tst_switchpace.moc"
