// Which key events are a held key's repeats: the toolkit's own mark, and the
// window system's answer when the mark is missing.
#include "input/heldkeys.h"

#include <QTest>

namespace {

constexpr quint32 kLeft = 113;
constexpr quint32 kRight = 114;

// One event: "P" press, "R" release; then "m" when the toolkit marks it
// repeated, "d" when the window system still has the key down afterwards,
// "?" when it cannot tell; a key code follows after ":" (Left by default).
struct Step {
    bool press;
    bool marked;
    std::optional<bool> down;
    quint32 code;
};

Step parse(const QString &word)
{
    const QStringList parts = word.split(u':');
    const QString flags = parts.at(0);
    Step s{flags.startsWith(u'P'), flags.contains(u'm'), false, kLeft};
    if (flags.contains(u'd'))
        s.down = true;
    if (flags.contains(u'?'))
        s.down = std::nullopt;
    if (parts.size() > 1)
        s.code = parts.at(1).toUInt();
    return s;
}

} // namespace

class TestHeldKeys : public QObject
{
    Q_OBJECT

private slots:
    void repeatsAreTold_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("repeats"); // one letter per event: r repeat, . real

        QTest::newRow("a tap") << "P R" << "..";
        QTest::newRow("held, every pair marked") << "P Rmd Pm Rmd Pm R" << ".rrrr.";
        QTest::newRow("held, a pair not marked") << "P Rd P Rmd Pm R" << ".rrrr.";
        QTest::newRow("held, no pair marked") << "P Rd P Rd P R" << ".rrrr.";
        QTest::newRow("detectable repeat: presses only") << "P P P R" << ".rr.";
        QTest::newRow("two taps") << "P R P R" << "....";
        QTest::newRow("release cannot be checked") << "P R? P R" << "....";
        QTest::newRow("held from before the program had the keyboard") << "Rd P Rd P R" << "rrrr.";
        QTest::newRow("another key pressed while one is held")
            << QStringLiteral("P Rd P P:%1 R:%1 Rd P R").arg(kRight) << ".rr..rr.";
        QTest::newRow("a made event (code 0) trusts the mark")
            << "P:0 R:0 Pm:0 Rm:0 P:0" << "..rr.";
    }

    void repeatsAreTold()
    {
        QFETCH(QString, events);
        QFETCH(QString, repeats);
        input::HeldKeys held;
        QString got;
        for (const QString &word : events.split(u' ')) {
            const Step s = parse(word);
            const bool repeat = s.press ? held.pressIsRepeat(s.code, s.marked)
                                        : held.releaseIsRepeat(s.code, s.marked, s.down);
            got += repeat ? u'r' : u'.';
        }
        QCOMPARE(got, repeats);
    }

    void shortcutCheckMarksNothing()
    {
        input::HeldKeys held;
        QVERIFY(!held.wouldBeRepeat(kLeft, false));
        QVERIFY(!held.wouldBeRepeat(kLeft, false));
        QVERIFY(!held.pressIsRepeat(kLeft, false));
        QVERIFY(held.wouldBeRepeat(kLeft, false));
        QVERIFY(held.wouldBeRepeat(0, true));
    }

    void forgottenKeysPressAgain()
    {
        // The release happened while another program had the keyboard.
        input::HeldKeys held;
        QVERIFY(!held.pressIsRepeat(kLeft, false));
        held.forget();
        QVERIFY(!held.pressIsRepeat(kLeft, false));
    }
};

QTEST_APPLESS_MAIN(TestHeldKeys)
#include "tst_heldkeys.moc"
