// Saving, opening and the end of the program on the main window: real files
// in a temporary start folder, the recording speech control, answered boxes
// and dialogs.
#include "diarywindow.h"

#include "base/filecodec.h"
#include "prediction/adaptation.h"
#include "fulldisk.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

using namespace testwin;

namespace {

QByteArray sj(const char *utf8)
{
    return sjis::encode(QString::fromUtf8(utf8));
}

const QString kSaved = QStringLiteral("きょうのひづけでしまいました");
const QString kNothingWritten = QStringLiteral("にっきがかけていませんよ。");
const QString kFarewell = QStringLiteral("じゃーまたね えんたーキーをおしたらおわるよ");

enum class Trigger { Key, Menu, Shortcut };

void run(Window &w, Trigger how, int keyTag, QAction *item, const QKeySequence &shortcut)
{
    switch (how) {
    case Trigger::Key:
        w.key(keyTag)->click();
        break;
    case Trigger::Menu:
        item->trigger();
        break;
    case Trigger::Shortcut:
        w.key(keyTag)->setFocus();
        w.speech->clear(); // the key's own announcement
        QTest::keySequence(w.form.get(), shortcut);
        break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Trigger)

class TestDiaryStorage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { fonts::installSubstitutions(); }
    void init() { removeSettings(); }
    void cleanupTestCase() { removeSettings(); }

    void saveDated_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("sendBefore");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("bytes"); // "<missing>": no file written
        QTest::addColumn<bool>("sendAfter");
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<QStringList>("shown"); // notices
        QTest::newRow("last day of 2099") << QDate(2099, 12, 31) << "はれ" << true
                                          << "日記99年12月31日.txt" << sj("はれ") << true << QStringList{kSaved} << QStringList{};
        QTest::newRow("first day of 2000") << QDate(2000, 1, 1) << "ゆき" << false
                                           << "日記00年01月01日.txt" << sj("ゆき") << true << QStringList{kSaved} << QStringList{};
        QTest::newRow("lines with CR LF, no break added")
            << QDate(2031, 4, 9) << "あさ\n\nよる" << true << "日記31年04月09日.txt" << sj("あさ\r\n\r\nよる")
            << true << QStringList{kSaved} << QStringList{};
        QTest::newRow("only a line break counts as written")
            << QDate(2031, 4, 9) << "\n" << false << "日記31年04月09日.txt" << QByteArray("\r\n") << true
            << QStringList{kSaved} << QStringList{};
        QTest::newRow("a wrapped line is one line")
            << QDate(2031, 4, 9) << QString(60, QChar(u'あ')) << true << "日記31年04月09日.txt"
            << sjis::encode(QString(60, QChar(u'あ'))) << true << QStringList{kSaved} << QStringList{};
        QTest::newRow("emoji kept through UTF-8")
            << QDate(2031, 4, 9) << "えがお😀" << true << "日記31年04月09日.txt"
            << QByteArray("\xEF\xBB\xBF" "えがお😀") << true << QStringList{kSaved, diary::kFormChanged}
            << QStringList{diary::kFormChanged};
        QTest::newRow("unreadable bytes keep Shift-JIS")
            << QDate(2031, 4, 9) << "あ\uFFFDい" << true << "日記31年04月09日.txt" << sj("あ?い") << true
            << QStringList{kSaved} << QStringList{};
        QTest::newRow("empty display writes nothing")
            << QDate(2031, 4, 9) << "" << true << "日記31年04月09日.txt" << QByteArray("<missing>") << false
            << QStringList{kNothingWritten} << QStringList{};
    }
    void saveDated()
    {
        QFETCH(QDate, date);
        QFETCH(QString, text);
        QFETCH(bool, sendBefore);
        QFETCH(QString, fileName);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, sendAfter);
        QFETCH(QStringList, said);
        QFETCH(QStringList, shown);
        Window w(date);
        w.setText(text);
        w.form->menus().send->setEnabled(sendBefore);

        w.key(keys::kSave)->click();

        QCOMPARE(bytesOf(w.diaryFolder() + u'/' + fileName), bytes);
        QCOMPARE(QDir(w.diaryFolder()).count(), uint(bytes == "<missing>" ? 2 : 3));
        QCOMPARE(w.form->menus().send->isEnabled(), sendAfter);
        QVERIFY(w.key(keys::kMail)->isEnabled());
        QStringList voiced;
        for (const QString &message : said)
            voiced << w.decision(message);
        QCOMPARE(w.spoken(), voiced);
        QCOMPARE(w.notices, shown);
        QCOMPARE(w.text(), text);
        QVERIFY(w.errors.isEmpty());
        // What was saved is taken by the kana model's adaptation, in the background.
        QTRY_VERIFY(!w.form->adaptation().busy());
        QCOMPARE(w.form->adaptation().userSymbols() > 0, bytes != "<missing>");
    }

    void saveByKeyMenuAndShortcut_data()
    {
        QTest::addColumn<Trigger>("how");
        QTest::newRow("しまう key") << Trigger::Key;
        QTest::newRow("保存 menu item") << Trigger::Menu;
        QTest::newRow("Ctrl+S") << Trigger::Shortcut;
    }
    void saveByKeyMenuAndShortcut()
    {
        QFETCH(Trigger, how);
        Window w;
        w.setText(QStringLiteral("かいた"));
        run(w, how, keys::kSave, w.form->menus().save, QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(bytesOf(w.dated()), sj("かいた"));
        QCOMPARE(w.speech->spokenTexts().last(), kSaved);
    }

    // The change of form is told at the save that makes it, not again when
    // the file is already UTF-8.
    void formChangeToldOnce()
    {
        Window w;
        w.setText(QStringLiteral("えがお😀"));
        w.form->saveDiary();
        w.form->saveDiary();
        QCOMPARE(w.speech->spokenTexts(), (QStringList{kSaved, diary::kFormChanged, kSaved}));
        QCOMPARE(w.notices, QStringList{diary::kFormChanged});
    }

    void secondSaveOfTheDayReplacesTheFirst()
    {
        Window w;
        w.setText(QStringLiteral("いちどめの　ながい　にっき\nです"));
        w.form->saveDiary();
        w.setText(QStringLiteral("にどめ"));
        w.form->saveDiary();
        QCOMPARE(bytesOf(w.dated()), sj("にどめ"));
        QCOMPARE(w.speech->spokenTexts(), (QStringList{kSaved, kSaved}));
    }

    void refusedSaveKeepsEverything_data()
    {
        QTest::addColumn<bool>("diaryFolder");
        QTest::addColumn<bool>("readOnlyFile");
        QTest::addColumn<bool>("sendBefore");
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("missing diary folder, send enabled") << false << false << true << false;
        QTest::newRow("missing diary folder, send disabled") << false << false << false << false;
        QTest::newRow("read-only diary file") << true << true << false << false;
        QTest::newRow("full disk") << true << false << false << true;
    }
    void refusedSaveKeepsEverything()
    {
        QFETCH(bool, diaryFolder);
        QFETCH(bool, readOnlyFile);
        QFETCH(bool, sendBefore);
        QFETCH(bool, fullDisk);
        Window w(QDate(2031, 4, 9), diaryFolder);
        std::optional<FullDisk> disk;
        if (fullDisk) {
            disk.emplace(w.diaryFolder());
            if (!disk->unavailable().isEmpty())
                QSKIP(disk->unavailable().constData());
        }
        const QByteArray old = sj("まえの　にっき\r\n");
        if (readOnlyFile) {
            put(w.dated(), old);
            QFile::setPermissions(w.dated(), QFile::ReadOwner | QFile::ReadGroup);
        }
        if (fullDisk)
            QVERIFY(disk->holding(w.dated(), old, 0));
        w.setText(QStringLiteral("あいう"));
        w.form->menus().send->setEnabled(sendBefore);

        w.key(keys::kSave)->click();

        QCOMPARE(w.errors, QStringList{QStringLiteral("ファイル %1 を作成できません.").arg(w.dated())});
        QVERIFY(w.dated().startsWith(w.start.path() + QStringLiteral("/日記/日記")));
        QCOMPARE(w.form->menus().send->isEnabled(), sendBefore);
        QVERIFY(w.speech->spokenTexts().isEmpty());
        QCOMPARE(bytesOf(w.dated()), readOnlyFile || fullDisk ? old : QByteArray("<missing>"));
        QVERIFY(w.notices.isEmpty());
        QCOMPARE(QDir(w.base()).exists(QStringLiteral("日記")), diaryFolder);
        QFile::setPermissions(w.dated(), QFile::ReadOwner | QFile::WriteOwner);
    }

    void saveAs_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("answer"); // empty: cancelled
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("formChanged"); // told by voice and notice
        QTest::newRow("text") << "あ\nい" << "choice.txt" << sj("あ\r\nい") << false;
        QTest::newRow("empty display writes an empty file") << "" << "empty.txt" << QByteArray() << false;
        QTest::newRow("replaces without a question") << "あたらしい" << "old.txt" << sj("あたらしい") << false;
        QTest::newRow("cancelled") << "あ" << "" << QByteArray("<missing>") << false;
        QTest::newRow("emoji turns the old file into UTF-8")
            << "😀" << "old.txt" << QByteArray("\xEF\xBB\xBF" "😀") << true;
    }
    void saveAs()
    {
        QFETCH(QString, text);
        QFETCH(QString, answer);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, formChanged);
        Window w;
        QTemporaryDir elsewhere;
        put(elsewhere.filePath(QStringLiteral("old.txt")), sj("ふるい"));
        if (!answer.isEmpty())
            w.dialogs.answer = elsewhere.filePath(answer);
        w.setText(text);
        w.form->menus().send->setEnabled(false);

        w.form->menus().saveAs->trigger();

        QCOMPARE(w.dialogs.saveFolders, QStringList{w.diaryFolder()});
        if (!answer.isEmpty())
            QCOMPARE(bytesOf(elsewhere.filePath(answer)), bytes);
        QCOMPARE(QDir(elsewhere.path()).count(), uint(answer.isEmpty() || answer == "old.txt" ? 3 : 4));
        QVERIFY(!w.form->menus().send->isEnabled());
        const QStringList told = formChanged ? QStringList{diary::kFormChanged} : QStringList{};
        QCOMPARE(w.speech->spokenTexts(), told);
        QCOMPARE(w.notices, told);
        QVERIFY(w.errors.isEmpty());
        QTRY_VERIFY(!w.form->adaptation().busy());
        QCOMPARE(w.form->adaptation().userSymbols() > 0, !answer.isEmpty() && !prediction::reduce(text).empty());
    }

    void saveAsRefused()
    {
        Window w;
        const QString target = w.base() + QStringLiteral("/ない/x.txt");
        w.dialogs.answer = target;
        w.setText(QStringLiteral("あ"));
        w.form->menus().saveAs->trigger();
        QCOMPARE(w.errors, QStringList{QStringLiteral("ファイル %1 を作成できません.").arg(target)});
    }

    void open_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("Shift-JIS") << sj("きのう\r\nはれ") << "きのう\nはれ";
        QTest::newRow("UTF-8") << QByteArray("きのう\r\nはれ") << "きのう\nはれ";
        QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF" "きのう") << "きのう";
        QTest::newRow("UTF-16 with mark") << QByteArray("\xFF\xFE\x4D\x30\x6E\x30\x46\x30", 8) << "きのう";
        QTest::newRow("binary") << QByteArray("\x7F" "ELF\x02\x01\x00\x00\xFF\xFE\xFD", 11)
                                << QStringLiteral("\uFFFD" "ELF\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");
        QTest::newRow("empty file") << QByteArray() << "";
    }
    void open()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        Window w;
        const QString file = w.diaryFolder() + QStringLiteral("/よみこみ.txt");
        put(file, bytes);
        w.dialogs.answer = file;
        w.setText(QStringLiteral("まえの\nぶん"));
        w.form->text().undoText = QStringLiteral("とっておく\n");
        w.form->composer().lastKey = 12;
        w.form->menus().send->setEnabled(false);

        w.form->menus().open->trigger();

        QCOMPARE(w.text(), text);
        QCOMPARE(w.dialogs.openFolders, QStringList{w.diaryFolder()});
        QCOMPARE(w.form->display().textCursor().position(), 0);
        QCOMPARE(w.form->text().undoText, QStringLiteral("とっておく\n"));
        QCOMPARE(w.form->composer().lastKey, 12);
        QVERIFY(!w.form->menus().send->isEnabled());
        QVERIFY(w.speech->events().isEmpty());
        QVERIFY(w.errors.isEmpty());
    }

    void openRefusedKeepsText_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // "<none>": no file of that name
        QTest::newRow("missing file") << "ない.txt" << QByteArray("<none>");
        QTest::newRow("ten megabytes") << "おおきい.txt" << QByteArray(10 * 1024 * 1024, 'a');
    }
    void openRefusedKeepsText()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        Window w;
        const QString file = w.diaryFolder() + u'/' + name;
        if (bytes != "<none>")
            put(file, bytes);
        w.dialogs.answer = file;
        w.setText(QStringLiteral("けさない"));
        w.form->menus().open->trigger();
        QCOMPARE(w.errors, QStringList{QStringLiteral("ファイル %1 は開けません.").arg(file)});
        QCOMPARE(w.text(), QStringLiteral("けさない"));
    }

    void openCancelledChangesNothing()
    {
        Window w;
        w.setText(QStringLiteral("そのまま"));
        w.form->openFile();
        QCOMPARE(w.dialogs.openFolders.size(), 1);
        QCOMPARE(w.text(), QStringLiteral("そのまま"));
        QVERIFY(w.errors.isEmpty());
    }

    void startFolderFixedForTheRun()
    {
        Window w;
        const QString base = w.base();
        QCOMPARE(base, w.start.path());
        QTemporaryDir other;
        QDir(other.path()).mkdir(QStringLiteral("日記"));
        QDir::setCurrent(other.path()); // as a file dialog may do
        w.setText(QStringLiteral("ここ"));
        w.form->saveDiary();
        w.form->saveAs();
        w.form->openFile();
        QCOMPARE(bytesOf(w.dated()), sj("ここ"));
        QCOMPARE(QDir(other.path() + QStringLiteral("/日記")).count(), uint(2));
        QCOMPARE(w.dialogs.saveFolders, QStringList{base + QStringLiteral("/日記")});
        QCOMPARE(w.dialogs.openFolders, QStringList{base + QStringLiteral("/日記")});
    }

    void endProgram_data()
    {
        QTest::addColumn<Trigger>("how");
        QTest::newRow("おわり key") << Trigger::Key;
        QTest::newRow("終了 menu item") << Trigger::Menu;
        QTest::newRow("Ctrl+Q") << Trigger::Shortcut;
    }
    void endProgram()
    {
        QFETCH(Trigger, how);
        Window w;
        w.setText(QStringLiteral("しまわない"));
        run(w, how, keys::kEnd, w.form->menus().quit, QKeySequence(Qt::CTRL | Qt::Key_Q));
        const QStringList expected{QStringLiteral("say:") + kFarewell, QStringLiteral("box:じゃまたね"),
                                   QStringLiteral("end")};
        QCOMPARE(w.happenings, expected);
        QCOMPARE(w.speech->events().last().mode, w.form->voices().voice(speech::Role::Decision));
        QCOMPARE(QDir(w.diaryFolder()).count(), uint(2));
    }

    // The program's event loop really ends: after the farewell notice, and
    // at once when the window is closed by its frame.
    void eventLoopEnds_data()
    {
        QTest::addColumn<bool>("byFrame");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("おわり") << false
                              << QStringList{QStringLiteral("say:") + kFarewell, QStringLiteral("box:じゃまたね")};
        QTest::newRow("window frame") << true << QStringList{};
    }
    void eventLoopEnds()
    {
        QFETCH(bool, byFrame);
        QFETCH(QStringList, expected);
        Window w;
        diary::setProgramEnd({});
        w.setText(QStringLiteral("しまわない"));
        QTimer::singleShot(0, w.form.get(), [&] {
            if (byFrame)
                w.form->close();
            else
                w.key(keys::kEnd)->click();
        });
        QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(99); });
        QCOMPARE(QApplication::exec(), 0);
        w.catchUp();
        QCOMPARE(w.happenings, expected);
        QCOMPARE(QDir(w.diaryFolder()).count(), uint(2));
    }

    // The system dialogs themselves: text files, the diary folder, ".txt"
    // added to a bare name, no question before replacing a file.
    void systemDialogs_data()
    {
        QTest::addColumn<bool>("forSaving");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("save, bare name") << true << "あした" << "あした.txt";
        QTest::newRow("save over an existing file") << true << "ある.txt" << "ある.txt";
        QTest::newRow("open, bare name") << false << "ある" << "ある.txt";
        QTest::newRow("open, missing file accepted") << false << "ない.txt" << "ない.txt";
    }
    void systemDialogs()
    {
        QFETCH(bool, forSaving);
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        QTemporaryDir folder;
        put(folder.filePath(QStringLiteral("ある.txt")), sj("ある"));
        const auto dialog = diary::createFileDialog(nullptr, folder.path(), forSaving);
        QCOMPARE(dialog->nameFilters(), QStringList{QStringLiteral("テキスト (*.txt)")});
        QCOMPARE(dialog->defaultSuffix(), QStringLiteral("txt"));
        QCOMPARE(QDir(dialog->directory()).canonicalPath(), QDir(folder.path()).canonicalPath());

        diary::setFileDialogs(nullptr);
        bool answered = false, asked = false;
        QTimer::singleShot(0, [&] {
            auto *shown = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(shown);
            QCOMPARE(QDir(shown->directory()).canonicalPath(), QDir(folder.path()).canonicalPath());
            auto *name = shown->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(typed);
            answered = true;
            // A question before replacing would be the active window then.
            QTimer::singleShot(0, [&] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    asked = true;
                    box->button(QMessageBox::Yes)->click();
                }
            });
            QTest::keyClick(name, Qt::Key_Return);
        });
        const auto result = forSaving ? diary::fileDialogs().saveFileName(nullptr, folder.path())
                                      : diary::fileDialogs().openFileName(nullptr, folder.path());
        QVERIFY(answered);
        QVERIFY(!asked);
        QVERIFY(result.has_value());
        QCOMPARE(QFileInfo(*result).fileName(), chosen);
        QCOMPARE(QFileInfo(*result).dir().canonicalPath(), QDir(folder.path()).canonicalPath());
    }
};

QTEST_MAIN(TestDiaryStorage)
#include "tst_diarystorage.moc"
