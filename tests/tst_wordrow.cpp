// The row of words and phrases on the window, as a user meets it: off it
// changes nothing; on, the display gives up the row's height; phrases at
// the start of a sentence, written and said (or only said), paged by つぎ;
// completions of what the user saved, written as if typed; the arrow keys,
// the keypad and the pointer reach the row; the phrase file and its dialog;
// forgetting.
#include "diarywindow.h"

#include "app/board.h"
#include "input/dwellinput.h"
#include "input/switchinput.h"
#include "kanji/kanjiwriting.h"
#include "kanji/wordforms.h"
#include "prediction/adaptation.h"
#include "prediction/phraseform.h"
#include "prediction/usage.h"
#include "prediction/wordrow.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace testwin;

namespace {

const QString kOn = QStringLiteral("[文字]\r\nよそく=1\r\n");

QString phrasePath()
{
    return prediction::phraseFile(settingsPath());
}

KeyButton *place(Window &w, int index)
{
    return w.form->key(input::kFirstWord + index);
}

QStringList captions(Window &w)
{
    QStringList out;
    for (int i = 0; i < prediction::WordRow::kPlaces; ++i)
        out << place(w, i)->text().remove(u'\n');
    return out;
}

// The keys pressed as the board writes the text (が: か then ゛).
void type(Window &w, const QString &kana)
{
    for (const prediction::Symbol s : prediction::reduce(kana))
        QTest::mouseClick(w.key(prediction::tagOf(s)), Qt::LeftButton);
}

// Until the user's writing has been counted into the model.
void waitForModel(Window &w)
{
    prediction::Adaptation *a = &w.form->adaptation();
    QTRY_VERIFY_WITH_TIMEOUT(!a->busy(), 10000);
    QCoreApplication::processEvents();
}

} // namespace

class TestWordRow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_data; // the user's data folder: what the row learnt

private slots:
    void initTestCase()
    {
        fonts::installSubstitutions();
        qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
    }
    void init()
    {
        QFile::remove(prediction::Usage::defaultPath());
        QFile::remove(kanji::History::defaultPath());
        QFile::remove(phrasePath());
    }
    void cleanupTestCase()
    {
        removeSettings();
        QFile::remove(phrasePath());
    }

    // Off: nothing is shown, read, written or reachable, and nothing moves.
    void offChangesNothing()
    {
        removeSettings();
        Window w;
        const QRect display = w.form->display().geometry();
        QCOMPARE(display.height(), 288);
        for (int i = 0; i < prediction::WordRow::kPlaces; ++i)
            QVERIFY(place(w, i)->isHidden());
        const input::Reachable reachable = w.form->methods().reachable();
        for (int p = input::kFirstOffBoard; p < input::kPlaceCount; ++p)
            QVERIFY(!reachable.test(p));
        w.form->methods().walkFrom(1);
        w.form->methods().walk(input::Move::Up);
        QCOMPARE(w.form->methods().scanPos(), 5); // round the column as ever
        type(w, QStringLiteral("あり"));
        QVERIFY(!QFileInfo::exists(prediction::Usage::defaultPath()));
        QVERIFY(!QFileInfo::exists(phrasePath()));
        QVERIFY(!settingsText().contains(QStringLiteral("よそく")));
        QCOMPARE(w.form->display().geometry(), display);
    }

    // On from the menu: the display gives up the row's height, at every
    // width in the same proportions; off again, it has it back.
    void layout()
    {
        removeSettings();
        Window w;
        w.form->menus().words->trigger();
        QVERIFY(settingsText().contains(QStringLiteral("よそく=1")));
        QCOMPARE(w.form->display().geometry().height(), keys::kDisplayHeightWithWords);
        QCOMPARE(place(w, 0)->geometry(), keys::wordPlaceGeometry(0));
        QVERIFY(place(w, 4)->isVisible());
        w.form->resize(Board::kDesignedWidth * 2, w.form->height());
        QTRY_COMPARE(w.form->height(), Board::kDesignedHeight * 2);
        QCOMPARE(place(w, 2)->geometry(),
                 QRect(keys::wordPlaceGeometry(2).topLeft() * 2, keys::wordPlaceGeometry(2).size() * 2));
        QCOMPARE(w.form->display().geometry().height(), 2 * keys::kDisplayHeightWithWords);
        w.form->menus().words->trigger();
        QCOMPARE(w.form->display().geometry().height(), 2 * 288);
        QVERIFY(place(w, 0)->isHidden());
    }

    // At the start of a sentence the phrases, the most used first; a phrase
    // written and said, or only said; つぎ pages through the rest.
    void phrases_data()
    {
        QTest::addColumn<QString>("settings"); // [文字] lines
        QTest::addColumn<bool>("speakOnly");
        QTest::newRow("written and said") << "よそく=1\r\n" << false;
        QTest::newRow("only said (えらんだら はなすだけ)") << "よそく=1\r\nはなすだけ=1\r\n" << true;
        QTest::newRow("on and only said, by numbers past 32 bits")
            << "よそく=99999999999\r\nはなすだけ=-000000000000000000007\r\n" << true;
        QTest::newRow("written: はなすだけ off by zeros of any length")
            << "よそく=+4294967296\r\nはなすだけ=0000000000000\r\n" << false;
    }
    void phrases()
    {
        QFETCH(QString, settings);
        QFETCH(bool, speakOnly);
        writeSettings(QStringLiteral("[文字]\r\n") + settings);
        Window w;
        QVERIFY(w.form->menus().speakOnly->isChecked() == speakOnly);
        QCOMPARE(captions(w), (QStringList{"おはようございます。", "こんにちは。", "こんばんは。", "おやすみなさい。", "つぎ"}));
        // Assistive tools hear the whole phrase, which a caption on two lines may cut.
        QCOMPARE(QAccessible::queryAccessibleInterface(place(w, 0))->text(QAccessible::Name),
                 QStringLiteral("おはようございます。"));
        QTest::mouseClick(place(w, 4), Qt::LeftButton); // つぎ
        QCOMPARE(captions(w).first(), QStringLiteral("ありがとうございます。"));
        QCOMPARE(w.spoken().last(), w.decision(QStringLiteral("ありがとうございます。")));
        QTest::mouseClick(place(w, 0), Qt::LeftButton);
        QCOMPARE(w.spoken().last(), w.decision(QStringLiteral("ありがとうございます。")));
        QCOMPARE(w.text(), speakOnly ? QString() : QStringLiteral("ありがとうございます。"));
        // After it, the start of a sentence again: the phrase used comes first.
        QTRY_COMPARE(captions(w).first(), QStringLiteral("ありがとうございます。"));
        QCOMPARE(prediction::Usage::readFile(prediction::Usage::defaultPath()).phrases().value(
                     QStringLiteral("ありがとうございます。")),
                 1);
        if (!speakOnly) { // undo takes the phrase away
            w.form->undo();
            QCOMPARE(w.text(), QString());
        }
    }

    // After "ありがとうございました" was written and saved twice, "あり"
    // offers it and one choice completes it, said whole, as if typed.
    void completionOfWhatWasSaved()
    {
        writeSettings(kOn);
        Window w;
        for (int day = 0; day < 2; ++day) {
            w.setText(QString());
            type(w, QStringLiteral("ありがとうございました。"));
            w.form->saveDiary();
        }
        waitForModel(w);
        w.setText(QString());
        type(w, QStringLiteral("あり"));
        QTRY_COMPARE(captions(w).first(), QStringLiteral("ありがとうございました"));
        QTest::mouseClick(place(w, 0), Qt::LeftButton);
        QCOMPARE(w.text(), QStringLiteral("ありがとうございました"));
        QCOMPARE(w.spoken().last(), w.decision(QStringLiteral("ありがとうございました")));
        // A voicing mark now applies to the last kana written, as if typed.
        QCOMPARE(w.form->composer().lastKey, 16); // た
        w.form->undo(); // the snapshot is a whole-text string: it ends with a line break
        QCOMPARE(w.text(), QStringLiteral("あり\n"));
    }

    // With switches the row is a group of its own, first when it pays,
    // named by its first word; its places are offered and pressed as keys.
    void switchScan()
    {
        writeSettings(kOn + QStringLiteral("[入力方法]\r\n番号=4\r\n[スイッチ]\r\n方式=2\r\n受け付けない時間=0\r\n"));
        Window w;
        for (int day = 0; day < 2; ++day) {
            w.setText(QString());
            type(w, QStringLiteral("ありがとうございました。"));
            w.form->saveDiary();
        }
        waitForModel(w);
        w.setText(QString());
        type(w, QStringLiteral("あり"));
        QTRY_COMPARE(captions(w).first(), QStringLiteral("ありがとうございました"));
        w.speech->setEndsAtOnce(true);
        w.speech->finishSpeaking();
        QWindow *window = w.form->windowHandle();
        QTest::keyClick(window, Qt::Key_Space); // the scan starts again: the row first
        const input::ScanOrder &order = w.form->methods().switches().scan().order();
        QCOMPARE(order.front().name, QStringLiteral("ありがとうございました"));
        QCOMPARE(order.front().column, Board::kWordRowFrame);
        QCOMPARE(w.form->board()->columnFrame(), Board::kWordRowFrame);
        QCOMPARE(w.speech->spokenTexts().last(), QStringLiteral("ありがとうございました"));
        QTest::keyClick(window, Qt::Key_Return); // into the row: its first place
        QCOMPARE(w.form->focusWidget(), place(w, 0));
        QTest::keyClick(window, Qt::Key_Return);
        QCOMPARE(w.text(), QStringLiteral("ありがとうございました"));
        // Said whole; then the scan starts again (the board's order here: よむ first).
        QCOMPARE(w.spoken().mid(w.spoken().size() - 2),
                 (QStringList{w.decision(QStringLiteral("ありがとうございました")), QStringLiteral("よむ@1/100")}));
        QVERIFY(w.errors.isEmpty());
    }

    // The arrow keys reach the row from the board's top row and leave it
    // downward; its places are said by their words.
    void arrowKeys()
    {
        writeSettings(kOn);
        Window w;
        QWindow *window = w.form->windowHandle();
        QTest::keyClick(window, Qt::Key_Left); // あ
        QTest::keyClick(window, Qt::Key_Up);
        QCOMPARE(w.form->focusWidget(), place(w, 4)); // the place above あ: つぎ
        QCOMPARE(w.speech->spokenTexts().last(), QStringLiteral("つぎ"));
        QTest::keyClick(window, Qt::Key_Left);
        QCOMPARE(w.form->focusWidget(), place(w, 3));
        QCOMPARE(w.speech->spokenTexts().last(), QStringLiteral("おやすみなさい。"));
        QTest::keyClick(window, Qt::Key_Down);
        QCOMPARE(w.form->focusWidget(), w.key(16)); // た, below it
        QTest::keyClick(window, Qt::Key_Up);
        QCOMPARE(w.form->focusWidget(), place(w, 3));
        QTest::keyClick(window, Qt::Key_Return);
        QCOMPARE(w.text(), QStringLiteral("おやすみなさい。"));
    }

    // The keypad's "*" goes round the places that hold something.
    void keypad()
    {
        writeSettings(QStringLiteral("[入力方法]\r\n番号=3\r\n") + kOn);
        Window w;
        QWindow *window = w.form->windowHandle();
        QTest::keyClick(window, Qt::Key_Asterisk, Qt::KeypadModifier);
        QCOMPARE(w.form->focusWidget(), place(w, 0));
        QTest::keyClick(window, Qt::Key_Asterisk, Qt::KeypadModifier);
        QCOMPARE(w.form->focusWidget(), place(w, 1));
        QTest::keyClick(window, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(w.text(), QStringLiteral("こんにちは。"));
    }

    // The pointer reaches a place by moving over it, and dwell presses it.
    void pointerAndDwell()
    {
        writeSettings(QStringLiteral("[入力方法]\r\n番号=2\r\n[マウス]\r\nとどまる=1\r\n[スイッチ]\r\nとどまる時間=500\r\n")
                      + kOn);
        Window w;
        QSignalSpy pressed(&w.form->methods().pointer(), &input::DwellInput::pressedByDwell);
        QTest::mouseMove(w.form->windowHandle(), place(w, 2)->mapTo(w.form.get(), QPoint(40, 20)));
        QTRY_COMPARE(w.form->focusWidget(), place(w, 2));
        QTRY_COMPARE_WITH_TIMEOUT(pressed.size(), 1, 5000);
        QCOMPARE(pressed.first().first().toInt(), input::kFirstWord + 2);
        QCOMPARE(w.text(), QStringLiteral("こんばんは。"));
    }

    // A phrase file that cannot be used is reported and kept byte for byte;
    // the phrases built in are offered meanwhile; saving from the dialog
    // keeps it under another name.
    void brokenPhraseFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("Shift-JIS bytes") << QByteArray("\x82\xCD\x82\xA2\r\n");
        QTest::newRow("a NUL") << QByteArray("\xE3\x81\x82\0\n", 5);
        QTest::newRow("over 1 MiB") << QByteArray(prediction::kMaxPhraseFileBytes + 1, 'a');
    }
    void brokenPhraseFile()
    {
        QFETCH(QByteArray, bytes);
        writeSettings(kOn);
        put(phrasePath(), bytes);
        Window w;
        QTRY_COMPARE(w.errors.size(), 1);
        QVERIFY(w.errors.first().contains(QStringLiteral("定型文")));
        QCOMPARE(captions(w).first(), QStringLiteral("おはようございます。"));
        QCOMPARE(bytesOf(phrasePath()), bytes);

        const QString kept = prediction::WordRow::keptName(phrasePath());
        w.form->wordRow().savePhrases({{QStringLiteral("はい。"), false}});
        QCOMPARE(bytesOf(kept), bytes);
        QCOMPARE(bytesOf(phrasePath()), QByteArray("はい。\n"));
        QCOMPARE(captions(w).first(), QStringLiteral("はい。"));
        QFile::remove(kept);
    }

    // The dialog: a phrase added, changed, moved and removed with the keys
    // and buttons; saved only when something changed.
    void dialog()
    {
        writeSettings(kOn);
        Window w;
        prediction::PhraseForm &f = *w.form->findChild<prediction::PhraseForm *>();
        QWidget *focused = nullptr;
        int count = 0;
        QTimer::singleShot(0, &f, [&] {
            focused = f.focusWidget();
            count = f.List_box->count();
            QTest::keyClick(f.List_box, Qt::Key_Up, Qt::ControlModifier); // the first line stays first
            f.List_box->setCurrentRow(0);
            f.Text_edit->setText(QStringLiteral("めがねをとってください。"));
            QTest::keyClick(f.Text_edit, Qt::Key_Return); // added after the heading, the dialog stays
            f.List_box->setCurrentRow(2);
            QTest::keyClick(f.List_box, Qt::Key_Delete); // おはようございます。 gone
            f.List_box->setCurrentRow(1);
            QTest::keyClick(f.List_box, Qt::Key_Down, Qt::ControlModifier);
            f.List_box->setCurrentRow(3);
            f.Text_edit->setText(QStringLiteral("みず"));
            f.Heading_check->setChecked(true);
            f.change(); // こんばんは。 becomes a heading "みず"
            QTimer::singleShot(0, f.Ok_btn, &QPushButton::click);
        });
        f.showModal();
        QCOMPARE(focused, f.List_box);
        QCOMPARE(count, 24); // 20 phrases, 4 headings
        const QList<QByteArray> lines = bytesOf(phrasePath()).split('\n');
        QCOMPARE(lines.mid(0, 5), (QList<QByteArray>{"# あいさつ", "こんにちは。", "めがねをとってください。", "# みず",
                                                      "おやすみなさい。"}));
        QCOMPARE(w.errors, QStringList{});
        QCOMPARE(captions(w).first(), QStringLiteral("こんにちは。"));

        // Opened and saved without a change: nothing is written.
        QVERIFY(QFile::remove(phrasePath()));
        QTimer::singleShot(0, f.Ok_btn, &QPushButton::click);
        f.showModal();
        QVERIFY(!QFileInfo::exists(phrasePath()));
    }

    // A phrase file that cannot be written keeps its bytes; the error names
    // it and the dialog stays open with what the helper set.
    void phraseFileNotWritten()
    {
        writeSettings(kOn);
        put(phrasePath(), QByteArray("はい。\n"));
        QFile::setPermissions(phrasePath(), QFile::ReadOwner);
        Window w;
        prediction::PhraseForm &f = *w.form->findChild<prediction::PhraseForm *>();
        bool stillOpen = false;
        QTimer::singleShot(0, &f, [&] {
            f.Text_edit->setText(QStringLiteral("いいえ。"));
            f.add();
            f.Ok_btn->click();
            stillOpen = f.isVisible();
            f.reject();
        });
        f.showModal();
        QVERIFY(stillOpen);
        QCOMPARE(w.errors.size(), 1);
        QVERIFY(w.errors.first().contains(QStringLiteral("定型文.txt")));
        QCOMPARE(bytesOf(phrasePath()), QByteArray("はい。\n"));
        QFile::setPermissions(phrasePath(), QFile::ReadOwner | QFile::WriteOwner);
    }

    // "よそくの学習を忘れる": what was chosen and saved is no longer offered,
    // and the file says so for later starts; owner-only. The audio kept of
    // the user's own texts is forgotten with it.
    void forget()
    {
        writeSettings(kOn);
        Window w;
        type(w, QStringLiteral("ぬこぬこどうが。"));
        w.form->saveDiary();
        waitForModel(w);
        w.setText(QString());
        type(w, QStringLiteral("ぬこ"));
        QTRY_COMPARE(captions(w).first(), QStringLiteral("ぬこぬこどうが"));
        QCOMPARE(w.speech->forgotten(), 0);
        w.form->menus().wordsForget->trigger();
        QCOMPARE(w.notices.last(), QStringLiteral("予測の学習を忘れました"));
        QCOMPARE(w.speech->forgotten(), 1);
        waitForModel(w);
        w.form->wordRow().refresh();
        QVERIFY(!captions(w).contains(QStringLiteral("ぬこぬこどうが")));
        const prediction::Usage u = prediction::Usage::readFile(prediction::Usage::defaultPath());
        QVERIFY(u.forgotten().isValid());
        const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        QCOMPARE(QFile::permissions(prediction::Usage::defaultPath()) & others, QFile::Permissions());
    }

    // "よそくの学習を忘れる" takes what was converted before it out of the
    // row, at this start and at later ones, while conversion itself keeps
    // its order; converted again afterwards, it is offered again.
    void forgetConversions()
    {
        writeSettings(kOn + QStringLiteral("漢字=1\r\n"));
        const auto convertKisha = [](Window &w) {
            type(w, QStringLiteral("きしゃ"));
            QTest::mouseClick(w.key(keys::kBlank1), Qt::LeftButton);
            QTest::mouseClick(w.key(keys::kBlank2), Qt::LeftButton);
        };
        const auto offersKisha = [](Window &w) {
            w.setText(QString());
            type(w, QStringLiteral("きし"));
            QCoreApplication::processEvents();
            w.form->wordRow().refresh();
            return captions(w).contains(QStringLiteral("記者"));
        };
        {
            Window w;
            convertKisha(w);
            QCOMPARE(w.text(), QStringLiteral("記者"));
            QVERIFY(offersKisha(w));
            w.form->menus().wordsForget->trigger();
            QVERIFY(!offersKisha(w));
            QVERIFY(!w.form->kanji().conversionsFrom(u"きし").isEmpty()); // conversion's own history stays
        }
        {
            Window w; // a later start
            QTRY_VERIFY(!w.form->kanji().conversionsFrom(u"きし").isEmpty());
            QVERIFY(!offersKisha(w));
            w.setText(QString());
            convertKisha(w);
            QVERIFY(offersKisha(w));
        }
        Window w; // and what was converted since stays offered
        QTRY_VERIFY(!w.form->kanji().conversionsFrom(u"きし").isEmpty());
        QVERIFY(offersKisha(w));
    }

    // With conversion on, the row offers the kanji words of what is being
    // written as a new user meets them (a history that is damaged or full of
    // garbage changes nothing): said as conversion says its candidates, in
    // the decision voice, named by the word; chosen, the kana go and the
    // word is committed and learnt, and comes first next time. Off, the row
    // holds kana as before.
    void kanjiWords_data()
    {
        QTest::addColumn<bool>("converting");
        QTest::addColumn<QByteArray>("history");
        QTest::newRow("Anthy, a new user") << true << QByteArray();
        QTest::newRow("Anthy, a damaged history") << true << QByteArray("\xff\xfe", 2) + QByteArray(1, '\0') + "\x07\tびょういん\t病\x07院\n\x80\x81";
        QTest::newRow("conversion off") << false << QByteArray();
    }
    void kanjiWords()
    {
        QFETCH(bool, converting);
        QFETCH(QByteArray, history);
        writeSettings(QStringLiteral("[入力方法]\r\n番号=3\r\n") + kOn
                      + (converting ? QStringLiteral("漢字=1\r\nエンジン=Anthy\r\n漢字のよそく=1\r\n") : QString()));
        if (!history.isEmpty()) {
            QDir().mkpath(QFileInfo(kanji::History::defaultPath()).path());
            QFile f(kanji::History::defaultPath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(history);
        }
        Window w;
        type(w, QStringLiteral("びょうい"));
        const QString byoin = QStringLiteral("病院");
        QTRY_VERIFY(captions(w).contains(converting ? byoin : QStringLiteral("びょういんに")));
        if (!converting) {
            for (int i = 0; i < 10; ++i)
                QCoreApplication::processEvents();
            for (const QString &c : captions(w))
                QVERIFY2(!kanji::holdsKanji(c), qPrintable(c));
            return;
        }
        const int at = int(captions(w).indexOf(byoin));
        QCOMPARE(place(w, at)->accessibleName(), byoin);
        QWindow *window = w.form->windowHandle();
        for (int i = 0; i <= at; ++i)
            QTest::keyClick(window, Qt::Key_Asterisk, Qt::KeypadModifier);
        QCOMPARE(w.form->focusWidget(), place(w, at));
        const QString said = w.spoken().last();
        const QString voice = w.decision(QString());
        QVERIFY2(said.startsWith(QStringLiteral("びょういん、")) && said.endsWith(voice) && said.size() > 12,
                 qPrintable(said));
        QTest::keyClick(window, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(w.text(), byoin);
        QVERIFY(w.form->kanji().conversionsFrom(u"びょうい").contains(std::pair(QStringLiteral("びょういん"), byoin)));
        type(w, QStringLiteral("。びょうい"));
        QTRY_COMPARE(captions(w).first(), byoin);
        for (const QString &c : captions(w))
            for (const QChar ch : c)
                QVERIFY2(ch.unicode() >= 0x20 && ch.category() != QChar::Other_Format, qPrintable(c));
    }

    // The conversion keys the scan is told of as the user writes: "へんかん"
    // once a run of kana may end a phrase, "かくてい" first while candidates
    // are shown, nothing once committed; none with "漢字のよそく" off.
    void conversionKeysForTheScan_data()
    {
        QTest::addColumn<bool>("offered");
        QTest::newRow("漢字のよそく on") << true;
        QTest::newRow("漢字のよそく off") << false;
    }
    void conversionKeysForTheScan()
    {
        QFETCH(bool, offered);
        writeSettings(kOn + QStringLiteral("漢字=1\r\nエンジン=Anthy\r\n漢字のよそく=%1\r\n").arg(offered ? 1 : 0));
        Window w;
        const auto odds = [&w] {
            QStringList out;
            for (const prediction::RankedKey &k : w.form->wordRow().conversionKeys(0.5))
                out << (k.tag == keys::kBlank1 ? QStringLiteral("へんかん") : QStringLiteral("かくてい"));
            return out;
        };
        const auto when = [offered](const QStringList &keys) { return offered ? keys : QStringList(); };
        QCOMPARE(odds(), QStringList());
        type(w, QStringLiteral("きょうは"));
        QCOMPARE(odds(), when({QStringLiteral("へんかん")}));
        QTest::mouseClick(w.key(keys::kBlank1), Qt::LeftButton);
        QCOMPARE(odds(), when({QStringLiteral("へんかん"), QStringLiteral("かくてい")}));
        const std::vector<prediction::RankedKey> shown = w.form->wordRow().conversionKeys(0.5);
        if (offered)
            QVERIFY(shown[1].probability > shown[0].probability); // かくてい the likelier
        QTest::mouseClick(w.key(keys::kBlank2), Qt::LeftButton);
        QCOMPARE(w.text(), QStringLiteral("今日は"));
        QCOMPARE(odds(), QStringList());
    }

    // With conversion on, a committed conversion comes back with its kanji
    // and is written as one, read aloud by its kana where the voice needs it.
    void conversionCompleted()
    {
        writeSettings(kOn + QStringLiteral("漢字=1\r\n"));
        Window w;
        type(w, QStringLiteral("きしゃ"));
        QTest::mouseClick(w.key(keys::kBlank1), Qt::LeftButton);
        QTest::mouseClick(w.key(keys::kBlank2), Qt::LeftButton);
        QCOMPARE(w.text(), QStringLiteral("記者"));
        type(w, QStringLiteral("。きし"));
        QTRY_VERIFY(captions(w).contains(QStringLiteral("記者")));
        // A settings file that had conversion before the kanji words: the place says its word, as before.
        const int at = int(captions(w).indexOf(QStringLiteral("記者")));
        QCOMPARE(w.form->wordRow().spokenName(at), QStringLiteral("記者"));
        QCOMPARE(w.form->wordRow().nameRole(at), speech::Role::Selection);
        QTest::mouseClick(place(w, int(captions(w).indexOf(QStringLiteral("記者")))), Qt::LeftButton);
        QCOMPARE(w.text(), QStringLiteral("記者。記者"));
        QCOMPARE(w.spoken().last(), w.decision(QStringLiteral("記者")));
    }
};

QTEST_MAIN(TestWordRow)
#include "tst_wordrow.moc"
