// The menu "練習モード(&T)": which keys each level shows, where the focus goes
// when its key disappears, and that nothing is kept for the next start.
#include "diarywindow.h"

using namespace testwin;

namespace {

// The Tags of the hidden keys, as "6-55" ranges.
QString hiddenKeys(const TMain_form &f)
{
    QStringList ranges;
    int from = -1;
    for (int t = 0; t <= keys::kCount; ++t) {
        const bool hidden = t < keys::kCount && f.key(t)->isHidden();
        if (hidden && from < 0)
            from = t;
        if (!hidden && from >= 0) {
            ranges << (from == t - 1 ? QString::number(from) : QStringLiteral("%1-%2").arg(from).arg(t - 1));
            from = -1;
        }
    }
    return ranges.join(u',');
}

QString checkedLevel(const TMain_form &f)
{
    for (QAction *a : {f.menus().practiceA, f.menus().practiceAToKa, f.menus().practiceAToSa, f.menus().practiceAToNa, f.menus().practiceAll})
        if (a->isChecked())
            return a->text();
    return {};
}

} // namespace

class TestPracticeMode : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { fonts::installSubstitutions(); }
    void init() { removeSettings(); }
    void cleanupTestCase() { removeSettings(); }

    void levels_data()
    {
        QTest::addColumn<QStringList>("chosen"); // items chosen in order
        QTest::addColumn<QString>("hidden");
        QTest::addColumn<QString>("checked");
        QTest::newRow("あ行") << QStringList{"practiceA"} << "6-55" << "あ行";
        QTest::newRow("あ・か行") << QStringList{"practiceAToKa"} << "11-55" << "あ・か行";
        QTest::newRow("あ・か・さ行") << QStringList{"practiceAToSa"} << "16-55" << "あ・か・さ行";
        QTest::newRow("あ・か・さ・た・な行") << QStringList{"practiceAToNa"} << "26-55" << "あ・か・さ・た・な行";
        QTest::newRow("制限なし") << QStringList{"practiceAll"} << "" << "制限なし";
        QTest::newRow("あ・か行 then 制限なし") << QStringList{"practiceAToKa", "practiceAll"} << "" << "制限なし";
        QTest::newRow("あ行 then あ to な") << QStringList{"practiceA", "practiceAToNa"} << "26-55" << "あ・か・さ・た・な行";
        QTest::newRow("あ to な then あ・か行") << QStringList{"practiceAToNa", "practiceAToKa"} << "11-55" << "あ・か行";
    }
    void levels()
    {
        QFETCH(QStringList, chosen);
        QFETCH(QString, hidden);
        QFETCH(QString, checked);
        Window w;
        const QString settingsBefore = settingsText();
        const QList<QRect> places = [&] {
            QList<QRect> r;
            for (KeyButton *k : w.form->board()->keys())
                r << k->geometry();
            return r;
        }();
        for (const QString &item : chosen)
            w.form->findChild<QAction *>(item)->trigger();

        QCOMPARE(hiddenKeys(*w.form), hidden);
        QCOMPARE(checkedLevel(*w.form), checked);
        for (int t = 0; t < keys::kCount; ++t) {
            QVERIFY(w.key(t)->isEnabled());
            QCOMPARE(w.key(t)->geometry(), places[t]);
        }
        QCOMPARE(settingsText(), settingsBefore);
        QVERIFY(w.speech->events().isEmpty()); // "よむ" keeps the focus
    }

    void focusOnAHiddenKey_data()
    {
        QTest::addColumn<int>("focused");
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("focusAfter");
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<int>("scanBefore"); // -1: the walk put the focus there
        QTest::addColumn<int>("scanAfter");
        QTest::newRow("ね to え") << 24 << "practiceA" << 4 << QStringList{"え"} << -1 << 4;
        QTest::newRow("ゃ to い") << 52 << "practiceAToNa" << 2 << QStringList{"い"} << -1 << 2;
        QTest::newRow("ー to お") << 55 << "practiceAToSa" << 5 << QStringList{"お"} << -1 << 5;
        QTest::newRow("shown kana stays") << 13 << "practiceAToSa" << 13 << QStringList{} << -1 << 13;
        QTest::newRow("command key stays") << 63 << "practiceA" << 63 << QStringList{} << -1 << 63;
        QTest::newRow("よむ stays") << 0 << "practiceA" << 0 << QStringList{} << -1 << 0;
        QTest::newRow("focus put on ね by the pointer: the walk stays at う")
            << 24 << "practiceA" << 4 << QStringList{"え"} << 3 << 3;
    }
    void focusOnAHiddenKey()
    {
        QFETCH(int, focused);
        QFETCH(QString, item);
        QFETCH(int, focusAfter);
        QFETCH(QStringList, said);
        QFETCH(int, scanBefore);
        QFETCH(int, scanAfter);
        Window w;
        w.key(focused)->setFocus();
        w.form->methods().walkFrom(scanBefore < 0 ? focused : scanBefore);
        w.speech->clear();

        w.form->findChild<QAction *>(item)->trigger();

        QCOMPARE(QApplication::focusWidget(), w.key(focusAfter));
        QCOMPARE(w.form->methods().scanPos(), scanAfter);
        QCOMPARE(w.speech->spokenTexts(), said);
        QCOMPARE(w.form->board()->lastFramed(), focusAfter);
    }

    void nextStartIsComplete()
    {
        {
            Window first;
            first.form->menus().practiceA->trigger();
        }
        Window next;
        QCOMPARE(hiddenKeys(*next.form), QString());
        QCOMPARE(checkedLevel(*next.form), QStringLiteral("制限なし"));
    }
};

QTEST_MAIN(TestPracticeMode)
#include "tst_practicemode.moc"
