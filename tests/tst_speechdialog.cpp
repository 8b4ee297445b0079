// The voice settings dialog: its layout, the Japanese voices it lists, what
// it preselects from the settings file, and what OK and ESC change.
#include "speech/soundform.h"
#include "speechwindow.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

using namespace speechtest;

namespace {

QList<RecordingSpeech::Mode> modes(const QList<int> &languages)
{
    QList<RecordingSpeech::Mode> m;
    for (int l : languages)
        m.append({l, QStringLiteral("声%1").arg(m.size() + 1)});
    return m;
}

QStringList lines(const QListWidget *list)
{
    QStringList t;
    for (int i = 0; i < list->count(); ++i)
        t << list->item(i)->text();
    return t;
}

QWidget *nextTabStop(QWidget *w)
{
    do
        w = w->nextInFocusChain();
    while (!(w->focusPolicy() & Qt::TabFocus));
    return w;
}

void writeVoices(int selection, int decision)
{
    const ProfileFile ini(settingsPath());
    ini.write(settings::IntKey{QStringLiteral("音声"), QStringLiteral("男性"), 0}, selection);
    ini.write(settings::IntKey{QStringLiteral("音声"), QStringLiteral("女性"), 0}, decision);
}

} // namespace

class TestSpeechDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { removeSettings(); }
    void cleanupTestCase() { removeSettings(); }

    void layoutAsDesigned()
    {
        SpeechWindow w;
        TSound_form *d = w.form->findChild<TSound_form *>();
        QVERIFY(d && !d->isVisible());
        QCOMPARE(d->windowTitle(), QStringLiteral("音声設定"));
        QCOMPARE(d->size(), QSize(311, 407));
        QVERIFY(!(d->windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(d->Select_lbl->text(), QStringLiteral("選択時の音声"));
        QCOMPARE(d->Enter_lbl->text(), QStringLiteral("決定時の音声"));
        QCOMPARE(d->Ok_btn->text(), QStringLiteral("ＯＫ"));
        QCOMPARE(d->Esc_btn->text(), QStringLiteral("ＥＳＣ"));
        QCOMPARE(d->Selct_list->geometry(), QRect(24, 36, 265, 133));
        QCOMPARE(d->Enter_list->geometry(), QRect(24, 204, 265, 133));
        QCOMPARE(d->Ok_btn->geometry(), QRect(19, 348, 109, 49));
        QCOMPARE(d->Esc_btn->geometry(), QRect(168, 346, 109, 49));
        QVERIFY(d->Ok_btn->isDefault());
        QVERIFY(d->Select_lbl->font().bold());
        QCOMPARE(d->Select_lbl->font().pixelSize(), 19);
        QCOMPARE(nextTabStop(d->Selct_list), d->Enter_list);
        QCOMPARE(nextTabStop(d->Enter_list), d->Ok_btn);
        QCOMPARE(nextTabStop(d->Ok_btn), d->Esc_btn);
    }

    void listsAndPreselection_data()
    {
        QTest::addColumn<QList<int>>("languages");
        QTest::addColumn<QList<int>>("stored"); // empty: no settings file
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("selectedLine");
        QTest::addColumn<int>("enterLine");
        QTest::newRow("fresh install: mode 1 preselected in both")
            << QList<int>{1041, 1041} << QList<int>{} << QStringList{"1) 声1", "2) 声2"} << 0 << 0;
        QTest::newRow("English mode 1, Japanese 2 and 3: lines keep mode numbers")
            << QList<int>{1033, 1041, 1041} << QList<int>{} << QStringList{"2) 声2", "3) 声3"} << -1 << -1;
        QTest::newRow("2065 listed, 3089 not") << QList<int>{3089, 2065, 1041} << QList<int>{2, 3}
                                               << QStringList{"2) 声2", "3) 声3"} << 0 << 1;
        QTest::newRow("stored number of no listed mode selects nothing")
            << QList<int>{1041, 1033} << QList<int>{2, 7} << QStringList{"1) 声1"} << -1 << -1;
        QTest::newRow("no Japanese mode: empty lists") << QList<int>{1033} << QList<int>{1, 1} << QStringList{} << -1
                                                       << -1;
    }
    void listsAndPreselection()
    {
        QFETCH(QList<int>, languages);
        QFETCH(QList<int>, stored);
        QFETCH(QStringList, expected);
        QFETCH(int, selectedLine);
        QFETCH(int, enterLine);
        SpeechWindow w(modes(languages));
        if (!stored.isEmpty())
            writeVoices(stored[0], stored[1]);
        TSound_form *d = w.form->findChild<TSound_form *>();
        d->fillLists();
        d->fillLists(); // rebuilt, not added to, at every opening
        QCOMPARE(lines(d->Selct_list), expected);
        QCOMPARE(lines(d->Enter_list), expected);
        QCOMPARE(d->Selct_list->selectedItems().isEmpty() ? -1 : d->Selct_list->currentRow(), selectedLine);
        QCOMPARE(d->Enter_list->selectedItems().isEmpty() ? -1 : d->Enter_list->currentRow(), enterLine);
    }

    void okAppliesChosenLinesAndWritesBoth()
    {
        SpeechWindow w(modes({1033, 1041, 1041}));
        TSound_form *d = w.form->findChild<TSound_form *>();
        d->fillLists();
        d->Selct_list->setCurrentRow(0);
        d->Enter_list->setCurrentRow(1);
        d->Ok_btn->click();
        QCOMPARE(w.form->voices().voice(speech::Role::Selection), 2);
        QCOMPARE(w.form->voices().voice(speech::Role::Decision), 3);
        QCOMPARE(w.form->findChild<TSound_form *>()->Voice_table().value(1), 2);
        QCOMPARE(w.form->findChild<TSound_form *>()->Voice_table().value(2), 3);
        const ProfileFile ini(settingsPath());
        QCOMPARE(ini.read(settings::IntKey{QStringLiteral("音声"), QStringLiteral("男性"), 0}), 2);
        QCOMPARE(ini.read(settings::IntKey{QStringLiteral("音声"), QStringLiteral("女性"), 0}), 3);
        QVERIFY(w.errors.isEmpty());
        // The next text is spoken in the new voice.
        w.key(1)->setFocus(Qt::TabFocusReason);
        QCOMPARE(w.speech->events().last().mode, 2);
    }

    void okWithoutChoiceStoresTheVoicesInUse()
    {
        // Start-up uses 2 as the decision voice; the dialog preselects
        // mode 1 in both lists, so OK untouched stores 1 for both.
        SpeechWindow w(modes({1041, 1041}));
        QCOMPARE(w.form->voices().voice(speech::Role::Decision), 2);
        w.form->findChild<TSound_form *>()->fillLists();
        w.form->findChild<TSound_form *>()->Ok_btn->click();
        QCOMPARE(w.form->voices().voice(speech::Role::Selection), 1);
        QCOMPARE(w.form->voices().voice(speech::Role::Decision), 1);
        // A list without a chosen line keeps its voice, and both are written.
        SpeechWindow english(modes({1033}));
        english.form->voices().setVoice(speech::Role::Decision, 5);
        english.form->findChild<TSound_form *>()->fillLists();
        english.form->findChild<TSound_form *>()->Ok_btn->click();
        QCOMPARE(english.form->voices().voice(speech::Role::Decision), 5);
        QCOMPARE(ProfileFile(settingsPath()).read(settings::IntKey{QStringLiteral("音声"), QStringLiteral("女性"), 0}), 5);
    }

    void escChangesNothing()
    {
        SpeechWindow w(modes({1041, 1041, 1041}));
        const QByteArray before = settingsBytes();
        w.form->findChild<TSound_form *>()->fillLists();
        w.form->findChild<TSound_form *>()->Selct_list->setCurrentRow(2);
        w.form->findChild<TSound_form *>()->Esc_btn->click();
        QCOMPARE(settingsBytes(), before);
        QCOMPARE(w.form->voices().voice(speech::Role::Selection), 1);
        QCOMPARE(w.form->voices().voice(speech::Role::Decision), 2);
    }

    void modalDialogKeepsItsArrowKeysAndIgnoresEscape()
    {
        SpeechWindow w(modes({1041, 1041, 1041}));
        TSound_form *d = w.form->findChild<TSound_form *>();
        bool stillOpenAfterEscape = false;
        int rowAfterDown = -1;
        QTimer::singleShot(0, d, [&] {
            QTRY_VERIFY(d->isVisible());
            QTest::keyClick(d->Selct_list, Qt::Key_Down);
            rowAfterDown = d->Selct_list->currentRow();
            QTest::keyClick(d->Selct_list, Qt::Key_Escape);
            stillOpenAfterEscape = d->isVisible();
            QTest::keyClick(d->Selct_list, Qt::Key_Return); // the default button
        });
        w.form->menus().voiceSettings->trigger();
        QVERIFY(!d->isVisible());
        QVERIFY(stillOpenAfterEscape);
        QCOMPARE(rowAfterDown, 1);
        QCOMPARE(w.form->voices().voice(speech::Role::Selection), 2);
        // The dialog speaks nothing.
        QCOMPARE(w.speech->spokenTexts(), QStringList{QStringLiteral("もじぽっと帳にようこそ")});
    }

    void voiceTableGrowsPastFifty()
    {
        SpeechWindow w(modes(QList<int>(60, 1041)));
        TSound_form *d = w.form->findChild<TSound_form *>();
        d->fillLists();
        QCOMPARE(d->Selct_list->count(), 60);
        d->Selct_list->setCurrentRow(54);
        d->Enter_list->setCurrentRow(59);
        d->Ok_btn->click();
        QCOMPARE(w.form->voices().voice(speech::Role::Selection), 55);
        QCOMPARE(w.form->voices().voice(speech::Role::Decision), 60);
    }

    void failedWriteKeepsTheNewVoicesInUse()
    {
        SpeechWindow w(modes({1041, 1041}));
        QFile::setPermissions(settingsPath(), QFile::ReadOwner);
        TSound_form *d = w.form->findChild<TSound_form *>();
        d->fillLists();
        d->Enter_list->setCurrentRow(0);
        d->Ok_btn->click();
        QCOMPARE(w.form->voices().voice(speech::Role::Decision), 1);
        QCOMPARE(w.errors.size(), 1);
        QVERIFY(w.errors[0].contains(QStringLiteral("に書き込めません")));
    }

    void engineErrorEndsTheOpeningBeforeShowing()
    {
        SpeechWindow w(modes({1041}));
        w.speech->failNames = true;
        w.form->menus().voiceSettings->trigger();
        QVERIFY(!w.form->findChild<TSound_form *>()->isVisible());
        QCOMPARE(w.errors, QStringList{boxes::errorText(QStringLiteral("音声エンジンのエラー"))});
    }
};

QTEST_MAIN(TestSpeechDialog)
#include "tst_speechdialog.moc"
