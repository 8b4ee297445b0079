// The call for help on the real window: a switch held through the window
// system starts it whatever is open, with each input method; it chimes
// again and again, flashes, keeps the scan and speech waiting, and stops on
// another key, a click or the switch pressed again after 2 s.
#include "base/textdisplay.h"
#include "input/call.h"
#include "mail/callform.h"
#include "input/methods.h"
#include "input/switchinput.h"
#include "tests/inputwindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTimer>

using inputtest::Window;

namespace {

// Holds a key (a name as Window::type takes it) or, as "L@t", the left
// button on the key with Tag t, through the window system for `ms`.
void hold(Window &w, QWindow *target, const QString &what, int ms)
{
    if (what.startsWith(u"L@")) {
        const QPoint at = w.middleOf(w.key(what.mid(2).toInt()));
        QTest::mousePress(target, Qt::LeftButton, {}, at);
        QTest::qWait(ms);
        QTest::mouseRelease(target, Qt::LeftButton, {}, at);
        return;
    }
    const inputtest::KeyStroke s = inputtest::stroke(what);
    QTest::keyPress(target, s.key, s.modifiers);
    QTest::qWait(ms);
    QTest::keyRelease(target, s.key, s.modifiers);
}

const QWidget *callFrame(const Window &w)
{
    return w.form->findChild<QWidget *>(QStringLiteral("callFrame"));
}

} // namespace

class TestCallWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { inputtest::removeSettings(); }
    void cleanupTestCase() { inputtest::removeSettings(); }

    void holdAndStop_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("held");     // what is held 1.3 s
        QTest::addColumn<bool>("calls");
        QTest::addColumn<QString>("stopWith"); // then, 2.1 s after the start: what stops it ("" none)
        QTest::addColumn<bool>("stops");

        const QString call = QStringLiteral("[よびだし]\r\n長さ=1000\r\n");
        QTest::newRow("arrow keys: Enter held, Del stops")
            << "[入力方法]\r\n番号=1\r\n" + call << "Return" << true << "Del" << true;
        QTest::newRow("keypad: the keypad's Enter held, a digit stops")
            << "[入力方法]\r\n番号=3\r\n" + call << "kpEnter" << true << "kp5" << true;
        QTest::newRow("one switch: Space held; Space again after 2 s stops")
            << "[入力方法]\r\n番号=4\r\n" + call << "Space" << true << "Space" << true;
        QTest::newRow("two switches: the move switch held calls too; a click stops")
            << "[入力方法]\r\n番号=4\r\n[スイッチ]\r\n方式=2\r\n" + call << "Space" << true << "L@33" << true;
        QTest::newRow("a switch caught as F5: F5 held; another key stops")
            << "[入力方法]\r\n番号=4\r\n[スイッチ]\r\n決定キー=16777268\r\n" + call << "F5" << true << "A" << true;
        QTest::newRow("pointer: the left button held on a key; a click stops")
            << "[入力方法]\r\n番号=2\r\n" + call << "L@33" << true << "L@1" << true;
        QTest::newRow("arrow keys: another key held is no call")
            << "[入力方法]\r\n番号=1\r\n" + call << "A" << false << "" << false;
        QTest::newRow("a file from before the call: no call however long")
            << "[入力方法]\r\n番号=1\r\n" << "Return" << false << "" << false;
        QTest::newRow("hold 0 is off")
            << "[入力方法]\r\n番号=1\r\n[よびだし]\r\n長さ=0\r\n" << "Return" << false << "" << false;
        QTest::newRow("held 1.3 s against a 2 s hold: no call")
            << "[入力方法]\r\n番号=1\r\n[よびだし]\r\n長さ=2000\r\n" << "Return" << false << "" << false;
    }
    void holdAndStop()
    {
        QFETCH(QString, settings);
        QFETCH(QString, held);
        QFETCH(bool, calls);
        QFETCH(QString, stopWith);
        QFETCH(bool, stops);
        inputtest::writeSettings(settings);
        Window w;
        w.speech->setEndsAtOnce(true);
        w.speech->finishSpeaking();
        input::Call &call = w.form->methods().call();
        QSignalSpy chimes(&call, &input::Call::chimed);
        const QString before = w.form->display().toPlainText();
        hold(w, w.window(), held, 1300);
        QCOMPARE(call.calling(), calls);
        QCOMPARE(callFrame(w)->isVisible(), calls);
        if (!calls) {
            QCOMPARE(chimes.size(), 0);
            return;
        }
        QCOMPARE(chimes.size(), 1);
        w.heard();
        // Within 2 s of the start the switch is the same person still pressing.
        if (stopWith == held) {
            w.type(held);
            QVERIFY(call.calling());
        }
        QTest::qWait(1800);
        QVERIFY(chimes.size() >= 2); // chimes again with short gaps
        QVERIFY(w.heard().isEmpty()); // speech waits: the scan says nothing meanwhile
        const QString text = w.form->display().toPlainText();
        if (stopWith.startsWith(u"L@"))
            QTest::mouseClick(w.window(), Qt::LeftButton, {}, w.middleOf(w.key(stopWith.mid(2).toInt())));
        else
            w.type(stopWith);
        QCOMPARE(call.calling(), !stops);
        QVERIFY(!callFrame(w)->isVisible());
        QCOMPARE(w.heard().value(0), QStringLiteral("=よびだしを　とめました"));
        // What stopped the call did nothing else: no key was written; nor
        // did a click held to start it.
        QCOMPARE(w.form->display().toPlainText(), text);
        QCOMPARE(text, before);
        const qsizetype chimed = chimes.size();
        QTest::qWait(input::Call::kChimeEveryMs + 200);
        QCOMPARE(chimes.size(), chimed);
    }

    // A box, a dialog or a menu open over the board: holding still calls.
    void overWhateverIsOpen_data()
    {
        QTest::addColumn<QString>("open");
        QTest::newRow("a menu") << "menu";
        QTest::newRow("the switch settings dialog") << "dialog";
    }
    void overWhateverIsOpen()
    {
        QFETCH(QString, open);
        inputtest::writeSettings(QStringLiteral("[入力方法]\r\n番号=4\r\n[スイッチ]\r\n決定キー=16777268\r\n[よびだし]\r\n長さ=1000\r\n"));
        Window w;
        input::Call &call = w.form->methods().call();
        bool called = false, stopped = false;
        QTimer::singleShot(100, [&] {
            QWidget *top = open == u"menu" ? QApplication::activePopupWidget() : QApplication::activeModalWidget();
            QVERIFY(top);
            hold(w, top->windowHandle(), QStringLiteral("F5"), 1300);
            called = call.calling();
            QTest::keyClick(top->windowHandle(), Qt::Key_A);
            stopped = !call.calling();
            // What stopped the call went nowhere else: the menu or dialog is still open.
            QVERIFY(open == u"menu" ? QApplication::activePopupWidget() == top : QApplication::activeModalWidget() == top);
            top->close();
        });
        if (open == u"menu")
            w.form->menuBar()->actions().first()->menu()->exec(w.form->mapToGlobal(QPoint(10, 10)));
        else
            w.form->menus().switchSettings->trigger();
        QVERIFY(called);
        QVERIFY(stopped);
    }

    // "やすむ" and "よぶ" at the end of the scan (two switches: Space moves,
    // Enter selects; the board's order, よむ first).
    void scanPlaces_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("heard");
        QTest::addColumn<bool>("calling");

        const QString moves = QStringList(14, QStringLiteral("Space")).join(u' ');
        QTest::newRow("やすむ after the columns: said, then silence until a press starts at よむ")
            << "[よびだし]\r\n長さ=0\r\n" << moves + " Return wait Return"
            << QStringList{"やすむ", "=やすみます", "|", "=はじめます", "よむ"} << false;
        QTest::newRow("a move while resting starts the scan again too")
            << "[よびだし]\r\n" << moves + " Return wait Space"
            << QStringList{"やすむ", "=やすみます", "|", "=はじめます", "よむ"} << false;
        QTest::newRow("よぶ last: the call starts; the scan waits")
            << "[よびだし]\r\n長さ=0\r\n" << moves + " Space Return wait"
            << QStringList{"やすむ", "よぶ", "|"} << true;
        QTest::newRow("after the call the scan starts again at its first group")
            << "[よびだし]\r\n長さ=0\r\n" << moves + " Space Return wait wait Del"
            << QStringList{"やすむ", "よぶ", "|", "|", "=よびだしを　とめました", "よむ"} << false;
        QTest::newRow("a file from before the call: neither place, the scan wraps to よむ")
            << "" << moves
            << QStringList{"よむ"} << false;
    }
    void scanPlaces()
    {
        QFETCH(QString, call);
        QFETCH(QString, script);
        QFETCH(QStringList, heard);
        QFETCH(bool, calling);
        inputtest::writeSettings("[入力方法]\r\n番号=4\r\n[スイッチ]\r\n方式=2\r\n受け付けない時間=0\r\n" + call);
        Window w;
        w.speech->setEndsAtOnce(true);
        w.speech->finishSpeaking();
        QTest::qWait(30);
        w.heard();
        QStringList got;
        const QStringList steps = script.split(u' ');
        for (int i = 0; i < steps.size(); ++i) {
            if (steps[i] == u"wait") {
                QTest::qWait(1200);
                got << w.heard() << QStringLiteral("|");
                continue;
            }
            w.type(steps[i]);
            QTest::qWait(30);
            if (i == 13) // "やすむ" highlighted: its name shown across the window's top
                QCOMPARE(callFrame(w)->isVisible(), !call.isEmpty());
            if (i == 14 && steps[i] == u"Return") // resting: nothing highlighted
                QVERIFY(!callFrame(w)->isVisible());
            if (i >= 13) // the last steps are what the row is about
                got << w.heard();
            else
                w.heard();
        }
        QTest::qWait(100);
        got << w.heard();
        QCOMPARE(got, heard);
        QCOMPARE(w.form->methods().call().calling(), calling);
    }

    // "よびだしの設定...": every box takes the keyboard; OK writes and puts
    // into effect what it shows, refusing a command that cannot run; ESC
    // changes nothing.
    void settingsDialog_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("stored");

        QTest::newRow("OK: every value written and in effect")
            << "/bin/true" << true << "長さ=4500\r\nメール=1\r\n本文=きてください\r\nコマンド=/bin/true\r\n";
        QTest::newRow("a command that cannot run is refused; the file keeps its values")
            << "/nonexistent/relay" << true << "長さ=3000\r\n";
        QTest::newRow("ESC changes nothing") << "/bin/true" << false << "長さ=3000\r\n";
    }
    void settingsDialog()
    {
        QFETCH(QString, command);
        QFETCH(bool, ok);
        QFETCH(QString, stored);
        inputtest::writeSettings(QStringLiteral("[入力方法]\r\n番号=1\r\n[よびだし]\r\n長さ=3000\r\n"));
        Window w;
        CallForm *form = w.form->findChild<CallForm *>();
        QVERIFY(form);
        bool ran = false;
        QTimer::singleShot(0, [&] {
            ran = true;
            const auto closed = qScopeGuard([form] { form->reject(); }); // also when a check fails
            QTRY_COMPARE(QApplication::focusWidget(), form->Hold_check);
            QTest::keyClick(form->windowHandle(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), form->Hold_spin);
            form->Hold_spin->setValue(4500);
            form->Mail_check->setChecked(true);
            form->Text_edit->setText(QStringLiteral("きてください"));
            form->Command_edit->setText(command);
            if (!ok) {
                QTest::keyClick(form->windowHandle(), Qt::Key_Escape);
                return;
            }
            form->Ok_btn->click();
            if (form->isVisible()) { // refused: said and shown, the dialog stays
                QCOMPARE(form->Result_lbl->text(), QStringLiteral("コマンドが　みつかりません"));
                QCOMPARE(QApplication::focusWidget(), form->Command_edit);
            }
        });
        w.form->menus().callSettings->trigger();
        QVERIFY(ran);
        QVERIFY(inputtest::settingsText().contains(QStringLiteral("[よびだし]\r\n") + stored));
        QCOMPARE(w.form->methods().call().settings().hold, stored.contains(u"4500") ? 4500 : 3000);
    }

    // ためす runs the command once and tells how it went.
    void tryTheCommand_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("result");
        QTest::newRow("a command that works") << "/bin/true" << "コマンドが　うごきました";
        QTest::newRow("a command that fails") << "/bin/false" << "コマンドが　うまく　いきませんでした";
        QTest::newRow("no such command") << "/nonexistent" << "コマンドが　みつかりません";
    }
    void tryTheCommand()
    {
        QFETCH(QString, command);
        QFETCH(QString, result);
        Window w;
        CallForm *form = w.form->findChild<CallForm *>();
        QTimer::singleShot(0, [&] {
            const auto closed = qScopeGuard([form] { form->reject(); });
            form->Command_edit->setText(command);
            form->Try_btn->click();
            QTRY_COMPARE(form->Result_lbl->text(), result);
        });
        w.form->menus().callSettings->trigger();
        QCOMPARE(w.heard().last(), "=" + result);
    }

    // What the call's mail and command report while it sounds is said after
    // the stop message; a failure is also shown then.
    void toldAfterTheStop()
    {
        inputtest::writeSettings(QStringLiteral("[入力方法]\r\n番号=1\r\n[よびだし]\r\n長さ=1000\r\n"));
        Window w;
        input::Call &call = w.form->methods().call();
        call.start();
        w.heard();
        call.tell(QStringLiteral("だめでした"), QStringLiteral("だめでした。"), true);
        call.tell(QStringLiteral("とどきました"), QStringLiteral("とどきました。"), false);
        QVERIFY(w.heard().isEmpty());
        QVERIFY(w.notices.isEmpty());
        QTest::qWait(2100);
        w.type(QStringLiteral("Del"));
        QStringList heard;
        QTRY_COMPARE((heard += w.heard()), (QStringList{"=よびだしを　とめました", "=だめでした", "=とどきました"}));
        QCOMPARE(w.notices, QStringList{QStringLiteral("だめでした。")});
    }

    // A bad value in the file is said once; the call keeps its chime.
    void badValuesSaidOnce()
    {
        inputtest::writeSettings(QStringLiteral("[入力方法]\r\n番号=1\r\n[よびだし]\r\n長さ=abc\r\nメール=はい\r\n"));
        {
            Window w;
            QCoreApplication::processEvents();
            QCOMPARE(w.notices.size(), 1);
            QVERIFY(w.notices.first().contains(QStringLiteral("「長さ」「メール」")));
            QCOMPARE(w.form->methods().call().settings().hold, 3000);
        }
        QVERIFY(inputtest::settingsText().contains(QStringLiteral("長さ=3000")));
        Window again;
        QCoreApplication::processEvents();
        QVERIFY(again.notices.isEmpty());
    }

    // A new user's file is given the call; an old file is left as it was.
    void newAndOldFiles()
    {
        {
            Window w;
            QCOMPARE(w.form->methods().call().settings().hold, 3000);
        }
        QVERIFY(inputtest::settingsText().contains(QStringLiteral("[よびだし]")));
        inputtest::writeSettings(QStringLiteral("[入力方法]\r\n番号=1\r\n"));
        {
            Window w;
            QCOMPARE(w.form->methods().call().settings().hold, 0);
        }
        QVERIFY(!inputtest::settingsText().contains(QStringLiteral("よびだし")));
    }
};

QTEST_MAIN(TestCallWindow)
#include "tst_callwindow.moc"
