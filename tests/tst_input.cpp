// The three input methods on the real window: the menu that selects them, the
// keys of the keyboard and keypad, and the pointer, with what the user hears.
#include "app/board.h"
#include "base/sjis.h"
#include "base/textdisplay.h"
#include "tests/inputwindow.h"

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QSignalSpy>
#include <QVBoxLayout>

using inputtest::Window;

namespace {

QString settingsText()
{
    QFile f(inputtest::settingsPath());
    return f.open(QIODevice::ReadOnly) ? sjis::decode(f.readAll()) : QStringLiteral("<missing>");
}

// An autorepeated key event as the keyboard sends them while a key is held.
void sendRepeat(QEvent::Type type, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QKeyEvent e(type, key, modifiers, QString(), true);
    QApplication::sendEvent(QApplication::focusWidget(), &e);
}

} // namespace

class TestInput : public QObject
{
    Q_OBJECT

private slots:
    void init() { inputtest::removeSettings(); }
    void cleanupTestCase() { inputtest::removeSettings(); }

    // ---- choosing the method ----

    void choosingAMethod_data()
    {
        QTest::addColumn<int>("method");
        QTest::addColumn<bool>("practiceMenu");
        QTest::addColumn<QString>("stored");
        QTest::newRow("矢印キー入力") << 0 << true << "番号=1";
        QTest::newRow("マウス入力") << 1 << true << "番号=2";
        QTest::newRow("携帯入力 greys out practice mode") << 2 << false << "番号=3";
        QTest::newRow("スイッチ入力, for the first time: its order, names and learned pace kept")
            << 3 << true << "番号=4\r\n[スイッチ]\r\n並び=2\r\n短い名前=1\r\nはやさ=1\r\nおそいおし=1";
    }
    void choosingAMethod()
    {
        QFETCH(int, method);
        QFETCH(bool, practiceMenu);
        QFETCH(QString, stored);
        Window w;
        TMain_form &f = *w.form;
        // From every other method, and the same one again: all steps run.
        for (int from : {0, 1, 2, 3, method}) {
            w.choose(from);
            QFile::remove(inputtest::settingsPath());
            w.choose(method);
            QCOMPARE(int(f.methods().active()), method);
            for (int m = 0; m < 4; ++m)
                QCOMPARE(w.methodItem(m)->isChecked(), m == method);
            QCOMPARE(f.menus().practice->menuAction()->isEnabled(), practiceMenu);
            QCOMPARE(settingsText(), QStringLiteral("[入力方法]\r\n") + stored + QStringLiteral("\r\n"));
        }
        QVERIFY(w.errors.isEmpty());
    }

    void refusedWriteAfterTheSwitch()
    {
        Window w;
        TMain_form &f = *w.form;
        QFile::setPermissions(inputtest::settingsPath(), QFile::ReadOwner);
        f.menus().keypad->trigger();
        QCOMPARE(w.errors, QStringList{QDir::toNativeSeparators(inputtest::settingsPath())
                                       + QStringLiteral(" に書き込めません.")});
        QVERIFY(f.menus().keypad->isChecked());
        QVERIFY(!f.menus().arrowKeys->isChecked());
        QCOMPARE(int(f.methods().active()), 2);
        QVERIFY(!f.menus().practice->menuAction()->isEnabled());
        QVERIFY(settingsText().contains(QStringLiteral("番号=1")));
        // The keypad works at once.
        w.type("kp7");
        QCOMPARE(w.focused(), 1);
    }

    void choosingAMethodMovesNothing()
    {
        Window w;
        TMain_form &f = *w.form;
        w.showKanaUpTo(5);
        w.type("Left Down kp7"); // walk to い; 7 does nothing with the arrow keys
        f.menus().keypad->trigger();
        w.type("kp7 kp7");       // う is the scan's neighbour; the keypad reached い
        const int scan = f.methods().scanPos();
        const input::MultiTap tap = f.methods().multiTap();
        const int focus = w.focused();
        w.heard();
        for (QAction *item : {f.menus().arrowKeys, f.menus().mouse, f.menus().keypad, f.menus().mouse, f.menus().arrowKeys}) {
            item->trigger();
            QCOMPARE(f.methods().scanPos(), scan);
            QCOMPARE(f.methods().multiTap().Tap_index, tap.Tap_index);
            QCOMPARE(f.methods().multiTap().Tapped_key, tap.Tapped_key);
            QCOMPARE(w.focused(), focus);
            QVERIFY(w.key(6)->isHidden() && w.key(55)->isHidden() && !w.key(5)->isHidden());
        }
        QCOMPARE(w.heard(), QStringList());
    }

    // ---- keys of the keyboard and keypad ----

    void keys_data()
    {
        QTest::addColumn<int>("method");
        QTest::addColumn<int>("lastKana"); // practice mode: kana keys shown
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("focus");
        QTest::addColumn<int>("scan");
        QTest::addColumn<QStringList>("heard");
        const QStringList none;

        QTest::newRow("Left reaches あ") << 0 << 55 << "Left" << 1 << 1 << QStringList{"あ"};
        QTest::newRow("Shift+Left moves as Left") << 0 << 55 << "S-Left" << 1 << 1 << QStringList{"あ"};
        QTest::newRow("Ctrl+Right reaches けす") << 0 << 55 << "C-Right" << 61 << 61 << QStringList{"けす"};
        QTest::newRow("Alt+Up reaches おわり") << 0 << 55 << "A-Up" << 65 << 65 << QStringList{"おわり"};
        QTest::newRow("Shift+Ctrl+Down twice") << 0 << 55 << "S-C-Down S-C-Down" << 2 << 2 << QStringList{"あ", "い"};
        QTest::newRow("round the top row through よむ")
            << 0 << 55 << "Left Right Right" << 61 << 61 << QStringList{"あ", "よむ", "けす"};
        QTest::newRow("mouse method: arrows walk") << 1 << 55 << "Left Left" << 6 << 6 << QStringList{"あ", "か"};
        QTest::newRow("keypad method: arrows walk") << 2 << 55 << "Right Up" << 65 << 65 << QStringList{"けす", "おわり"};
        QTest::newRow("keypad 4 2 6 on release") << 0 << 55 << "kp4 kp2 kp6" << 62 << 62
                                                 << QStringList{"あ", "い", "ぜんぶ\nけす"};
        QTest::newRow("keypad 8 reaches おわり") << 0 << 55 << "kp8" << 65 << 65 << QStringList{"おわり"};
        QTest::newRow("main keyboard 4 2 6 8 act alike") << 0 << 55 << "4 2 6 8" << 61 << 61
                                                         << QStringList{"あ", "い", "ぜんぶ\nけす", "けす"};
        QTest::newRow("keypad 5 0 . + do nothing with the arrow keys")
            << 0 << 55 << "kp5 kp0 kp. kp+ 5 0" << 0 << 0 << none;
        QTest::newRow("mouse method: digits do nothing") << 1 << 55 << "kp4 4 kp8 kp7 kp+" << 0 << 0 << none;
        QTest::newRow("keypad method: digits choose, the walk stays")
            << 2 << 55 << "kp4 4 kp8" << 6 << 0 << QStringList{"た", "ち", "か"};
        QTest::newRow("number lock off: keypad 4 and 8 walk on press")
            << 2 << 55 << "kpLeft kpUp" << 5 << 5 << QStringList{"あ", "お"};
        QTest::newRow("number lock off: keypad 7 9 5 1 3 0 choose nothing")
            << 2 << 55 << "kpHome kpPgUp kpClear kpEnd kpPgDown kpIns" << 0 << 0 << none;
        QTest::newRow("あ行: Left skips the hidden columns")
            << 0 << 5 << "Left Left Right" << 1 << 1 << QStringList{"あ", "くうはく", "あ"};
        QTest::newRow("あ行: え Left reaches a blank key")
            << 0 << 5 << "Left Down Down Down Left" << 59 << 59 << QStringList{"あ", "い", "う", "え", "なし"};
        QTest::newRow("switch input: arrows walk, the keypad's keys do nothing")
            << 3 << 55 << "Left kp4 kp7 kp+ Down" << 2 << 2 << QStringList{"あ", "い"};
        QTest::newRow("あ・か行: keypad method reaches き, then the walk from よむ")
            << 2 << 10 << "kp8 kp8 Down" << 1 << 1 << QStringList{"か", "き", "あ"};
    }
    void keys()
    {
        QFETCH(int, method);
        QFETCH(int, lastKana);
        QFETCH(QString, keys);
        QFETCH(int, focus);
        QFETCH(int, scan);
        QFETCH(QStringList, heard);
        Window w;
        w.choose(method);
        w.showKanaUpTo(lastKana);
        w.type(keys);
        QCOMPARE(w.focused(), focus);
        QCOMPARE(w.form->methods().scanPos(), scan);
        QCOMPARE(w.heard(), heard);
    }

    void digitsMoveOnReleaseOnly()
    {
        Window w;
        QTest::keyPress(w.window(), Qt::Key_4, Qt::KeypadModifier);
        QCOMPARE(w.focused(), 0);
        QTest::keyRelease(w.window(), Qt::Key_4, Qt::KeypadModifier);
        QCOMPARE(w.focused(), 1);
        QTest::keyPress(w.window(), Qt::Key_Left);
        QCOMPARE(w.focused(), 6); // arrows on press
        QTest::keyRelease(w.window(), Qt::Key_Left);
        QCOMPARE(w.focused(), 6);
    }

    void heldKeysActOnce_data()
    {
        QTest::addColumn<int>("method");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("focus");
        QTest::addColumn<QStringList>("heard");
        QTest::newRow("held Left moves one step") << 0 << int(Qt::Key_Left) << 0 << 1 << QStringList{"あ"};
        QTest::newRow("held keypad 4 moves one step") << 0 << int(Qt::Key_4) << int(Qt::KeypadModifier) << 1
                                                      << QStringList{"あ"};
        QTest::newRow("held keypad 7 taps once") << 2 << int(Qt::Key_7) << int(Qt::KeypadModifier) << 1
                                                 << QStringList{"あ"};
        QTest::newRow("held Ctrl+R reads once") << 0 << int(Qt::Key_R) << int(Qt::ControlModifier) << 0
                                                << QStringList{"=なにもかかれていません"};
    }
    void heldKeysActOnce()
    {
        QFETCH(int, method);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, focus);
        QFETCH(QStringList, heard);
        Window w;
        w.choose(method);
        const auto k = Qt::Key(key);
        const auto m = Qt::KeyboardModifiers(modifiers);
        QTest::keyPress(w.window(), k, m);
        for (int i = 0; i < 5; ++i) { // the keyboard's repeats: release and press pairs
            sendRepeat(QEvent::KeyRelease, k, m);
            sendRepeat(QEvent::KeyPress, k, m);
        }
        QTest::keyRelease(w.window(), k, m);
        QCOMPARE(w.focused(), focus);
        QCOMPARE(w.heard(), heard);
        QCOMPARE(w.form->methods().multiTap().Tapped_key, method == 2 ? 1 : 0);
    }

    void arrowsInTheDisplayWalkTheBoard()
    {
        Window w;
        TextDisplay *display = &w.form->display();
        display->setPlainText(QStringLiteral("あいう"));
        QTextCursor c = display->textCursor();
        c.setPosition(2);
        display->setTextCursor(c);
        display->setFocus(Qt::MouseFocusReason);
        w.type("Left Right");
        QCOMPARE(display->textCursor().position(), 2);
        QCOMPARE(w.focused(), 0);
        QCOMPARE(w.heard(), (QStringList{"あ", "よむ"}));
    }

    void keypadReadsAloud_data()
    {
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QStringList>("heard");
        QTest::newRow("arrow keys: keypad * reads") << 0 << "kp*" << QStringList{"=あいう\n"};
        QTest::newRow("arrow keys: main * does not") << 0 << "*" << QStringList{};
        QTest::newRow("keypad: + reads") << 2 << "kp+" << QStringList{"=あいう\n"};
        QTest::newRow("keypad: * does nothing") << 2 << "kp*" << QStringList{};
        QTest::newRow("mouse: neither") << 1 << "kp* kp+" << QStringList{};
        QTest::newRow("switch: neither") << 3 << "kp* kp+" << QStringList{};
    }
    void keypadReadsAloud()
    {
        QFETCH(int, method);
        QFETCH(QString, keys);
        QFETCH(QStringList, heard);
        Window w;
        w.choose(method);
        w.form->display().setPlainText(QStringLiteral("あいう"));
        w.type("Left");
        w.heard();
        w.type(keys);
        QCOMPARE(w.heard(), heard);
        QCOMPARE(w.focused(), 1);
        QCOMPARE(w.form->methods().scanPos(), 1);
    }

    // ---- multi-tap ----

    void reachingTheFocusedKeyIsSilent()
    {
        Window w;
        w.form->menus().keypad->trigger();
        w.type("Left Left");
        QCOMPARE(w.heard(), (QStringList{"あ", "か"}));
        w.type("kp8");
        QCOMPARE(w.focused(), 6);
        QCOMPARE(w.heard(), QStringList());
        w.type("kp8");
        QCOMPARE(w.heard(), QStringList{"き"});
    }

    void hiddenTargetBeeps()
    {
        Window w;
        QSignalSpy beeps(w.form.get(), &TMain_form::beeped);
        w.showKanaUpTo(5);
        w.form->menus().keypad->trigger();
        w.type("kp7 kp7");
        QCOMPARE(w.heard(), (QStringList{"あ", "い"}));
        w.type("kp8");
        QCOMPARE(beeps.count(), 1);
        QCOMPARE(w.focused(), 2);
        QCOMPARE(w.form->methods().multiTap().Tapped_key, 2);
        QCOMPARE(w.heard(), QStringList());
        w.type("8 kp9 kp5 kp0 kp.");
        QCOMPARE(beeps.count(), 6);
        w.type("kp- kp/");
        QCOMPARE(w.heard(), (QStringList{"くうはく", "けす"}));
    }

    void countGoesOnAcrossOtherMoves()
    {
        Window w;
        w.form->menus().keypad->trigger();
        w.type("kp7 kp7 Left Down");    // い, then the walk from よむ: あ, い
        QCOMPARE(w.focused(), 2);
        w.type("kp7");                   // the count of 7 goes on: う
        QCOMPARE(w.focused(), 3);
        w.form->menus().arrowKeys->trigger();
        w.form->menus().keypad->trigger();
        w.key(40)->setFocus(Qt::MouseFocusReason);
        w.type("kp7");                   // neither a method nor another focus change resets it
        QCOMPARE(w.focused(), 4);
        QCOMPARE(w.form->methods().scanPos(), 2);
    }

    // ---- the pointer ----

    void pointerGivesTheFocusInMouseMethod()
    {
        Window w;
        TMain_form &f = *w.form;
        f.menus().mouse->trigger();
        QSignalSpy clicked(w.key(7), &QPushButton::clicked);
        for (int t : {7, 8, 13, 12, 0})
            w.pointAt(w.middleOf(w.key(t)));
        QCOMPARE(w.heard(), (QStringList{"き", "く", "す", "し", "よむ"}));
        QCOMPARE(w.focused(), 0);
        // Moving within the key that has the focus announces nothing more.
        const QPoint middle = w.middleOf(w.key(0));
        w.pointAt(middle + QPoint(3, 2));
        w.pointAt(middle - QPoint(4, 1));
        QCOMPARE(w.heard(), QStringList());
        QCOMPARE(clicked.count(), 0);     // pointing never presses
        QCOMPARE(f.methods().scanPos(), 0);    // nor moves the walk
        QCOMPARE(f.methods().multiTap().Tapped_key, 0);
    }

    void pointerOverOtherThingsDoesNothing()
    {
        Window w;
        TMain_form &f = *w.form;
        f.menus().mouse->trigger();
        w.showKanaUpTo(10);
        w.pointAt(w.middleOf(w.key(1)));
        QCOMPARE(w.heard(), QStringList{"あ"});
        const QWidget *picture = f.findChild<QLabel *>(QStringLiteral("Image1"));
        QVERIFY(picture);
        const QPoint gapBetweenKeys = w.middleOf(w.key(1)) + QPoint(0, 28);
        // The display, the picture, the background and a hidden key.
        for (QPoint p : {w.middleOf(&f.display()), w.middleOf(picture), gapBetweenKeys,
                         w.middleOf(w.key(30))})
            w.pointAt(p);
        QCOMPARE(w.heard(), QStringList());
        QCOMPARE(w.focused(), 1);
    }

    void pointerIgnoredInOtherMethods_data()
    {
        QTest::addColumn<int>("method");
        QTest::newRow("arrow keys") << 0;
        QTest::newRow("keypad") << 2;
    }
    void pointerIgnoredInOtherMethods()
    {
        QFETCH(int, method);
        Window w;
        w.choose(method);
        for (int t : {7, 8, 13})
            w.pointAt(w.middleOf(w.key(t)));
        QCOMPARE(w.focused(), 0);
        QCOMPARE(w.heard(), QStringList());
        // A click still presses a key.
        QTest::mouseClick(w.window(), Qt::LeftButton, {}, w.middleOf(w.key(0)));
        QCOMPARE(w.heard(), QStringList{"=なにもかかれていません"});
    }

    void arrowsAfterPointingStartFromTheWalk()
    {
        Window w;
        w.form->menus().mouse->trigger();
        w.type("Left");
        w.pointAt(w.middleOf(w.key(6)));
        w.type("Down");
        QCOMPARE(w.heard(), (QStringList{"あ", "か", "い"}));
        QCOMPARE(w.focused(), 2);
    }

    void mouseMethodTakesTheFrameUntilTheNextKey()
    {
        Window w;
        TMain_form &f = *w.form;
        w.type("Left");
        f.menus().mouse->trigger();
        QCOMPARE(f.board()->framedKey(), nullptr);
        w.pointAt(w.middleOf(w.key(1)));  // the key that has the focus: no change
        QCOMPARE(f.board()->framedKey(), nullptr);
        w.pointAt(w.middleOf(w.key(2)));
        QCOMPARE(f.board()->framedKey(), w.key(2));
        QCOMPARE(f.board()->lastFramed(), 2);
    }

    // ---- dialogs keep their keys ----

    void dialogKeepsItsArrowKeys()
    {
        Window w;
        TMain_form &f = *w.form;
        f.menus().keypad->trigger();
        QDialog dialog(&f);
        auto *list = new QListWidget(&dialog);
        list->addItems({"1", "2", "3"});
        (new QVBoxLayout(&dialog))->addWidget(list);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        list->setFocus();
        list->setCurrentRow(0);
        QTest::keyClick(dialog.windowHandle(), Qt::Key_Down);
        QTest::keyClick(dialog.windowHandle(), Qt::Key_Down);
        QTest::keyClick(dialog.windowHandle(), Qt::Key_7, Qt::KeypadModifier);
        QCOMPARE(list->currentRow(), 2);
        QCOMPARE(f.methods().scanPos(), 0);
        QCOMPARE(f.methods().multiTap().Tapped_key, 0);
        QCOMPARE(w.heard(), QStringList());
        dialog.close();
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        w.heard();
        w.type("Left kp7");
        QCOMPARE(w.heard(), QStringList{"あ"}); // 7 re-reaches the focused あ
    }
};

QTEST_MAIN(TestInput)
#include "tst_input.moc"
