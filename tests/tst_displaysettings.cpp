// The menu "文字（&C）" (inversion and sizes, kept across starts), the read-me
// shown in the display and the version notice.
#include "diarywindow.h"

#include "app/board.h"
#include "base/keytable.h"
#include "base/filecodec.h"
#include "diary/help.h"

#include <QMenu>

using namespace testwin;

namespace {

const QColor kBlue(0, 0, 255);

QString colours(const TMain_form &f)
{
    const QPalette p = f.display().palette();
    return p.color(QPalette::Text).name() + u'/' + p.color(QPalette::Base).name();
}

QString checkedSize(const TMain_form &f)
{
    const QList<QAction *> sizes{f.menus().largeSize, f.menus().standardSize, f.menus().smallSize};
    QStringList checked;
    for (QAction *a : sizes)
        if (a->isChecked())
            checked << a->text();
    return checked.join(u',');
}

} // namespace

class TestDisplaySettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { fonts::installSubstitutions(); }
    void init() { removeSettings(); }
    void cleanupTestCase() { removeSettings(); }

    void invertTwice()
    {
        Window w;
        TMain_form &f = *w.form;
        f.menus().inverted->trigger();
        QVERIFY(f.menus().inverted->isChecked());
        QCOMPARE(colours(f), QStringLiteral("#ffffff/#000000"));
        QVERIFY(settingsText().contains(QStringLiteral("[文字]\r\n反転=1\r\n")));
        f.menus().inverted->trigger();
        QVERIFY(!f.menus().inverted->isChecked());
        QCOMPARE(colours(f), QStringLiteral("#0000ff/#ffffff"));
        QVERIFY(settingsText().contains(QStringLiteral("[文字]\r\n反転=0\r\n")));
        QVERIFY(w.speech->events().isEmpty());
    }

    void sizeItems_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("charsPerLine");
        QTest::addColumn<int>("charHeight");
        QTest::newRow("大きい") << "largeSize" << 48 << 11 << 64;
        QTest::newRow("標準") << "standardSize" << 32 << 17 << 43;
        QTest::newRow("小さい") << "smallSize" << 26 << 20 << 35;
    }
    void sizeItems()
    {
        QFETCH(QString, item);
        QFETCH(int, points);
        QFETCH(int, charsPerLine);
        QFETCH(int, charHeight);
        // Start from a size none of the items has, so every item changes it.
        writeSettings(QStringLiteral("[文字]\r\nサイズ=40\r\n文字数=9\r\n"));
        Window w;
        TMain_form &f = *w.form;
        QCOMPARE(f.display().font().pointSize(), 40);
        QCOMPARE(checkedSize(f), QStringLiteral("標準"));
        const QPoint bar = f.display().bar().recorded;
        const int lineStep = f.display().bar().lineStep;

        f.findChild<QAction *>(item)->trigger();

        QCOMPARE(f.display().font().pointSize(), points);
        QCOMPARE(f.board()->charsPerLine(), charsPerLine);
        QCOMPARE(f.display().bar().charStep, charHeight);
        QCOMPARE(checkedSize(f), QTest::currentDataTag());
        QVERIFY(settingsText().contains(
            QStringLiteral("[文字]\r\nサイズ=%1\r\n文字数=%2\r\n").arg(points).arg(charsPerLine)));
        QCOMPARE(f.display().bar().recorded, bar);
        QCOMPARE(f.display().bar().lineStep, lineStep);
        QVERIFY(w.speech->events().isEmpty());
        // The next kana entry adds the two pixels of its step.
        w.key(1)->click();
        QCOMPARE(f.display().bar().charStep, charHeight + 2);
    }

    void keptForTheNextStart_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("invert");
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("colours");
        QTest::newRow("大きい, inverted") << "largeSize" << true << 48 << "#ffffff/#000000";
        QTest::newRow("小さい") << "smallSize" << false << 26 << "#0000ff/#ffffff";
        QTest::newRow("標準, inverted") << "standardSize" << true << 32 << "#ffffff/#000000";
    }
    void keptForTheNextStart()
    {
        QFETCH(QString, item);
        QFETCH(bool, invert);
        QFETCH(int, points);
        QFETCH(QString, colours);
        QString tag;
        {
            Window first;
            first.form->findChild<QAction *>(item)->trigger();
            if (invert)
                first.form->menus().inverted->trigger();
            tag = first.form->findChild<QAction *>(item)->text();
        }
        Window next;
        QCOMPARE(next.form->display().font().pointSize(), points);
        QCOMPARE(checkedSize(*next.form), tag);
        QCOMPARE(next.form->menus().inverted->isChecked(), invert);
        QCOMPARE(::colours(*next.form), colours);
    }

    void refusedSettingsWriteShownAfterTheChange()
    {
        writeSettings(QStringLiteral("[入力方法]\r\n番号=9\r\n"));
        QFile::setPermissions(settingsPath(), QFile::ReadOwner);
        Window w;
        w.form->menus().largeSize->trigger();
        QCOMPARE(w.form->display().font().pointSize(), 48);
        QCOMPARE(w.errors,
                 QStringList{QStringLiteral("%1 に書き込めません.").arg(QDir::toNativeSeparators(settingsPath()))});
        removeSettings();
    }

    void readMe_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<bool>("inverted");
        QTest::addColumn<QString>("colours");
        QTest::newRow("from 48 points") << "[文字]\r\nサイズ=48\r\n文字数=11\r\n" << false << "#0000ff/#ffffff";
        QTest::newRow("inverted display stays inverted")
            << "[文字]\r\n反転=1\r\nサイズ=32\r\n" << true << "#ffffff/#000000";
        QTest::newRow("already small") << "[文字]\r\nサイズ=26\r\n" << false << "#0000ff/#ffffff";
    }
    void readMe()
    {
        QFETCH(QString, settings);
        QFETCH(bool, inverted);
        QFETCH(QString, colours);
        writeSettings(settings);
        Window w;
        TMain_form &f = *w.form;
        put(w.form->places().readMe, sjis::encode(QStringLiteral("つかいかた\r\nキーを　えらぶ")));
        // A read-me beside the program file is not the one shown.
        put(QCoreApplication::applicationDirPath() + QStringLiteral("/ReadMe日記.txt"), "wrong");
        w.setText(QStringLiteral("きえる"));
        QCOMPARE(f.menus().inverted->isChecked(), inverted);

        f.menus().readMe->trigger();

        QCOMPARE(w.text(), QStringLiteral("つかいかた\nキーを　えらぶ"));
        QCOMPARE(f.display().font().pointSize(), 26);
        QCOMPARE(checkedSize(f), QStringLiteral("小さい"));
        QCOMPARE(f.board()->charsPerLine(), 20);
        QVERIFY(settingsText().contains(QStringLiteral("サイズ=26\r\n文字数=20\r\n")));
        QCOMPARE(::colours(f), colours);
        QVERIFY(w.speech->events().isEmpty());
        QVERIFY(w.errors.isEmpty());

        // The read-me can be saved as today's diary like any text.
        f.menus().save->trigger();
        QCOMPARE(bytesOf(w.dated()), sjis::encode(QStringLiteral("つかいかた\r\nキーを　えらぶ")));
        QFile::remove(QCoreApplication::applicationDirPath() + QStringLiteral("/ReadMe日記.txt"));
    }

    void missingReadMeAfterTheSizeChange()
    {
        writeSettings(QStringLiteral("[文字]\r\nサイズ=48\r\n"));
        Window w;
        w.setText(QStringLiteral("のこる"));
        w.form->menus().readMe->trigger();
        QCOMPARE(w.errors,
                 QStringList{QStringLiteral("ファイル %1 は開けません.").arg(w.form->places().readMe)});
        QCOMPARE(w.text(), QStringLiteral("のこる"));
        QCOMPARE(w.form->display().font().pointSize(), 26);
        QCOMPARE(checkedSize(*w.form), QStringLiteral("小さい"));
        QVERIFY(settingsText().contains(QStringLiteral("サイズ=26\r\n文字数=20\r\n")));
    }

    void versionNotice()
    {
        Window w;
        w.form->menus().about->trigger();
        // One line break per line: a box shows LF CR as two.
        QCOMPARE(w.notices, QStringList{QStringLiteral("もじぽっと帳 sapi4 Ver2.00\n"
                                                       "\u3000by mojipot@example.org\n"
                                                       "日本語合成エンジン(SAPI4)が必要です。")});
        QVERIFY(w.speech->events().isEmpty());
    }

    // The distributed read-me is Shift-JIS text that names every key and
    // every menu item the user meets.
    void distributedReadMeCoversTheProgram()
    {
        QFile source(qEnvironmentVariable("MOJIPOT_SOURCE_DIR") + QStringLiteral("/resources/ReadMe日記.txt"));
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(source.readAll());
        QVERIFY(sjis::canEncode(text));
        QVERIFY(!filecodec::encode(text).startsWith("\xEF\xBB\xBF"));
        Window w;
        QStringList missing;
        for (const KeySpec &k : keys::table())
            if (!k.caption.isEmpty() && !text.contains(QString(k.caption).replace(u'\n', QString())))
                missing << k.caption;
        for (QMenu *m : w.form->findChildren<QMenu *>()) {
            for (QAction *a : m->actions()) {
                QString caption = a->text();
                caption.remove(QRegularExpression(QStringLiteral("[(（]&.[)）]|\\.\\.\\.$")));
                if (a->isVisible() && !caption.isEmpty() && !text.contains(caption))
                    missing << caption;
            }
        }
        QCOMPARE(missing, QStringList{});
        for (const char *needed : {"日記", "smail", "メール設定", "ReadMe日記.txt", "並び", "よそく", "短い名前"})
            QVERIFY2(text.contains(QString::fromUtf8(needed)), needed);
    }
};

QTEST_MAIN(TestDisplaySettings)
#include "tst_displaysettings.moc"
