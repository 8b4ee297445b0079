// Switch scanning as pure rules: the scan over the board as a function of
// the keys it may offer, the style and a sequence of events; when a switch
// press counts; when resting the pointer presses a key. Each row is a script
// of events and the trace of what the user would see after each of them.
#include "base/profilefile.h"
#include "base/sjis.h"
#include "input/dwell.h"
#include "input/switchpress.h"
#include "input/switchscan.h"
#include "input/switchsettings.h"
#include "tests/inputboards.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace input;

namespace {

// The board as the scan sees it: practice mode's kana (1 to lastKana), and
// the two blank keys left out unless they carry a caption.
Reachable scannable(int lastKana, bool blanksCaptioned = false)
{
    Reachable s = practiceBoard(lastKana);
    if (!blanksCaptioned) {
        s.reset(keys::kBlank1);
        s.reset(keys::kBlank2);
    }
    return s;
}

// "G3" a group, "K12" a key, "B3" もどる of column 3, "-" nothing (paused);
// "*" marks the first place of a level; "!7:" a key pressed before it.
QString token(const ScanStep &s)
{
    QString t = s.pressed >= 0 ? QStringLiteral("!%1:").arg(s.pressed) : QString();
    switch (s.place.level) {
    case ScanPlace::None: t += u'-'; break;
    case ScanPlace::Group: t += QStringLiteral("G%1").arg(s.place.group); break;
    case ScanPlace::Key:
        t += s.place.tag == kBack ? QStringLiteral("B%1").arg(s.place.group) : QStringLiteral("K%1").arg(s.place.tag);
        break;
    }
    return s.first ? t + u'*' : t;
}

// Orders a scan can be given when it starts again: "R" the columns from the
// left, then "よむ"; "W" a place beside the board (and reachable) first; "L"
// a group of む, い and り (in that order, framed key by key) before the
// board's order.
ScanOrder orderNamed(QChar name)
{
    ScanOrder board = boardOrder();
    if (name == u'R')
        return ScanOrder(board.rbegin(), board.rend());
    board.insert(board.begin(), ScanGroup{QStringLiteral("よそく"), name == u'L' ? std::vector<int>{33, 2, 42}
                                                                                  : std::vector<int>{kFirstOffBoard}});
    return board;
}

// The order named by the last "o" event.
struct NamedOrder : OrderSource
{
    QChar name;
    ScanOrder next(const Reachable &) const override { return orderNamed(name); }
};

// Events: "t" timer, "m" move switch, "s" select switch, "w33" the arrow
// keys reached Tag 33 (no token), "h10" practice mode now shows kana 1–10,
// "oR" the order asked for at the next start (see orderNamed), "b" "もどる"
// leads to the first group from now on, "l" a late press (for the place the
// last tick left).
QString run(SwitchScan::Rules rules, int lastKana, bool captioned, const QString &script)
{
    SwitchScan scan;
    scan.setRules(rules);
    NamedOrder named;
    Reachable shown = scannable(lastKana, captioned);
    QStringList trace{token(scan.start(shown))};
    for (const QString &e : script.split(u' ', Qt::SkipEmptyParts)) {
        switch (e.at(0).unicode()) {
        case 't': trace << token(scan.tick(shown)); break;
        case 'm': trace << token(scan.step(shown)); break;
        case 's':
        case 'l': {
            // A press takes effect, then the scan starts again, as the window does it.
            ScanStep step = e.at(0) == u'l' ? scan.selectLeft(shown) : scan.select(shown);
            if (step.pressed >= 0) {
                const int pressed = step.pressed;
                step = scan.restart(shown, pressed);
                step.pressed = pressed;
            }
            trace << token(step);
            break;
        }
        case 'w': scan.reachedElsewhere(e.mid(1).toInt()); break;
        case 'h': shown = scannable(e.mid(1).toInt(), captioned); break;
        case 'b':
            rules.backToFirst = true;
            scan.setRules(rules);
            break;
        case 'o':
            named.name = e.at(1);
            scan.setOrderSource(&named);
            shown.set(kFirstOffBoard);
            break;
        default: qFatal("unknown event");
        }
    }
    return trace.join(u' ');
}

QString repeat(const QString &e, int n)
{
    return QStringList(n, e).join(u' ');
}

} // namespace

class TestSwitchScan : public QObject
{
    Q_OBJECT

private slots:
    void scan_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("loops");
        QTest::addColumn<bool>("restartAtColumn");
        QTest::addColumn<int>("lastKana");
        QTest::addColumn<bool>("captioned");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("trace");

        QTest::newRow("groups: よむ, then the columns from the right")
            << 1 << 3 << false << 55 << false << "t t t" << "G0* G1 G2 G3";
        QTest::newRow("よむ selected at the groups is pressed, the scan starts again at よむ")
            << 1 << 3 << false << 55 << false << "s" << "G0* !0:G0*";
        QTest::newRow("a column: its keys top to bottom, then もどる")
            << 1 << 3 << false << 55 << false << "t s t t t t t" << "G0* G1 K1* K2 K3 K4 K5 B1";
        QTest::newRow("もどる returns to the groups at the same column")
            << 1 << 3 << false << 55 << false << "t t s t t t t t s t" << "G0* G1 G2 K6* K7 K8 K9 K10 B2 G2* G3";
        QTest::newRow("a key pressed: again from よむ")
            << 1 << 3 << false << 55 << false << "t t s t s" << "G0* G1 G2 K6* K7 !7:G0*";
        QTest::newRow("選んだあと=2: again from the pressed key's column")
            << 1 << 3 << true << 55 << false << "t t s t s t" << "G0* G1 G2 K6* K7 !7:G2* G3";
        QTest::newRow("blank keys are passed over")
            << 1 << 3 << false << 55 << false << repeat("t", 12) + " s t t t t"
            << "G0* G1 G2 G3 G4 G5 G6 G7 G8 G9 G10 G11 G12 K56* K57 K60 B12 K56";
        QTest::newRow("keys 58 and 59 with a caption are offered")
            << 1 << 3 << false << 55 << true << repeat("t", 12) + " s t t t"
            << "G0* G1 G2 G3 G4 G5 G6 G7 G8 G9 G10 G11 G12 K56* K57 K58 K59";
        QTest::newRow("practice mode: hidden columns are passed over")
            << 1 << 3 << false << 10 << false << "t t t t t t" << "G0* G1 G2 G12 G13 G0 G1";
        QTest::newRow("one loop: after the last column the scan pauses, a press starts at よむ")
            << 1 << 1 << false << 10 << false << "t t t t t t t s t"
            << "G0* G1 G2 G12 G13 - - - G0* G1";
        QTest::newRow("three loops of five groups, then silence")
            << 1 << 3 << false << 10 << false << repeat("t", 15) + " t"
            << "G0* G1 G2 G12 G13 G0 G1 G2 G12 G13 G0 G1 G2 G12 G13 - -";
        QTest::newRow("inside a column two loops, then the groups again at that column")
            << 1 << 3 << false << 55 << false << "t s " + repeat("t", 13)
            << "G0* G1 K1* K2 K3 K4 K5 B1 K1 K2 K3 K4 K5 B1 G1* G2";
        QTest::newRow("two switches: the move switch never pauses")
            << 2 << 1 << false << 10 << false << repeat("m", 7) << "G0* G1 G2 G12 G13 G0 G1 G2";
        QTest::newRow("two switches: inside a column the moves go round")
            << 2 << 1 << false << 55 << false << "m s " + repeat("m", 7) << "G0* G1 K1* K2 K3 K4 K5 B1 K1 K2";
        QTest::newRow("two switches: a key pressed, again from よむ")
            << 2 << 1 << false << 55 << false << "m s m s" << "G0* G1 K1* K2 !2:G0*";
        QTest::newRow("the arrow keys reached む: the groups go on from its column")
            << 1 << 3 << false << 55 << false << "t w33 t t" << "G0* G1 G7* G8";
        QTest::newRow("select after the arrow keys enters the reached column")
            << 1 << 3 << false << 55 << false << "t w33 s" << "G0* G1 K31*";
        QTest::newRow("the arrow keys wake a paused scan")
            << 1 << 1 << false << 5 << false << "t t t t w1 t" << "G0* G1 G12 G13 - G1*";
        QTest::newRow("a key hidden while highlighted is not pressed")
            << 1 << 3 << false << 55 << false << "t t s t h5 s" << "G0* G1 G2 K6* K7 K7";
        QTest::newRow("the order is asked again when the scan starts again: けすのれつ first")
            << 1 << 3 << false << 55 << false << "oR s s" << "G0* !0:G0* K61*";
        QTest::newRow("a place beside the board is offered and pressed as a key is")
            << 1 << 3 << false << 55 << false << "oW s s s" << "G0* !0:G0* K66* !66:G0*";
        QTest::newRow("a column hidden while inside it: on to the next shown group")
            << 1 << 3 << false << 55 << false << "t t s t h5 t" << "G0* G1 G2 K6* K7 G12*";
        QTest::newRow("a group's keys in the order of its list, then もどる")
            << 1 << 3 << false << 55 << false << "oL s s t t t s" << "G0* !0:G0* K33* K2 K42 B0 G0*";
        QTest::newRow("a key of a group's list hidden meanwhile is passed over")
            << 1 << 3 << false << 55 << false << "oL s s h5 t t" << "G0* !0:G0* K33* K2 B0";
        QTest::newRow("もどる to the first group")
            << 1 << 3 << false << 55 << false << "b t t s t t t t t s t" << "G0* G1 G2 K6* K7 K8 K9 K10 B2 G0* G1";
        QTest::newRow("もどる to the first group: after two loops in a column too")
            << 1 << 3 << false << 55 << false << "b t s " + repeat("t", 13)
            << "G0* G1 K1* K2 K3 K4 K5 B1 K1 K2 K3 K4 K5 B1 G0* G1";
        QTest::newRow("the arrow keys reached a key of the first group: on from its column")
            << 1 << 3 << false << 55 << false << "oL s w33 t t" << "G0* !0:G0* G8* G9";
        QTest::newRow("選んだあと=2: a key pressed in the first group, again from its column")
            << 1 << 3 << true << 55 << false << "oL s " + repeat("t", 14) + " s s"
            << "G0* !0:G1* G2 G3 G4 G5 G6 G7 G8 G9 G10 G11 G12 G13 G14 G0 K33* !33:G8*";
        QTest::newRow("late press: the column the timer just left is entered")
            << 1 << 3 << false << 55 << false << "t t l" << "G0* G1 G2 K1*";
        QTest::newRow("late press: the key the timer just left is pressed")
            << 1 << 3 << false << 55 << false << "t s t t l" << "G0* G1 K1* K2 K3 !2:G0*";
        QTest::newRow("late press: よむ just left is pressed")
            << 1 << 3 << false << 55 << false << "t l" << "G0* G1 !0:G0*";
        QTest::newRow("late press: when the scan has just paused, the last group")
            << 1 << 1 << false << 10 << false << "t t t t t l" << "G0* G1 G2 G12 G13 - K61*";
        QTest::newRow("late press: もどる just left goes back to the groups")
            << 1 << 3 << false << 55 << false << "t s t t t t t t l" << "G0* G1 K1* K2 K3 K4 K5 B1 K1 G1*";
        QTest::newRow("late press after a select, not a tick: the place shown now")
            << 1 << 3 << false << 55 << false << "t s l" << "G0* G1 K1* !1:G0*";
        QTest::newRow("late press after the arrow keys: the place reached")
            << 1 << 3 << false << 55 << false << "t t w33 l" << "G0* G1 G2 K31*";
    }
    void scan()
    {
        QFETCH(int, style);
        QFETCH(int, loops);
        QFETCH(bool, restartAtColumn);
        QFETCH(int, lastKana);
        QFETCH(bool, captioned);
        QFETCH(QString, script);
        QFETCH(QString, trace);
        const SwitchScan::Rules rules{SwitchStyle(style), loops, restartAtColumn};
        QCOMPARE(run(rules, lastKana, captioned, script), trace);
    }

    // Events "d0@100" switch 0 down at 100 ms, "u0@150" up, "p@300" the
    // hold timer asks, "b@0" a press answered a box; the trace lists the
    // switch and time of each counted press.
    void presses_data()
    {
        QTest::addColumn<int>("hold");
        QTest::addColumn<int>("ignore");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("counted");
        QTest::newRow("no hold time: a press counts at once") << 0 << 250 << "d0@0 u0@40" << "0@0";
        QTest::newRow("a bounce within the ignore time is ignored")
            << 0 << 250 << "d0@0 u0@20 d0@100 u0@120 d0@251" << "0@0 0@251";
        QTest::newRow("the ignore time covers the other switch too") << 0 << 250 << "d0@0 u0@10 d1@100 d1@400" << "0@0 1@400";
        QTest::newRow("hold: let go too soon, nothing") << 200 << 250 << "d0@0 p@150 u0@199 p@300" << "";
        QTest::newRow("hold: counts when held long enough") << 200 << 250 << "d0@0 p@199 p@200 u0@900 p@1000" << "0@200";
        QTest::newRow("hold: let go just as it fell due") << 200 << 250 << "d0@0 u0@230" << "0@230";
        QTest::newRow("hold: the ignore time runs from the count")
            << 200 << 250 << "d0@0 p@200 u0@210 d0@300 p@500 u0@510 d0@520 p@720" << "0@200 0@720";
        QTest::newRow("a press that answered a box starts the ignore time")
            << 0 << 250 << "b@0 d0@100 u0@120 d0@260" << "0@260";
    }
    void presses()
    {
        QFETCH(int, hold);
        QFETCH(int, ignore);
        QFETCH(QString, script);
        QFETCH(QString, counted);
        PressFilter filter;
        filter.setTimes(hold, ignore);
        QStringList out;
        for (const QString &e : script.split(u' ')) {
            const qint64 at = e.section(u'@', 1).toLongLong();
            const int which = e.at(1).digitValue();
            if (e.startsWith(u'b'))
                filter.countedElsewhere(at);
            if (e.startsWith(u'd') && filter.down(which, at))
                out << QStringLiteral("%1@%2").arg(which).arg(at);
            if (e.startsWith(u'u') && filter.up(which, at))
                out << QStringLiteral("%1@%2").arg(which).arg(at);
            if (e.startsWith(u'p')) {
                if (const auto due = filter.due(); due && *due > at)
                    continue;
                if (const auto which = filter.held(at))
                    out << QStringLiteral("%1@%2").arg(*which).arg(at);
            }
        }
        QCOMPARE(out.join(u' '), counted);
    }

    // Events "m1@0:5,5" the pointer over key 1 at (5, 5) at 0 ms ("m-1" over
    // no key), "p@300" a look at the time; the trace has one token per look:
    // "1!" key 1 pressed, "1~" key 1 locked on and filling, "-" nothing.
    void dwell_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("trace");
        QTest::newRow("resting the dwell time presses the key")
            << "m1@0:0,0 p@1199 p@1200 p@1300" << "1~ 1! -";
        QTest::newRow("locked on after 250 ms still") << "m1@0:0,0 p@249 p@250" << "- 1~";
        QTest::newRow("a tremor within 10 pixels keeps the count")
            << "m1@0:0,0 m1@500:6,8 m1@900:-6,-8 p@1200" << "1!";
        QTest::newRow("a move of more than 10 pixels starts again")
            << "m1@0:0,0 m1@500:11,0 p@1200 p@1700" << "1~ 1!";
        QTest::newRow("slipping off and back within 750 ms: the count waits meanwhile")
            << "m1@0:0,0 m2@600:30,0 p@900 m1@1000:2,0 p@1599 p@1600" << "1~ 1~ 1!";
        QTest::newRow("off for longer than 750 ms: the new key counts from its arrival")
            << "m1@0:0,0 m2@600:30,0 p@1351 p@1799 p@1800" << "2~ 2~ 2!";
        QTest::newRow("leaving before lock-on starts at once on the next key")
            << "m1@0:0,0 m2@200:30,0 p@1399 p@1400" << "2~ 2!";
        QTest::newRow("off the board and back within 750 ms keeps the count")
            << "m1@0:0,0 m-1@400:90,0 m1@700:0,0 p@1500" << "1!";
        QTest::newRow("after a press the pointer must leave the key first")
            << "m1@0:0,0 p@1200 m1@1300:40,0 p@3000 m-1@3100:90,0 m1@3200:0,0 p@4400" << "1! - 1!";
    }
    void dwell()
    {
        QFETCH(QString, script);
        QFETCH(QString, trace);
        Dwell d;
        d.setDwellTime(1200);
        QStringList out;
        for (const QString &e : script.split(u' ')) {
            const QString when = e.section(u'@', 1);
            const qint64 at = when.section(u':', 0, 0).toLongLong();
            if (e.startsWith(u'm')) {
                const QStringList xy = when.section(u':', 1).split(u',');
                d.moved(at, e.mid(1).section(u'@', 0, 0).toInt(), QPoint(xy[0].toInt(), xy[1].toInt()));
            } else {
                const Dwell::State s = d.poll(at);
                out << (s.press >= 0 ? QStringLiteral("%1!").arg(s.press)
                                     : s.key >= 0 ? QStringLiteral("%1~").arg(s.key) : QStringLiteral("-"));
            }
        }
        QCOMPARE(out.join(u' '), trace);
    }

    // Which key or button is which switch, and whether two switches clash.
    void roles_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("move");
        QTest::addColumn<int>("select");
        QTest::addColumn<int>("key"); // a key code, or a mouse button (negative)
        QTest::addColumn<bool>("keypad");
        QTest::addColumn<int>("role"); // 0 none, 1 move, 2 select
        QTest::addColumn<bool>("clash"); // the two switches cannot both work
        const int space = Qt::Key_Space, ret = Qt::Key_Return, enter = Qt::Key_Enter;
        QTest::newRow("one switch: Space selects") << 1 << 0 << 0 << space << false << 2 << false;
        QTest::newRow("one switch: keypad Enter selects") << 1 << 0 << 0 << enter << true << 2 << false;
        QTest::newRow("one switch: a letter is nothing") << 1 << 0 << 0 << int(Qt::Key_A) << false << 0 << false;
        QTest::newRow("one switch: the move key is not used")
            << 1 << int(Qt::Key_F5) << 0 << int(Qt::Key_F5) << false << 0 << false;
        QTest::newRow("one switch captured F6: Space is nothing") << 1 << 0 << int(Qt::Key_F6) << space << false << 0 << false;
        QTest::newRow("one switch: a move switch like the select one does not matter")
            << 1 << kMouseLeft << kMouseLeft << kMouseLeft << false << 2 << false;
        QTest::newRow("two switches: Space moves") << 2 << 0 << 0 << space << false << 1 << false;
        QTest::newRow("two switches: Return selects") << 2 << 0 << 0 << ret << false << 2 << false;
        QTest::newRow("captured keypad 1 is not the main 1")
            << 2 << (int(Qt::Key_1) | kKeypad) << int(Qt::Key_1) << int(Qt::Key_1) << false << 2 << false;
        QTest::newRow("captured keypad 1 moves")
            << 2 << (int(Qt::Key_1) | kKeypad) << 0 << int(Qt::Key_1) << true << 1 << false;
        QTest::newRow("captured right button selects") << 1 << 0 << kMouseRight << kMouseRight << false << 2 << false;
        QTest::newRow("left button not captured is nothing") << 2 << kMouseRight << 0 << kMouseLeft << false << 0 << false;
        QTest::newRow("two switches: captured middle button moves")
            << 2 << kMouseMiddle << 0 << kMouseMiddle << false << 1 << false;
        QTest::newRow("two switches, the same button: it selects, nothing moves")
            << 2 << kMouseLeft << kMouseLeft << kMouseLeft << false << 2 << true;
        QTest::newRow("select caught as Space: the standard move key is taken") << 2 << 0 << space << space << false << 2 << true;
        QTest::newRow("move caught as Return: the standard select key wins") << 2 << ret << 0 << ret << false << 2 << true;
    }
    void roles()
    {
        QFETCH(int, style);
        QFETCH(int, move);
        QFETCH(int, select);
        QFETCH(int, key);
        QFETCH(bool, keypad);
        QFETCH(int, role);
        QFETCH(bool, clash);
        SwitchSettings s;
        s.style = SwitchStyle(style);
        s.moveSwitch = move;
        s.selectSwitch = select;
        const SwitchRole got = key < 0 ? roleOfButton(s, key) : roleOfKey(s, key, keypad);
        QCOMPARE(int(got), role);
        QCOMPARE(switchesClash(s), clash);
    }

    // A hand-edited file: values brought into range; a write and a read
    // give back what was written.
    void settingsFile_data()
    {
        QTest::addColumn<QString>("file");
        // 方式 移動 決定 間隔 最初 回数 押す 受け付けない 選んだあと とどまる 時間 並び 短い名前 はやさ おそいおし, "clash" when put back
        QTest::addColumn<QString>("read");
        QTest::newRow("missing: the standard values, order 2 and the short names for a new user")
            << "" << "1 0 0 1000 500 3 0 250 1 0 1200 2 1 1 1";
        QTest::newRow("out of range: brought to the nearest end")
            << "[スイッチ]\r\n方式=7\r\n間隔=20\r\n最初の待ち=-5\r\n回数=0\r\n押す長さ=99999\r\n受け付けない時間=-1\r\n"
               "選んだあと=9\r\n移動キー=-9\r\n並び=9\r\n短い名前=-7\r\n[マウス]\r\nとどまる=3\r\nとどまる時間=100000\r\n"
            << "1 0 0 300 0 1 3000 0 1 1 5000 3 1 0 0";
        QTest::newRow("two switches, keypad 1 and the right button")
            << "[スイッチ]\r\n方式=2\r\n移動キー=536870961\r\n決定キー=-2\r\n選んだあと=2\r\n[マウス]\r\nとどまる=1\r\nとどまる時間=800\r\n"
            << "2 536870961 -2 1000 500 3 0 250 2 1 800 1 0 0 0";
        QTest::newRow("digits past 32 bits: the nearest end; no key of that code: the style's keys")
            << "[スイッチ]\r\n間隔=99999999999\r\n最初の待ち=-99999999999\r\n回数=00000000000000000000000009\r\n"
               "押す長さ=99999999999999999999\r\n受け付けない時間=-4294967296\r\n移動キー=99999999999\r\n"
               "決定キー=2147483647\r\n並び=-99999999999\r\n短い名前=99999999999\r\n[マウス]\r\nとどまる=99999999999\r\nとどまる時間=99999999999\r\n"
            << "1 0 0 5000 0 9 3000 0 1 1 5000 1 1 0 0";
        QTest::newRow("other text keeps the standard values")
            << "[スイッチ]\r\n間隔=１０００００\r\n最初の待ち=\r\n回数=abc\r\n押す長さ=+\r\n並び=２\r\n短い名前=はい\r\n[マウス]\r\nとどまる時間=9 9\r\n"
            << "1 0 0 1000 500 3 0 250 1 0 1200 1 0 0 0";
        QTest::newRow("two switches on one key: both put back to the style's keys")
            << "[スイッチ]\r\n方式=2\r\n移動キー=0\r\n決定キー=32\r\n" << "2 0 0 1000 500 3 0 250 1 0 1200 1 0 0 0 clash";
        QTest::newRow("switch input used without a [スイッチ] section: order 1, long names")
            << "[入力方法]\r\n番号=4\r\n" << "1 0 0 1000 500 3 0 250 1 0 1200 1 0 0 0";
        QTest::newRow("an empty [スイッチ] section: order 1, long names") << "[スイッチ]\r\n" << "1 0 0 1000 500 3 0 250 1 0 1200 1 0 0 0";
        QTest::newRow("another method and dwell only: a new switch user")
            << "[入力方法]\r\n番号=2\r\n[マウス]\r\nとどまる=1\r\n" << "1 0 0 1000 500 3 0 250 1 1 1200 2 1 1 1";
        QTest::newRow("order 3 and the long names chosen")
            << "[スイッチ]\r\n並び=3\r\n短い名前=0\r\n" << "1 0 0 1000 500 3 0 250 1 0 1200 3 0 0 0";
        QTest::newRow("on/off as every such key: zeros of any length off, hexadecimal other than 0 on")
            << "[スイッチ]\r\n短い名前=0000000000000000000000\r\n[マウス]\r\nとどまる=0x10\r\n"
            << "1 0 0 1000 500 3 0 250 1 1 1200 1 0 0 0";
        QTest::newRow("on/off in full-width digits: the key's default")
            << "[入力方法]\r\n番号=2\r\n[マウス]\r\nとどまる=１\r\n" << "1 0 0 1000 500 3 0 250 1 0 1200 2 1 1 1";
        QTest::newRow("a switch user's file: the learned pace and late presses chosen one by one")
            << "[スイッチ]\r\nはやさ=1\r\nおそいおし=0x0\r\n" << "1 0 0 1000 500 3 0 250 1 0 1200 1 0 1 0";
        QTest::newRow("the pace keys damaged: today's fixed timing")
            << "[スイッチ]\r\nはやさ=自動\r\nおそいおし=１\r\n間隔=700\r\n" << "1 0 0 700 500 3 0 250 1 0 1200 1 0 0 0";
        QTest::newRow("the pace keys past 32 bits: on unless zero")
            << "[スイッチ]\r\nはやさ=-99999999999\r\nおそいおし=-0\r\n" << "1 0 0 1000 500 3 0 250 1 0 1200 1 0 1 0";
    }
    void settingsFile()
    {
        QFETCH(QString, file);
        QFETCH(QString, read);
        QTemporaryDir dir;
        const ProfileFile ini = settingsWith(dir, file);
        const auto text = [](const SwitchSettings &s) {
            return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11 %12 %13 %14 %15")
                .arg(int(s.style)).arg(s.moveSwitch).arg(s.selectSwitch).arg(s.interval).arg(s.firstWait)
                .arg(s.loops).arg(s.hold).arg(s.ignore).arg(s.restartAtColumn ? 2 : 1).arg(int(s.dwell))
                .arg(s.dwellTime).arg(s.order).arg(int(s.shortNames)).arg(int(s.learnPace)).arg(int(s.latePress));
        };
        bool clashed = false;
        const SwitchSettings s = SwitchSettings::read(ini, &clashed);
        QCOMPARE(text(s) + (clashed ? QStringLiteral(" clash") : QString()), read);
        // Switch input started: the order and names given stay, section or not.
        s.recordOrder(ini);
        QCOMPARE(SwitchSettings::read(ini), s);
        s.write(ini);
        QCOMPARE(SwitchSettings::read(ini), s);
    }
};

QTEST_GUILESS_MAIN(TestSwitchScan)
#include "tst_switchscan.moc"
