// Switch input and dwell on the real window: the switches from the keyboard
// and the mouse, what is heard and written, the column frame as drawn, the
// settings dialog and the settings file.
#include "base/apperror.h"
#include "app/board.h"
#include "base/sjis.h"
#include "base/textdisplay.h"
#include "input/dwellinput.h"
#include "input/pacechart.h"
#include "input/switchform.h"
#include "input/switchinput.h"
#include "tests/inputwindow.h"

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

using inputtest::Window;

namespace {

void writeSettings(const QString &text)
{
    QFile f(inputtest::settingsPath());
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write the settings file");
    f.write(sjis::encode(text));
}

QString settingsText()
{
    QFile f(inputtest::settingsPath());
    return f.open(QIODevice::ReadOnly) ? sjis::decode(f.readAll()) : QStringLiteral("<missing>");
}

// A script: key names as Window::type takes them, "R@t" / "L@t" a right or
// left click in the middle of the key with Tag t ("R@-1" on the board's
// background), "あ行" the practice-mode item of that name, "Box:k" an error box
// answered with key k through the window system. Each step is given time
// for what it starts (the speech's end is reported at once).
void play(Window &w, const QString &script)
{
    for (const QString &step : script.split(u' ', Qt::SkipEmptyParts)) {
        if (step.size() > 2 && step.at(1) == u'@') {
            const int tag = step.mid(2).toInt();
            const QPoint at = tag < 0 ? w.form->board()->mapTo(w.form.get(), QPoint(5, 400)) : w.middleOf(w.key(tag));
            QTest::mouseClick(w.window(), step.at(0) == u'R' ? Qt::RightButton : Qt::LeftButton, {}, at);
        } else if (step == u"あ行") {
            w.form->menus().practiceA->trigger();
        } else if (step.startsWith(u"Box:")) {
            w.realBoxes(true);
            QTimer::singleShot(100, [key = inputtest::stroke(step.mid(4))] {
                if (QWidget *box = QApplication::activeModalWidget())
                    QTest::keyClick(box->windowHandle(), key.key, key.modifiers);
            });
            w.form->guarded([] { throw AppError(QStringLiteral("日記を　しまえません")); });
            w.realBoxes(false);
            w.form->activateWindow(); // no window manager gives the keyboard back here
            QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
        } else {
            w.type(step);
        }
        QTest::qWait(30);
    }
}

// Pixels of a colour within a rectangle of the board as drawn now.
int pixelsOf(const QImage &image, QRect r, QRgb colour)
{
    int n = 0;
    r &= image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += (image.pixel(x, y) & 0xffffff) == (colour & 0xffffff);
    return n;
}

// Presses the switch `delay` ms after the `nth` place from now has been
// shown (the recording speech ends each name at once).
bool pressAfterShown(Window &w, int nth, int delay)
{
    const input::SwitchInput &s = w.form->methods().switches();
    int seen = 0;
    auto pressed = std::make_shared<bool>(false);
    const QMetaObject::Connection c =
        QObject::connect(&s, &input::SwitchInput::placeShown, w.form.get(), [&, pressed](const input::ScanPlace &p, qint64) {
            if (p.level == input::ScanPlace::None || ++seen != nth)
                return;
            QTimer::singleShot(delay, w.form.get(), [&w, pressed] {
                w.type(QStringLiteral("Space"));
                *pressed = true;
            });
        });
    const bool done = QTest::qWaitFor([&] { return *pressed; }, 15000);
    QObject::disconnect(c);
    return done;
}

} // namespace

class TestSwitchInput : public QObject
{
    Q_OBJECT

    QTemporaryDir m_data; // the user's data folder: the learned pace is kept there

private slots:
    void initTestCase() { qputenv("XDG_DATA_HOME", m_data.path().toUtf8()); }
    void init()
    {
        inputtest::removeSettings();
        QFile::remove(input::SwitchPace::defaultPath());
    }

    // The pace on the window, from presses at chosen moments: "q" 300 ms
    // after the next place appears, "j" the moment the highlight has moved
    // on from the place after the next (a late press).
    void learnedPace_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("low"); // 間隔 in effect and in the file afterwards
        QTest::addColumn<int>("high");
        QTest::addColumn<bool>("noted"); // the presses kept in the user's data folder
        const QString fixed = QStringLiteral("[スイッチ]\r\n最初の待ち=0\r\n受け付けない時間=0\r\n");
        QTest::newRow("40 presses 0.3 s after each place: 間隔 falls")
            << fixed + "はやさ=1\r\n間隔=1000\r\n" << QStringList(40, QStringLiteral("q")).join(u' ') << 300 << 900
            << true;
        QTest::newRow("手動 with late presses: the same presses leave 間隔 as set")
            << fixed + "はやさ=0\r\nおそいおし=1\r\n間隔=1000\r\n" << QStringList(40, QStringLiteral("q")).join(u' ')
            << 1000 << 1000 << true;
        QTest::newRow("both off, a switch user's file as before: nothing noted")
            << fixed + "間隔=1000\r\n" << QStringList(25, QStringLiteral("q")).join(u' ') << 1000 << 1000 << false;
        QTest::newRow("three late presses close together: 間隔 rises at once")
            << fixed + "はやさ=1\r\nおそいおし=1\r\n間隔=400\r\n" << "j j j" << 450 << 5000 << true;
    }
    void learnedPace()
    {
        QFETCH(QString, settings);
        QFETCH(QString, script);
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(bool, noted);
        writeSettings(QStringLiteral("[入力方法]\r\n番号=4\r\n") + settings);
        Window w;
        w.speech->setEndsAtOnce(true);
        w.speech->finishSpeaking(); // the greeting
        for (const QString &e : script.split(u' '))
            QVERIFY(e == u"q" ? pressAfterShown(w, 1, 300) : pressAfterShown(w, 2, 0));
        w.form->methods().select(input::MethodId::ArrowKeys); // leaving switch input keeps the pace
        const int interval = w.form->methods().switchSettings().interval;
        QVERIFY2(interval >= low && interval <= high, qPrintable(QString::number(interval)));
        const int kept = input::SwitchSettings::read(ProfileFile(inputtest::settingsPath())).interval;
        QVERIFY2(std::abs(kept - interval) < 50, qPrintable(QStringLiteral("%1 %2").arg(kept).arg(interval)));
        QCOMPARE(QFile::exists(input::SwitchPace::defaultPath()), noted);
        QVERIFY(w.errors.isEmpty());
    }

    // Only the switch user's presses teach the pace: the arrow keys, a key
    // that is not a switch, the pointer and a switch press answering a box
    // are not noted; a switch press on a place shown is.
    void onlySwitchPressesTeach()
    {
        writeSettings(QStringLiteral("[入力方法]\r\n番号=4\r\n[スイッチ]\r\n間隔=300\r\n最初の待ち=0\r\nはやさ=1\r\n"
                                     "受け付けない時間=0\r\n"));
        Window w;
        w.speech->setEndsAtOnce(true);
        w.speech->finishSpeaking(); // the greeting
        const input::SwitchInput &s = w.form->methods().switches();
        QTRY_VERIFY(!s.scan().paused());
        play(w, "Left Right A L@1 Box:Return");
        QCOMPARE(s.pace().presses(), 0);
        QVERIFY(pressAfterShown(w, 1, 100));
        QCOMPARE(s.pace().presses(), 1);
    }

    // A press just after the highlight left a column: with おそいおし = 1 it
    // enters the column just left (its first key is heard), with 0 the next.
    void latePress_data()
    {
        QTest::addColumn<QString>("late");
        QTest::addColumn<QString>("heard");
        QTest::newRow("おそいおし=1: the column just left") << "1" << "あ";
        QTest::newRow("おそいおし=0: the next column, as before") << "0" << "か";
        QTest::newRow("おそいおし damaged in a switch user's file: as before") << "はい" << "か";
    }
    void latePress()
    {
        QFETCH(QString, late);
        QFETCH(QString, heard);
        writeSettings(QStringLiteral("[入力方法]\r\n番号=4\r\n[スイッチ]\r\n間隔=300\r\n最初の待ち=0\r\nはやさ=0\r\nおそいおし=")
                      + late + QStringLiteral("\r\n"));
        Window w;
        w.speech->setEndsAtOnce(true);
        w.speech->finishSpeaking(); // the greeting
        QTRY_COMPARE(w.form->methods().switches().scan().place().group, 1); // あぎょう
        QVERIFY(pressAfterShown(w, 1, 0)); // the moment the highlight leaves it
        QTRY_COMPARE(w.form->methods().switches().scan().place().level, input::ScanPlace::Key);
        QCOMPARE(w.speech->spokenTexts().constLast(), heard);
    }
    void cleanupTestCase() { inputtest::removeSettings(); }

    void switches_data()
    {
        QTest::addColumn<QString>("settings"); // [スイッチ] lines
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("focus");
        QTest::addColumn<QStringList>("heard");
        QTest::addColumn<QString>("notice"); // shown once the window is up
        // No time after a press in which presses are ignored: the script is quick.
        const QString two = QStringLiteral("方式=2\r\n受け付けない時間=0\r\n");
        const QString one = QStringLiteral("方式=1\r\n間隔=5000\r\n受け付けない時間=0\r\n"); // the timer stays out of the way
        QTest::newRow("two switches: Space moves, Enter selects; the key takes no Enter of its own")
            << two << "Space Space Return Return" << "か" << 6
            << QStringList{"よむ", "あぎょう", "かぎょう", "か", "=か", "よむ"} << QString();
        QTest::newRow("one switch: Enter selects よむ, which reads aloud")
            << one << "Return" << "" << 0 << QStringList{"よむ", "=なにもかかれていません", "よむ"} << QString();
        QTest::newRow("one switch caught as F5: F5 selects")
            << one + "決定キー=16777268\r\n" << "F5" << "" << 0 << QStringList{"よむ", "=なにもかかれていません", "よむ"} << QString();
        QTest::newRow("a caught right button selects; a left click still presses its key")
            << one + "決定キー=-2\r\n" << "R@-1 L@1" << "あ" << 1
            << QStringList{"よむ", "=なにもかかれていません", "よむ", "あ", "=あ"} << QString();
        QTest::newRow("the arrow keys walk; the scan goes on from the reached column")
            << two << "Left Left Space Return" << "" << 6 << QStringList{"よむ", "あ", "か", "かぎょう", "か"} << QString();
        QTest::newRow("practice mode's hidden columns are passed over")
            << two << "あ行 Space Space Space" << "" << 0
            << QStringList{"よむ", "あぎょう", "くうはくのれつ", "けすのれつ"} << QString();
        QTest::newRow("blank keys are passed over")
            << two << "あ行 Space Space Return Space Space Space" << "" << 60
            << QStringList{"よむ", "あぎょう", "くうはくのれつ", "くうはく", "ぎょう", "めーる", "もどる"} << QString();
        QTest::newRow("スクリーンリーダーがよむ: no place's name is said, what a press says is")
            << two + "[読み]\r\nスクリーンリーダー=1\r\n" << "Space Space Return Return" << "か" << 6
            << QStringList{"=か"} << QString();
        QTest::newRow("スクリーンリーダー on with digits past 32 bits, as every on/off key")
            << two + "[読み]\r\nスクリーンリーダー=99999999999\r\n" << "Space Space Return Return" << "か" << 6
            << QStringList{"=か"} << QString();
        QTest::newRow("スクリーンリーダー off as zeros of any length")
            << two + "[読み]\r\nスクリーンリーダー=000000000000\r\n" << "Space Space Return Return" << "か" << 6
            << QStringList{"よむ", "あぎょう", "かぎょう", "か", "=か", "よむ"} << QString();
        QTest::newRow("after a press the scan starts at its column (選んだあと=2)")
            << two + "選んだあと=2\r\n" << "Space Return Space Return" << "い" << 2
            << QStringList{"よむ", "あぎょう", "あ", "い", "=い", "あぎょう"} << QString();
        QTest::newRow("a press that answers a box counts for the time in which presses are ignored")
            << QStringLiteral("方式=1\r\n間隔=5000\r\n") << "Box:Space Space" << "" << 0 << QStringList{"よむ"} << QString();
        QTest::newRow("Alt as the move switch: no press goes to the menu bar")
            << two + "移動キー=16777251\r\n" << "Alt Alt Alt Alt Return" << "" << 16
            << QStringList{"よむ", "あぎょう", "かぎょう", "さぎょう", "たぎょう", "た"} << QString();
        QTest::newRow("short names: the columns' first kana in the decision voice")
            << two + "短い名前=1\r\n" << "Space Space Space Space Return" << "" << 16
            << QStringList{"よむ", "=あ", "=か", "=さ", "=た", "た"} << QString();
        QTest::newRow("short names on with digits past 32 bits")
            << two + "短い名前=-99999999999\r\n" << "Space Space Space Space Return" << "" << 16
            << QStringList{"よむ", "=あ", "=か", "=さ", "=た", "た"} << QString();
        QTest::newRow("short names with one voice for both roles: the long names")
            << two + "短い名前=1\r\n[音声]\r\n男性=2\r\n女性=2\r\n" << "Space Space" << "" << 0
            << QStringList{"よむ", "あぎょう", "かぎょう"} << QString();
        QTest::newRow("two switches on one key in the file: the style's keys, said once")
            << two + "移動キー=0\r\n決定キー=32\r\n" << "Space Space Return Return" << "か" << 6
            << QStringList{"よむ", "あぎょう", "かぎょう", "か", "=か", "よむ"}
            << "スイッチの設定で　移動と決定が　おなじ　スイッチだったので、はじめの　スイッチ（移動は　スペース、決定は　エンター）に　もどしました";
    }
    void switches()
    {
        QFETCH(QString, settings);
        QFETCH(QString, script);
        QFETCH(QString, text);
        QFETCH(int, focus);
        QFETCH(QStringList, heard);
        QFETCH(QString, notice);
        writeSettings(QStringLiteral("[入力方法]\r\n番号=4\r\n[スイッチ]\r\n") + settings);
        Window w;
        QCoreApplication::processEvents(); // what is told once the window is up
        QCOMPARE(w.notices, notice.isEmpty() ? QStringList() : QStringList{notice});
        QVERIFY(!settingsText().contains(QStringLiteral("決定キー=32"))); // told once: the file holds working keys
        w.heard();
        w.speech->setEndsAtOnce(true);
        w.speech->finishSpeaking(); // the greeting: then the scan begins
        QTest::qWait(30);
        play(w, script);
        QCOMPARE(w.form->display().toPlainText(), text);
        QCOMPARE(w.focused(), focus);
        QStringList got = w.heard();
        for (QString &s : got) // the readings of the command keys as their captions
            for (int t : {57, 58, 59, 60})
                if (s == readings::table()[t])
                    s = w.key(t)->text();
        QCOMPARE(got, heard);
        QVERIFY(w.errors.isEmpty());
    }

    // The automatic scan steps the interval after the end of what is said,
    // and waits while the text is read aloud.
    void automaticScanWaitsForSpeech()
    {
        writeSettings(QStringLiteral("[入力方法]\r\n番号=4\r\n[スイッチ]\r\n間隔=300\r\n最初の待ち=0\r\n"));
        Window w;
        const auto last = [&] { return w.speech->spokenTexts().constLast(); };
        const auto count = [&] { return w.speech->spokenTexts().size(); };
        w.speech->finishSpeaking(); // the greeting
        QTRY_COMPARE(last(), QStringLiteral("よむ"));
        qsizetype n = count();
        QTest::qWait(600);
        QCOMPARE(count(), n); // still being said
        w.speech->finishSpeaking();
        QTRY_COMPARE_WITH_TIMEOUT(last(), QStringLiteral("あぎょう"), 2000);
        w.speech->finishSpeaking();
        w.type("C-R"); // reading aloud, as a helper may start it
        QCOMPARE(last(), QStringLiteral("なにもかかれていません"));
        n = count();
        QTest::qWait(600);
        QCOMPARE(count(), n);
        w.speech->finishSpeaking();
        QTRY_COMPARE_WITH_TIMEOUT(last(), QStringLiteral("かぎょう"), 2000);
    }

    // With the names left to a screen reader the automatic scan moves on
    // with nothing said, each group taking the accessible focus in turn.
    void automaticScanWithAScreenReader()
    {
        writeSettings(QStringLiteral("[入力方法]\r\n番号=4\r\n[スイッチ]\r\n間隔=300\r\n最初の待ち=0\r\n"
                                     "[読み]\r\nスクリーンリーダー=1\r\n"));
        Window w;
        w.speech->finishSpeaking(); // the greeting
        QTRY_COMPARE_WITH_TIMEOUT(w.form->board()->columnFrame(), 2, 3000);
        QCOMPARE(w.heard(), QStringList());
    }

    // The column frame and the key frame at several window sizes.
    void framesAsDrawn_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("designed size") << 878;
        QTest::newRow("smallest") << 176;
        QTest::newRow("twice") << 1756;
    }
    void framesAsDrawn()
    {
        QFETCH(int, width);
        writeSettings(QStringLiteral("[入力方法]\r\n番号=4\r\n[スイッチ]\r\n方式=2\r\n受け付けない時間=0\r\n"));
        Window w;
        w.speech->setEndsAtOnce(true);
        w.speech->finishSpeaking();
        w.form->resize(width, w.form->height());
        QTest::qWait(30);
        play(w, "Space Space Space"); // the さ column
        Board *board = w.form->board();
        QCOMPARE(board->columnFrame(), 3);
        QImage image = board->grab().toImage();
        const QRect column = board->columnFrameRect();
        const QRect top(column.left(), column.top() - 2, column.width(), 5);
        QVERIFY2(pixelsOf(image, top, qRgb(255, 0, 0)) > 0, "no red in the column frame's top edge");
        QVERIFY2(pixelsOf(image, top, qRgb(0, 0, 0)) > 0, "no black in the column frame's top edge");
        QCOMPARE(pixelsOf(image, image.rect(), qRgb(0, 0, 255)), 0);
        play(w, "Return"); // さ: the key's blue frame, no column frame
        image = board->grab().toImage();
        QCOMPARE(board->columnFrame(), -1);
        QCOMPARE(pixelsOf(image, column.adjusted(-8, -8, 8, 8), qRgb(255, 0, 0)), 0);
        QVERIFY(pixelsOf(image, Board::frameRect(w.key(11)->geometry()), qRgb(0, 0, 255)) > 0);
    }

    // Orders 2 and 3 on the window: the groups computed from the text before
    // the insertion point when the scan starts, "よそく" framed key by key in
    // its places, and the order computed again after a press from the text
    // the press left.
    void ordersFromTheText_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("group"); // what the first group says ("=": in the decision voice)
        QTest::addColumn<int>("column");    // its column frame; -1 a frame round each of its keys
        QTest::newRow("a new user: order 2, よそく framed key by key") << "[入力方法]\r\n番号=1\r\n" << "よそく" << -1;
        QTest::newRow("order 3: the あ column first, by its short name")
            << "[スイッチ]\r\n並び=3\r\n短い名前=1\r\n" << "=あ" << 1;
        QTest::newRow("order 3 with the long names") << "[スイッチ]\r\n並び=3\r\n" << "あぎょう" << 1;
    }
    void ordersFromTheText()
    {
        QFETCH(QString, settings);
        QFETCH(QString, group);
        QFETCH(int, column);
        writeSettings(settings);
        Window w;
        w.speech->setEndsAtOnce(true);
        w.speech->finishSpeaking();
        play(w, "L@1 L@42 L@6 L@49 L@20"); // ありがと with the mouse
        QCOMPARE(w.form->display().toPlainText(), QStringLiteral("ありがと"));
        w.heard();
        w.choose(3);
        QTRY_VERIFY(!w.form->methods().switches().scan().paused());
        QCOMPARE(w.heard(), QStringList{group});
        QVERIFY(settingsText().contains(QStringLiteral("並び=")));
        Board *board = w.form->board();
        QCOMPARE(board->columnFrame(), column);
        const std::vector<int> framed = board->keyFrames();
        QCOMPARE(framed.empty(), column >= 0);
        if (column < 0) { // each key of よそく framed red and black in its place, う first
            QCOMPARE(framed.front(), 3);
            const QImage image = board->grab().toImage();
            for (int tag : framed) {
                const QRect r = board->keyFrameRect(tag);
                const QRect top(r.left(), r.top() - 2, r.width(), 5);
                QVERIFY2(pixelsOf(image, top, qRgb(255, 0, 0)) > 0 && pixelsOf(image, top, qRgb(0, 0, 0)) > 0,
                         qPrintable(QStringLiteral("key %1 not framed").arg(tag)));
            }
            QRect keys; // the display's text is blue: the keys' part of the board
            for (int t = 0; t < keys::kCount; ++t)
                keys |= w.key(t)->geometry();
            QCOMPARE(pixelsOf(image, keys.adjusted(-8, -8, 8, 8), qRgb(0, 0, 255)), 0); // no key frame meanwhile
        }
        const std::vector<int> firstGroup = w.form->methods().switches().scan().order().front().places;
        QTest::qWait(300); // presses within 受け付けない時間 are ignored
        w.type("Return");
        QCOMPARE(w.focused(), 3); // う, likeliest after ありがと
        QCOMPARE(board->keyFrames(), std::vector<int>());
        QTest::qWait(300);
        w.type("Return");
        QCOMPARE(w.form->display().toPlainText(), QStringLiteral("ありがとう"));
        QTRY_VERIFY(!w.form->methods().switches().scan().paused());
        QVERIFY2(w.form->methods().switches().scan().order().front().places != firstGroup,
                 "the order after the press comes from the text it left");
        QVERIFY(w.errors.isEmpty());
    }

    // The learned pace in the dialog: what was learned from the kept presses,
    // the days' chart, 自動/手動 and late presses chosen, and the pace begun
    // again from the standard times.
    void paceInDialog()
    {
        writeSettings(QStringLiteral("[スイッチ]\r\n間隔=700\r\n最初の待ち=350\r\nはやさ=1\r\n"));
        input::SwitchPace kept;
        for (int i = 0; i < 12; ++i)
            kept.press({400 + 10 * i, 100, keys::kHa, false, 2000, QDate::currentDate()});
        QVERIFY(kept.save(input::SwitchPace::defaultPath()));
        Window w;
        TSwitch_form *dialog = w.form->findChild<TSwitch_form *>();
        QString figures;
        std::vector<input::SwitchPace::Day> days;
        QTimer::singleShot(0, dialog, [&] {
            figures = dialog->PaceFigures_label->text();
            days = dialog->Pace_chart->days();
            QCOMPARE(dialog->Pace_box->currentIndex(), 0); // 自動
            QCOMPARE(dialog->Late_box->currentIndex(), 1); // a switch user's file: as before until chosen
            dialog->Late_box->setCurrentIndex(0);
            dialog->PaceReset_btn->click();
            QCOMPARE(dialog->Interval_spin->value(), 1000);
            QCOMPARE(dialog->FirstWait_spin->value(), 500);
            dialog->Ok_btn->click();
        });
        w.form->menus().switchSettings->trigger();
        QCOMPARE(figures, QStringLiteral("間隔　700 ミリ秒　ふだんの　おす　はやさ　460 ミリ秒　おそいとき　500 ミリ秒"));
        QCOMPARE(int(days.size()), input::SwitchPace::kDays);
        QCOMPARE(days.back().presses, 12);
        QCOMPARE(days.back().characters, 12);
        const QString file = settingsText();
        for (const char *line : {"間隔=1000", "最初の待ち=500", "はやさ=1", "おそいおし=1"})
            QVERIFY2(file.contains(QString::fromUtf8(line)), line);
        const input::SwitchPace now = input::SwitchPace::load(input::SwitchPace::defaultPath());
        QCOMPARE(now.presses(), 0); // begun again ...
        QCOMPARE(int(now.days().size()), 1); // ... the days kept
        QCOMPARE(w.form->methods().switches().pace().interval(), 1000);
        QVERIFY(w.errors.isEmpty());
    }

    void settingsDialog_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK writes every value and puts it into effect") << true;
        QTest::newRow("Escape changes nothing") << false;
    }
    void settingsDialog()
    {
        QFETCH(bool, ok);
        Window w;
        const QString before = settingsText();
        TSwitch_form *dialog = w.form->findChild<TSwitch_form *>();
        QTimer::singleShot(0, dialog, [&] {
            dialog->Style_box->setCurrentIndex(1);
            dialog->Move_btn->click();
            QCOMPARE(dialog->Move_btn->text(), QStringLiteral("スイッチをおしてください"));
            QTest::keyClick(dialog->Move_btn, Qt::Key_Return); // the select switch's own key: refused
            QVERIFY(dialog->catching());
            QTest::keyClick(dialog->Move_btn, Qt::Key_1, Qt::KeypadModifier); // caught as the move switch
            dialog->Select_btn->click();
            QTest::mouseClick(dialog->Select_btn, Qt::MiddleButton); // caught as the select switch
            QVERIFY(!dialog->catching());
            dialog->Interval_spin->setValue(9999); // kept in its range
            dialog->Loops_spin->setValue(5);
            dialog->After_box->setCurrentIndex(1);
            QCOMPARE(dialog->Order_box->currentIndex(), 1); // a new user's: order 2, short names
            QCOMPARE(dialog->Names_box->currentIndex(), 1);
            dialog->Order_box->setCurrentIndex(2);
            dialog->Names_box->setCurrentIndex(0);
            if (ok)
                dialog->Ok_btn->click();
            else
                QTest::keyClick(dialog, Qt::Key_Escape);
        });
        w.form->menus().switchSettings->trigger();
        QVERIFY(!dialog->isVisible());
        const input::SwitchSettings s = w.form->methods().switches().settings();
        if (!ok) {
            QCOMPARE(settingsText(), before);
            QCOMPARE(s, input::SwitchSettings());
            return;
        }
        QCOMPARE(int(s.style), 2);
        QCOMPARE(s.moveSwitch, int(Qt::Key_1) | input::kKeypad);
        QCOMPARE(s.selectSwitch, input::kMouseMiddle);
        QCOMPARE(s.interval, 5000);
        QCOMPARE(s.order, 3);
        QVERIFY(!s.shortNames);
        QVERIFY(w.form->methods().switches().scan().rules().backToFirst);
        const QString file = settingsText();
        for (const char *line : {"方式=2", "移動キー=536870961", "決定キー=-3", "間隔=5000", "最初の待ち=500", "回数=5",
                                 "押す長さ=0", "受け付けない時間=250", "選んだあと=2", "とどまる時間=1200", "並び=3",
                                 "短い名前=0"})
            QVERIFY2(file.contains(QString::fromUtf8(line) + QStringLiteral("\r\n")), line);
    }

    // Resting the pointer presses a key once; it must leave before the next.
    void dwellPressesOnce()
    {
        writeSettings(QStringLiteral("[入力方法]\r\n番号=2\r\n[マウス]\r\nとどまる時間=1500\r\n"));
        Window w;
        QVERIFY(!w.form->menus().dwell->isChecked());
        w.form->menus().dwell->trigger();
        QVERIFY(settingsText().contains(QStringLiteral("とどまる=1\r\n")));
        w.pointAt(QPoint(5, 5)); // from elsewhere: the pointer may be over あ from before
        w.pointAt(w.middleOf(w.key(1)));
        QTest::qWait(500);
        QVERIFY(w.key(1)->dwellProgress() > 0); // locked on, filling
        QCOMPARE(w.form->display().toPlainText(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(w.form->display().toPlainText(), QStringLiteral("あ"), 3000);
        QCOMPARE(w.key(1)->dwellProgress(), 0.0);
        w.pointAt(w.middleOf(w.key(1)) + QPoint(3, 3));
        QTest::qWait(1800);
        QCOMPARE(w.form->display().toPlainText(), QStringLiteral("あ"));
        w.pointAt(w.middleOf(w.key(2)));
        QTRY_COMPARE_WITH_TIMEOUT(w.form->display().toPlainText(), QStringLiteral("あい"), 3000);
        w.form->menus().arrowKeys->trigger(); // another method: resting does nothing
        w.pointAt(w.middleOf(w.key(3)));
        QTest::qWait(1800);
        QCOMPARE(w.form->display().toPlainText(), QStringLiteral("あい"));
    }
};

QTEST_MAIN(TestSwitchInput)
#include "tst_switchinput.moc"
