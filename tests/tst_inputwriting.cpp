// Writing "ありがとう。" with each input method alone, hearing every step:
// the arrow keys and Enter, the keypad alone, the mouse alone.
#include "base/textdisplay.h"
#include "diary/diarystorage.h"
#include "tests/inputwindow.h"

using inputtest::Window;

namespace {

// One step of a user: keys typed ("Left", "kp8", "kpEnter"), or "point N" /
// "click N" on the key with Tag N; and what is heard after it, the decision
// voice's texts marked with "=".
struct Step
{
    QString action;
    QStringList heard;
};

void perform(Window &w, const Step &step)
{
    if (step.action.startsWith(u"point ") || step.action.startsWith(u"click ")) {
        const QPoint p = w.middleOf(w.key(step.action.mid(6).toInt()));
        if (step.action.startsWith(u"point "))
            w.pointAt(p);
        else
            QTest::mouseClick(w.window(), Qt::LeftButton, {}, p);
    } else {
        w.type(step.action);
    }
}

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class TestInputWriting : public QObject
{
    Q_OBJECT

private slots:
    void init() { inputtest::removeSettings(); }
    void cleanupTestCase() { inputtest::removeSettings(); }

    void arigatou_data()
    {
        QTest::addColumn<int>("method");
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<int>("scan");

        QTest::newRow("arrow keys and Enter") << 0 << QList<Step>{
            {"Left", {"あ"}}, {"Return", {"=あ"}},
            {"Down Left Left Left Left Left Left Left Left",
             {"い", "き", "し", "ち", "に", "ひ", "み", "ゆ", "り"}},
            {"Return", {"=り"}},
            {"Up Right Right Right Right Right Right Right", {"ら", "や", "ま", "ハ", "な", "た", "さ", "か"}},
            {"Return", {"=か"}},
            {"Down Down Down Left Left Left Left Left Left Left Left",
             {"き", "く", "け", "せ", "て", "ね", "へ", "め", "てん", "れ", "てんてん"}},
            {"Return", {"=が"}},
            {"Right Right Right Right Right Right Down", {"れ", "てん", "め", "へ", "ね", "て", "と"}},
            {"Return", {"=と"}},
            {"Up Up Right Right Right", {"て", "つ", "す", "く", "う"}},
            {"Return", {"=う"}},
            {"Down Down Left Left Left Left Left Left Left", {"え", "お", "こ", "そ", "と", "の", "ほ", "も", "まる"}},
            {"Return", {"=まる"}},
        } << 40;

        QTest::newRow("keypad alone") << 2 << QList<Step>{
            {"kp7", {"あ"}}, {"kpEnter", {"=あ"}},
            {"kp3 kp3", {"ら", "り"}}, {"kpEnter", {"=り"}},
            {"kp8", {"か"}}, {"kpEnter", {"=か"}},
            {"kp0 kp0 kp0 kp0", {"わ", "おわりのを", "ん", "てんてん"}}, {"kpEnter", {"=が"}},
            {"kp4 kp4 kp4 kp4 kp4", {"た", "ち", "つ", "て", "と"}}, {"kpEnter", {"=と"}},
            {"kp7 kp7 kp7", {"あ", "い", "う"}}, {"kpEnter", {"=う"}},
            {"kp2 kp2 kp2 kp2 kp2", {"や", "ゆ", "よ", "てん", "まる"}}, {"kpEnter", {"=まる"}},
        } << 0;

        QTest::newRow("mouse alone") << 1 << QList<Step>{
            {"point 1", {"あ"}}, {"click 1", {"=あ"}},
            {"point 6", {"か"}}, {"point 42", {"り"}}, {"click 42", {"=り"}},
            {"point 6", {"か"}}, {"click 6", {"=か"}},
            {"point 49", {"てんてん"}}, {"click 49", {"=が"}},
            {"point 20", {"と"}}, {"click 20", {"=と"}},
            {"point 3", {"う"}}, {"click 3", {"=う"}},
            {"point 40", {"まる"}}, {"click 40", {"=まる"}},
        } << 0;
    }
    void arigatou()
    {
        QFETCH(int, method);
        QFETCH(QList<Step>, steps);
        QFETCH(int, scan);
        Window w;
        w.choose(method);
        for (const Step &step : steps) {
            perform(w, step);
            QCOMPARE(w.heard(), step.heard);
        }
        QCOMPARE(w.form->display().toPlainText(), QStringLiteral("ありがとう。"));
        QCOMPARE(w.form->methods().scanPos(), scan);
    }

    // The keypad's commands of the arrow-key method, after "あい" was written.
    void keypadCommands_data()
    {
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("heard");
        QTest::addColumn<bool>("ended");
        const QString farewell = QStringLiteral("=じゃーまたね えんたーキーをおしたらおわるよ");
        QTest::newRow("arrow keys: keypad - deletes one character")
            << 0 << "kp-" << "あ" << QStringList{"=い"} << false;
        QTest::newRow("arrow keys: keypad / ends the program") << 0 << "kp/" << "あい" << QStringList{farewell} << true;
        QTest::newRow("arrow keys: main - and / do nothing") << 0 << "- /" << "あい" << QStringList{} << false;
        QTest::newRow("keypad method: - and / choose keys")
            << 2 << "kp- kp/" << "あい" << QStringList{"くうはく", "けす"} << false;
        QTest::newRow("mouse method: nothing") << 1 << "kp- kp/" << "あい" << QStringList{} << false;
    }
    void keypadCommands()
    {
        QFETCH(int, method);
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(QStringList, heard);
        QFETCH(bool, ended);
        int ends = 0;
        diary::setProgramEnd([&ends] { ++ends; });
        Window w;
        w.type("Left Return Down Return");
        w.choose(method);
        w.heard();
        w.type(keys);
        diary::setProgramEnd({});
        QCOMPARE(w.form->display().toPlainText(), text);
        QCOMPARE(w.heard(), heard);
        QCOMPARE(ends, ended ? 1 : 0);
        QCOMPARE(w.notices, ended ? QStringList{"じゃまたね"} : QStringList{});
        if (method == 0)
            QCOMPARE(w.focused(), 2); // the commands leave the focus and the walk
        QCOMPARE(w.form->methods().scanPos(), 2);
    }

    // Enter does not restart the count of multi-tap.
    void countGoesOnAfterEnter()
    {
        Window w;
        w.form->menus().keypad->trigger();
        w.type("kp8 kpEnter kp8 kp7 kp7 Return kp7");
        QCOMPARE(w.heard(), (QStringList{"か", "=か", "き", "あ", "い", "=い", "う"}));
        QCOMPARE(w.form->display().toPlainText(), QStringLiteral("かい"));
    }
};

QTEST_MAIN(TestInputWriting)
#include "tst_inputwriting.moc"
