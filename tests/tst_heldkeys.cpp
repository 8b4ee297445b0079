// Which key events are a held key's repeats: the toolkit's own mark, the
// keys already down, and the window system's times of the events.
#include "input/heldkeys.h"

#include <QTest>

namespace {

constexpr quint32 kLeft = 113;
constexpr quint32 kRight = 114;

// One event: "P" press, "R" release; "m" when the toolkit marks it
// repeated; then "@" and the window system's time of the event; a key code
// may follow after ":" (Left by default).
struct Step {
    bool press;
    bool marked;
    quint64 time;
    quint32 code;
};

Step parse(const QString &word)
{
    const QStringList codeParts = word.split(u':');
    const QStringList parts = codeParts.at(0).split(u'@');
    const QString flags = parts.at(0);
    return {flags.startsWith(u'P'), flags.contains(u'm'), parts.value(1).toULongLong(),
            codeParts.size() > 1 ? codeParts.at(1).toUInt() : kLeft};
}

} // namespace

class TestHeldKeys : public QObject
{
    Q_OBJECT

private slots:
    void repeatsAreTold_data()
    {
        QTest::addColumn<QString>("heldBefore"); // key codes down when the program got the keyboard
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("repeats"); // one letter per event: r repeat, . real

        QTest::newRow("a tap") << "" << "P@1 R@90" << "..";
        QTest::newRow("two quick taps") << "" << "P@1 R@20 P@60 R@80" << "....";
        QTest::newRow("held, detectable repeat: presses only") << "" << "P@1 P@500 P@530 R@540" << ".rr.";
        QTest::newRow("held, every pair marked") << "" << "P@1 Rm@500 Pm@500 Rm@530 Pm@530 R@540" << ".rrrr.";
        QTest::newRow("held, a pair's press came late: same time as the release")
            << "" << "P@1 R@500 P@500 Rm@530 Pm@530 R@540" << "..rrr.";
        QTest::newRow("held from before the program had the keyboard")
            << QString::number(kLeft) << "P@500 P@530 R@540 P@600" << "rr..";
        QTest::newRow("another key pressed while one is held")
            << "" << QStringLiteral("P@1 P@500 P@510:%1 R@520:%1 P@530 R@540").arg(kRight) << ".r..r.";
        QTest::newRow("no times (accessibility bridge): two quick taps") << "" << "P@0 R@0 P@0 R@0" << "....";
        QTest::newRow("no times: held, detectable repeat") << "" << "P@0 P@0 P@0 R@0 P@0" << ".rr..";
        QTest::newRow("no times: held, every pair marked") << "" << "P@0 Rm@0 Pm@0 R@0" << ".rr.";
        QTest::newRow("no times: held from before the program had the keyboard")
            << QString::number(kLeft) << "P@0 R@0 P@0" << "r..";
        QTest::newRow("a made event (code 0) trusts the mark")
            << "" << "P@1:0 R@2:0 Pm@3:0 Rm@3:0 P@4:0" << "..rr.";
    }

    void repeatsAreTold()
    {
        QFETCH(QString, heldBefore);
        QFETCH(QString, events);
        QFETCH(QString, repeats);
        input::HeldKeys held;
        QSet<quint32> before;
        for (const QString &code : heldBefore.split(u' ', Qt::SkipEmptyParts))
            before.insert(code.toUInt());
        held.resetDown(before);
        QString got;
        for (const QString &word : events.split(u' ')) {
            const Step s = parse(word);
            const bool repeat = s.press ? held.pressIsRepeat(s.code, s.marked, s.time)
                                        : held.releaseIsRepeat(s.code, s.marked, s.time);
            got += repeat ? u'r' : u'.';
        }
        QCOMPARE(got, repeats);
    }

    void shortcutCheckMarksNothing()
    {
        input::HeldKeys held;
        QVERIFY(!held.wouldBeRepeat(kLeft, false, 1));
        QVERIFY(!held.wouldBeRepeat(kLeft, false, 1));
        QVERIFY(!held.pressIsRepeat(kLeft, false, 1));
        QVERIFY(held.wouldBeRepeat(kLeft, false, 2));
        QVERIFY(held.wouldBeRepeat(0, true, 3));
    }
};

QTEST_APPLESS_MAIN(TestHeldKeys)
#include "tst_heldkeys.moc"
