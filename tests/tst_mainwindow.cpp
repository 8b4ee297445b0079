// The main window as the user first meets it: start-up from the settings
// file, the board, Tab order, the resize rule and the one focus frame.
#include "app/board.h"
#include "base/fonts.h"
#include "base/keybutton.h"
#include "app/mainform.h"
#include "input/methods.h"
#include "base/messageboxes.h"
#include "base/qtjapanese.h"
#include "base/sjis.h"
#include "base/textdisplay.h"
#include "diary/filedialogs.h"
#include "speech/recordingspeech.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QRegularExpression>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

namespace {

QString settingsPath()
{
    return ProfileFile::pathForProgram(QCoreApplication::applicationFilePath());
}

void writeSettings(const QString &utf8)
{
    QFile::setPermissions(settingsPath(), QFile::ReadOwner | QFile::WriteOwner);
    QFile f(settingsPath());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write settings");
    f.write(sjis::encode(utf8));
}

QString settingsText()
{
    QFile f(settingsPath());
    return f.open(QIODevice::ReadOnly) ? sjis::decode(f.readAll()) : QStringLiteral("<missing>");
}

struct Window
{
    RecordingSpeech *speech = new RecordingSpeech();
    QStringList errors;
    std::unique_ptr<TMain_form> form;

    explicit Window(bool show = true)
    {
        boxes::setHandler([this](boxes::Kind kind, const QString &text) {
            if (kind == boxes::Kind::Error)
                errors << text;
        });
        form = std::make_unique<TMain_form>(speech);
        if (show) {
            form->showCentred();
            if (!QTest::qWaitForWindowExposed(form.get()))
                qFatal("window not exposed");
        }
    }
    ~Window() { boxes::setHandler({}); }
    KeyButton *key(int tag) const { return form->key(tag); }
};

bool blueAt(const QImage &image, QPoint p)
{
    return image.pixelColor(p) == QColor(0, 0, 255);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { fonts::installSubstitutions(); }
    void init() { QFile::setPermissions(settingsPath(), QFile::ReadOwner | QFile::WriteOwner); QFile::remove(settingsPath()); }
    void cleanupTestCase() { init(); }

    void startWithoutSettingsFile()
    {
        Window w;
        TMain_form &f = *w.form;
        QCOMPARE(f.size(), QSize(878, 641));
        QCOMPARE(f.windowTitle(), QStringLiteral("もじぽっと帳sapi4"));
        QVERIFY(f.menus().arrowKeys->isChecked());
        QVERIFY(!f.menus().mouse->isChecked() && !f.menus().keypad->isChecked());
        QVERIFY(f.menus().practiceAll->isChecked());
        QVERIFY(f.menus().standardSize->isChecked());
        QVERIFY(!f.menus().inverted->isChecked());
        QVERIFY(!f.menus().hovering->isVisible());
        QCOMPARE(int(f.methods().active()), 0);
        QCOMPARE(f.voices().voice(speech::Role::Selection), 1);
        QCOMPARE(f.voices().voice(speech::Role::Decision), 2);
        QCOMPARE(f.board()->charsPerLine(), 17);
        QCOMPARE(f.startFolder(), QDir::currentPath());
        QCOMPARE(f.display().font().pointSize(), 32);
        QVERIFY(f.display().font().bold());
        QCOMPARE(f.display().palette().color(QPalette::Text), QColor(0, 0, 255));
        QCOMPARE(f.display().palette().color(QPalette::Base), QColor(Qt::white));
        // The file is created with the input method written back, and a new
        // user's call for help (a 3 s hold), so that it stays.
        QCOMPARE(settingsText(), QStringLiteral("[入力方法]\r\n番号=1\r\n[よびだし]\r\n長さ=3000\r\n"));
        // "よむ" is reached, greets once in the selection voice, and is framed.
        QCOMPARE(QApplication::focusWidget(), w.key(0));
        QCOMPARE(w.speech->spokenTexts(), QStringList{QStringLiteral("もじぽっと帳にようこそ")});
        QCOMPARE(w.speech->events().last().mode, 1);
        QCOMPARE(w.speech->events().last().speed, 100);
        QCOMPARE(f.board()->lastFramed(), 0);
        QVERIFY(!f.voices().greetingPending());
        QVERIFY(w.errors.isEmpty());
    }

    void settingsAppliedAtStart_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("inputMode");
        QTest::addColumn<QString>("checkedSize");
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("inverted");
        QTest::addColumn<int>("selection");
        QTest::addColumn<int>("decision");
        QTest::addColumn<QString>("inputAfter");
        QTest::newRow("hexadecimal 0x2 selects the mouse")
            << "[入力方法]\r\n番号=0x2\r\n" << 1 << "standardSize" << 32 << false << 1 << 2 << "番号=2";
        QTest::newRow("keypad, large, inverted by 2")
            << "[入力方法]\r\n番号=3\r\n[文字]\r\n反転=2\r\nサイズ=48\r\n文字数=11\r\n" << 2 << "largeSize" << 48 << true << 1
            << 2 << "番号=3";
        QTest::newRow("unknown method left as it is")
            << "[入力方法]\r\n番号=5\r\n[文字]\r\nサイズ=26\r\n" << 0 << "smallSize" << 26 << false << 1 << 2 << "番号=5";
        QTest::newRow("4 selects switch input")
            << "[入力方法]\r\n番号=4\r\n[文字]\r\nサイズ=26\r\n" << 3 << "smallSize" << 26 << false << 1 << 2 << "番号=4";
        QTest::newRow("size 40 shown, standard stays checked")
            << "[文字]\r\nサイズ=40\r\n[音声]\r\n男性=2\r\n女性=1\r\n" << 0 << "standardSize" << 40 << false << 2 << 1 << "番号=1";
        QTest::newRow("size 0 read as standard") << "[文字]\r\nサイズ=0\r\n" << 0 << "standardSize" << 32 << false << 1 << 2 << "番号=1";
        QTest::newRow("negative size read as standard")
            << "[文字]\r\nサイズ=-5\r\n" << 0 << "standardSize" << 32 << false << 1 << 2 << "番号=1";
    }
    void settingsAppliedAtStart()
    {
        QFETCH(QString, file);
        QFETCH(int, inputMode);
        QFETCH(QString, checkedSize);
        QFETCH(int, points);
        QFETCH(bool, inverted);
        QFETCH(int, selection);
        QFETCH(int, decision);
        QFETCH(QString, inputAfter);
        writeSettings(file);
        Window w(false);
        TMain_form &f = *w.form;
        QCOMPARE(int(f.methods().active()), inputMode);
        QCOMPARE(f.menus().arrowKeys->isChecked(), inputMode == 0);
        QCOMPARE(f.menus().mouse->isChecked(), inputMode == 1);
        QCOMPARE(f.menus().keypad->isChecked(), inputMode == 2);
        QCOMPARE(f.menus().switchInput->isChecked(), inputMode == 3);
        QCOMPARE(f.menus().practice->isEnabled(), inputMode != 2);
        for (QAction *size : {f.menus().largeSize, f.menus().standardSize, f.menus().smallSize})
            QCOMPARE(size->isChecked(), size->objectName() == checkedSize);
        QCOMPARE(f.display().font().pointSize(), points);
        QCOMPARE(f.menus().inverted->isChecked(), inverted);
        QCOMPARE(f.display().palette().color(QPalette::Base), inverted ? QColor(Qt::black) : QColor(Qt::white));
        QCOMPARE(f.voices().voice(speech::Role::Selection), selection);
        QCOMPARE(f.voices().voice(speech::Role::Decision), decision);
        QCOMPARE(w.speech->currentMode(), selection);
        QVERIFY2(settingsText().contains(inputAfter), qPrintable(settingsText()));
    }

    void readOnlySettingsFileStillOpensWindow()
    {
        writeSettings(QStringLiteral("[入力方法]\r\n番号=2\r\n[音声]\r\n男性=3\r\n[文字]\r\nサイズ=48\r\n"));
        QFile::setPermissions(settingsPath(), QFile::ReadOwner);
        Window w;
        TMain_form &f = *w.form;
        QCOMPARE(w.errors, QStringList{QDir::toNativeSeparators(settingsPath()) + QStringLiteral(" に書き込めません.")});
        // The method took effect; everything read after it kept its initial state.
        QVERIFY(f.menus().mouse->isChecked());
        QCOMPARE(int(f.methods().active()), 1);
        QCOMPARE(f.voices().voice(speech::Role::Selection), 0);
        QCOMPARE(f.voices().voice(speech::Role::Decision), 0);
        QCOMPARE(f.display().font().pointSize(), 32);
        QVERIFY(f.isVisible());
    }

    void unreadableSettingsGiveDefaults_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray noise(4096, 0);
        QRandomGenerator rng(641);
        for (char &c : noise)
            c = char(rng.bounded(256));
        noise.replace("\r", "").replace("\n", "");
        QTest::newRow("random bytes") << noise;
        QTest::newRow("invalid Shift-JIS section") << QByteArray("[\x81\xff\xfe]\r\n\x82=\x83");
        QTest::newRow("missing bracket, CR only") << sjis::encode(QStringLiteral("[文字\rサイズ=abc\r[音声\r男性=zz"));
    }
    void unreadableSettingsGiveDefaults()
    {
        QFETCH(QByteArray, bytes);
        {
            QFile f(settingsPath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        Window w(false);
        QCOMPARE(w.form->voices().voice(speech::Role::Selection), 1);
        QCOMPARE(w.form->voices().voice(speech::Role::Decision), 2);
        QCOMPARE(w.form->display().font().pointSize(), 32);
        QVERIFY(w.errors.isEmpty());
        // Nothing but the written key changed: the old bytes stay in front.
        QFile f(settingsPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray after = f.readAll();
        QVERIFY(after.startsWith(bytes));
        QVERIFY(after.endsWith(sjis::encode(QStringLiteral("[入力方法]\r\n番号=1\r\n"))));
        QVERIFY(after.size() <= bytes.size() + 2 + sjis::encode(QStringLiteral("[入力方法]\r\n番号=1\r\n")).size());
    }

    void keysAsDesigned()
    {
        Window w(false);
        for (const KeySpec &designed : keys::table()) {
            KeyButton *k = w.key(designed.tag);
            QCOMPARE(k->Tag(), designed.tag);
            QCOMPARE(k->objectName(), QString::fromLatin1(designed.controlName));
            QCOMPARE(k->text(), designed.caption);
            QCOMPARE(k->geometry(), designed.geometry);
            QCOMPARE(k->font().pixelSize(), designed.charHeight);
            QVERIFY(k->font().bold());
            QCOMPARE(k->cursor().shape(), designed.tag == 62 ? Qt::ArrowCursor : Qt::PointingHandCursor);
        }
        // A few designed places, as a second reading of the table.
        QCOMPARE(w.key(1)->geometry(), QRect(719, 311, 50, 50));
        QCOMPARE(w.key(50)->geometry(), QRect(224, 535, 50, 50));
        QCOMPARE(w.key(60)->geometry(), QRect(95, 538, 67, 48));
        QCOMPARE(w.key(62)->text(), QStringLiteral("ぜんぶ\nけす"));
        QCOMPARE(w.key(58)->text(), QString());
    }

    // What assistive tools see: a key's caption as its name, what it says
    // as its description, a Press action; blank keys are not there for them.
    void keysAsAssistiveToolsSeeThem_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::addColumn<bool>("there");
        QTest::newRow("は is named は, said ハ") << 26 << "は" << "ハ" << true;
        QTest::newRow("を") << 47 << "を" << "おわりのを" << true;
        QTest::newRow("゛") << 49 << "゛" << "てんてん" << true;
        QTest::newRow("ぜんぶけす on one line") << 62 << "ぜんぶけす" << "ぜんぶけす" << true;
        QTest::newRow("a blank key is not there") << 58 << "" << "" << false;
    }
    void keysAsAssistiveToolsSeeThem()
    {
        QFETCH(int, tag);
        QFETCH(QString, name);
        QFETCH(QString, description);
        QFETCH(bool, there);
        Window w;
        QAccessibleInterface *key = QAccessible::queryAccessibleInterface(w.key(tag));
        QCOMPARE(key->text(QAccessible::Name), name);
        QCOMPARE(key->text(QAccessible::Description), description);
        QCOMPARE(key->state().invisible, !there);
        QCOMPARE(key->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()), there);
        QCOMPARE(QAccessible::queryAccessibleInterface(&w.form->display())->text(QAccessible::Name),
                 QStringLiteral("ぶんしょう"));
    }

    void tabVisitsKeysInTagOrder()
    {
        Window w;
        QCOMPARE(QApplication::focusWidget(), w.key(0));
        for (int step = 1; step <= 66; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), w.key(step % 66));
        }
    }

    void widerWindowScalesEverything()
    {
        Window w;
        TMain_form &f = *w.form;
        f.resize(1317, 641);
        QTRY_COMPARE(f.size(), QSize(1317, 962));
        for (const KeySpec &designed : keys::table()) {
            const QRect g = w.key(designed.tag)->geometry();
            QVERIFY2(std::abs(g.x() - designed.geometry.x() * 1.5) <= 0.5 && std::abs(g.width() - designed.geometry.width() * 1.5) <= 0.5,
                     qPrintable(w.key(designed.tag)->objectName()));
            QVERIFY(std::abs(w.key(designed.tag)->font().pixelSize() - designed.charHeight * 1.5) <= 0.5);
        }
        QCOMPARE(f.display().font().pointSize(), 48);
    }

    void heightOnlyChangeIsUndone()
    {
        Window w;
        TMain_form &f = *w.form;
        f.resize(878, 800);
        QTest::qWait(50);
        QTRY_COMPARE(f.size(), QSize(878, 641));
        QCOMPARE(w.key(1)->geometry(), QRect(719, 311, 50, 50));
    }

    void manyResizesDoNotDrift()
    {
        Window w;
        TMain_form &f = *w.form;
        QRandomGenerator rng(20261207);
        for (int i = 0; i < 50; ++i) {
            f.resize(500 + rng.bounded(900), 300 + rng.bounded(700));
            QTest::qWait(1);
        }
        f.resize(1000, 641);
        QTRY_COMPARE(f.width(), 1000);
        QTRY_COMPARE(f.height(), 730); // 1000 × 641 / 878 = 730.07
        QList<QRect> afterMany;
        for (KeyButton *k : f.board()->keys())
            afterMany << k->geometry();
        const int displayPoints = f.display().font().pointSize();

        Window once;
        once.form->resize(1000, 641);
        QTRY_COMPARE(once.form->size(), QSize(1000, 730));
        for (int t = 0; t < keys::kCount; ++t)
            QCOMPARE(once.form->key(t)->geometry(), afterMany[t]);
        QCOMPARE(once.form->display().font().pointSize(), displayPoints);
    }

    void exactlyOneFrameAfterRepaint()
    {
        Window w;
        TMain_form &f = *w.form;
        w.key(7)->setFocus(Qt::TabFocusReason);
        QCOMPARE(f.board()->lastFramed(), 7);
        f.repaint();
        const QImage surface = f.board()->grab().toImage();
        const QRect reached = Board::frameRect(w.key(7)->geometry());
        const QRect read = Board::frameRect(w.key(0)->geometry());
        QVERIFY(blueAt(surface, QPoint(reached.center().x(), reached.top())));
        QVERIFY(blueAt(surface, QPoint(reached.left(), reached.center().y())));
        QVERIFY(!blueAt(surface, QPoint(read.center().x(), read.top())));
        QVERIFY(!blueAt(surface, QPoint(read.left(), read.center().y())));
        // 4 pixels wide, as far outside the key on every side.
        const QRect key = w.key(7)->geometry();
        const int midX = key.center().x(), midY = key.center().y();
        for (const auto &[inside, outside] : {std::pair{QPoint(key.left() - 4, midY), QPoint(key.left() - 5, midY)},
                                               {QPoint(key.x() + key.width() + 3, midY), QPoint(key.x() + key.width() + 4, midY)},
                                               {QPoint(midX, key.top() - 4), QPoint(midX, key.top() - 5)},
                                               {QPoint(midX, key.y() + key.height() + 3), QPoint(midX, key.y() + key.height() + 4)}}) {
            QVERIFY2(blueAt(surface, inside), qPrintable(QStringLiteral("%1,%2").arg(inside.x()).arg(inside.y())));
            QVERIFY2(!blueAt(surface, outside), qPrintable(QStringLiteral("%1,%2").arg(outside.x()).arg(outside.y())));
        }
    }

    void mouseMethodRemovesFrameUntilNextFocus()
    {
        Window w;
        TMain_form &f = *w.form;
        w.key(3)->setFocus(Qt::TabFocusReason);
        f.menus().mouse->trigger();
        QCOMPARE(f.board()->lastFramed(), 3); // still names the key
        QCOMPARE(QApplication::focusWidget(), w.key(3));
        const QRect frame = Board::frameRect(w.key(3)->geometry());
        QVERIFY(!blueAt(f.board()->grab().toImage(), QPoint(frame.center().x(), frame.top())));
        w.key(4)->setFocus(Qt::TabFocusReason);
        const QRect next = Board::frameRect(w.key(4)->geometry());
        QVERIFY(blueAt(f.board()->grab().toImage(), QPoint(next.center().x(), next.top())));
        QVERIFY(settingsText().contains(QStringLiteral("番号=2")));
    }

    void returningToTheWindowIsNotAMove()
    {
        Window w;
        w.key(9)->setFocus(Qt::TabFocusReason);
        const qsizetype heard = w.speech->spokenTexts().size();
        QWidget other;
        other.resize(200, 100);
        other.show();
        QApplication::setActiveWindow(&other);
        QTRY_VERIFY(other.isActiveWindow());
        QApplication::setActiveWindow(w.form.get());
        QTRY_VERIFY(w.form->isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), w.key(9));
        QCOMPARE(w.speech->spokenTexts().size(), heard);
        // A real move after coming back is announced as ever.
        w.key(10)->setFocus(Qt::TabFocusReason);
        QCOMPARE(w.speech->spokenTexts().last(), QStringLiteral("こ"));
    }

    void blankKeysCanBeReachedAndPressed()
    {
        Window w;
        const QString before = w.form->display().toPlainText();
        w.key(58)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(w.key(58), Qt::Key_Return);
        QTest::keyClick(w.key(59), Qt::Key_Space);
        QCOMPARE(w.form->display().toPlainText(), before);
        QCOMPARE(w.speech->spokenTexts().last(), QStringLiteral("なし"));
    }

    void toolkitTextsAreJapanese_data()
    {
        QTest::addColumn<bool>("forSaving");
        QTest::newRow("save dialog") << true;
        QTest::newRow("open dialog") << false;
    }
    void toolkitTextsAreJapanese()
    {
        QFETCH(bool, forSaving);
        static const bool installed = qtjapanese::install(*qApp);
        QVERIFY2(installed, "Qt's Japanese translations are missing");
        const auto dialog = diary::createFileDialog(nullptr, QDir::tempPath(), forSaving);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        // An English word is three Latin letters in a row ("Look in:", "Save").
        const QRegularExpression english(QStringLiteral("[A-Za-z]{3,}"));
        QStringList shown{dialog->windowTitle()};
        for (const QLabel *label : dialog->findChildren<QLabel *>())
            if (label->isVisible())
                shown << label->text();
        for (const QAbstractButton *button : dialog->findChildren<QAbstractButton *>())
            if (button->isVisible())
                shown << button->text() << button->toolTip();
        for (const QString &text : shown)
            QVERIFY2(!english.match(text).hasMatch(), qPrintable(text));
    }

};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
