// Conversion on the window as a user does it: kana keys, "へんかん" and
// "かくてい" clicked on the board, "けす", a kana key committing, learning;
// then "しまう", and the diary's bytes checked.
#include "diarywindow.h"

#include "kanji/kanjiwriting.h"

#include <QTemporaryDir>

using namespace testwin;

namespace {

// Keys by what they show: kana by caption, "変" へんかん, "確" かくてい,
// "×" けす, "↵" ぎょう; "開" opens a Shift-JIS file holding いぬ.
int tagFor(QChar c)
{
    if (c == u'変')
        return keys::kBlank1;
    if (c == u'確')
        return keys::kBlank2;
    if (c == u'×')
        return keys::kDelete;
    if (c == u'↵')
        return keys::kNewLine;
    for (const KeySpec &k : keys::table())
        if (k.caption == QString(c))
            return k.tag;
    qFatal("no key for %s", qPrintable(QString(c)));
}

// The settings file as a table gives it ("-": none).
void useSettings(const QString &settings)
{
    if (settings == u"-")
        removeSettings();
    else
        writeSettings(settings);
}

// The value of a key of "文字" in the settings file ("-": none).
QString storedIn(const QString &key)
{
    const QRegularExpressionMatch m = QRegularExpression(key + QStringLiteral("=([^\r]*)")).match(settingsText());
    return m.hasMatch() ? m.captured(1) : QStringLiteral("-");
}

void click(Window &w, const QString &presses)
{
    for (QChar c : presses) {
        if (c == u'開') {
            const QString path = QDir(w.base()).filePath(QStringLiteral("いぬ.txt"));
            put(path, sjis::encode(QStringLiteral("いぬ")));
            w.dialogs.answer = path;
            w.form->openFile(); // the insertion point stays at the start
            continue;
        }
        if (c == u'看') { // 看護師 chosen from the row's kanji words
            const int at = w.form->display().textCursor().position();
            w.form->kanji().setWordsOffered(true);
            w.form->kanji().putConverted(at, at, QStringLiteral("看護師"), QStringLiteral("かんごし"));
            continue;
        }
        QTest::mouseClick(w.key(tagFor(c)), Qt::LeftButton);
    }
}

} // namespace

class TestKanjiWriting : public QObject
{
    Q_OBJECT

    QTemporaryDir m_data; // the user's data folder: the learning history

private slots:
    void initTestCase()
    {
        fonts::installSubstitutions();
        qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
        // Mozc's helper missing: the window's suite converts with Anthy
        // wherever it runs (Mozc on the window: the scenarios).
        qputenv("MOJIPOT_MOZC_HELPER", "/nonexistent/mozc_emacs_helper");
    }
    void init() { QFile::remove(kanji::History::defaultPath()); }
    void cleanupTestCase() { removeSettings(); }

    // Presses with the option on; the diary saved; what was last said.
    void convertAndSave_data()
    {
        QTest::addColumn<QString>("presses");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("lastSaid");
        QTest::newRow("first candidate committed") << "きしゃ変確" << "記者" << "かくていしました";
        QTest::newRow("first candidate said with its description")
            << "きしゃ変" << "記者" << "きしゃ、しるす き、もの しゃ";
        QTest::newRow("next candidate") << "きしゃ変変確" << "汽車" << "かくていしました";
        QTest::newRow("next candidate said") << "きしゃ変変" << "汽車" << "きしゃ、じょうきの き、くるま しゃ";
        QTest::newRow("けす gives back the hiragana") << "きしゃ変変×" << "きしゃ" << "きしゃ";
        QTest::newRow("a kana key commits and enters") << "きしゃ変変に" << "汽車に" << "に";
        QTest::newRow("phrase by phrase") << "きょうはいいてんき変変確確確" << "今日はいい天気" << "かくていしました";
        QTest::newRow("second phrase said after the first is committed")
            << "きょうはいいてんき変変確" << "今日はいい天気" << "いい、ひらがな";
        QTest::newRow("run starts after committed text") << "きしゃ変確きしゃ変変確" << "記者汽車" << "かくていしました";
        QTest::newRow("run starts at the line") << "き↵しゃ変確" << "き\r\n者" << "かくていしました";
        QTest::newRow("chosen candidate comes first next time") << "きしゃ変変確↵きしゃ変確" << "汽車\r\n汽車"
                                                               << "かくていしました";
        QTest::newRow("nothing to convert") << "↵変" << "\r\n" << "へんかんする もじが ありません";
        QTest::newRow("written before an opened text: the run follows the text")
            << "開きしゃ変確きしゃ変確" << "記者記者いぬ" << "かくていしました";
        QTest::newRow("nothing to commit") << "あ確" << "あ" << "かくていする もじが ありません";
        QTest::newRow("kana after a word of the row: shown as written first")
            << "看さんか゛変" << "看護師さんが" << "さんが、ひらがな";
        QTest::newRow("kana after a word of the row: the engine's next")
            << "看さんか゛変変確" << "看護師三が" << "かくていしました";
        QTest::newRow("kana after a word of the row, then the next phrase")
            << "看さんか゛きました変確変" << "看護師さんが来ました" << "きました、くる らい";
        QTest::newRow("a run after the word's run: the engine's first")
            << "看さんか゛変確さんか゛変確" << "看護師さんが三が" << "かくていしました";
    }
    void convertAndSave()
    {
        QFETCH(QString, presses);
        QFETCH(QString, saved);
        QFETCH(QString, lastSaid);
        writeSettings(QStringLiteral("[文字]\r\n漢字=1\r\n"));
        Window w;
        QCOMPARE(w.key(keys::kBlank1)->text(), QStringLiteral("へんかん"));
        QCOMPARE(w.key(keys::kBlank2)->text(), QStringLiteral("かくてい"));
        click(w, presses);
        // A candidate is said in two parts: its reading, then the description.
        const QStringList said = w.speech->spokenTexts();
        const qsizetype parts = lastSaid.contains(u'、') ? 2 : 1;
        QCOMPARE(said.mid(said.size() - parts).join(u'、'), lastSaid);
        QCOMPARE(w.speech->events().last().mode, w.form->voices().voice(speech::Role::Decision));
        QTest::mouseClick(w.key(keys::kSave), Qt::LeftButton);
        QCOMPARE(bytesOf(w.dated()), sjis::encode(saved));
    }

    // With the option off the blank keys stay blank and do nothing; switched
    // on from the menu they convert, and the choice is stored.
    void optionFromMenu()
    {
        removeSettings();
        Window w;
        QVERIFY(w.key(keys::kBlank1)->text().isEmpty());
        click(w, QStringLiteral("きしゃ変確"));
        QCOMPARE(w.text(), QStringLiteral("きしゃ"));
        QStringList decided; // the blank keys' presses say nothing
        for (const auto &e : w.speech->events())
            if (e.kind == RecordingSpeech::Event::Speak && e.mode == w.form->voices().voice(speech::Role::Decision))
                decided << e.text;
        QCOMPARE(decided, (QStringList{"き", "し", "ゃ"}));
        w.form->menus().kanji->trigger();
        QVERIFY(settingsText().contains(QStringLiteral("漢字=1")));
        for (const int tag : {keys::kBlank1, keys::kBlank2}) { // the caption fits its key
            const KeyButton *key = w.key(tag);
            QVERIFY(key->fontMetrics().horizontalAdvance(key->text()) < key->width());
        }
        QTest::mouseClick(w.key(keys::kDelete), Qt::LeftButton); // moves nothing: a plain delete
        click(w, QStringLiteral("ゃ変確"));
        QCOMPARE(w.text(), QStringLiteral("記者"));
        w.form->menus().kanji->trigger();
        QVERIFY(w.key(keys::kBlank2)->text().isEmpty());
        QVERIFY(settingsText().contains(QStringLiteral("漢字=0")));
    }

    // The engine: the settings file at start ("-": none), a menu item chosen
    // ("toggle": 漢字変換), the engine then in the file ("-": none), the item
    // checked, the notice shown. With conversion on, it converts all the same.
    void engineSettings_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("checked");
        QTest::addColumn<QString>("notice");
        QTest::newRow("conversion on before the choice: Anthy, recorded")
            << "[文字]\r\n漢字=1\r\n" << "" << "Anthy" << "Anthy" << "";
        QTest::newRow("conversion off before the choice: Anthy, recorded")
            << "[文字]\r\n漢字=0\r\n" << "" << "Anthy" << "Anthy" << "";
        QTest::newRow("first start: nothing recorded") << "-" << "" << "-" << "自動" << "";
        QTest::newRow("switched on for the first time: automatic, recorded") << "-" << "toggle" << "自動" << "自動"
                                                                            << "";
        QTest::newRow("switched on again: the choice stays")
            << "[文字]\r\n漢字=0\r\nエンジン=Mozc\r\n" << "toggle" << "Mozc" << "Mozc" << "";
        QTest::newRow("automatic chosen") << "[文字]\r\n漢字=1\r\n" << "自動" << "自動" << "自動" << "";
        QTest::newRow("Mozc chosen where its helper is missing: told, Anthy converts")
            << "[文字]\r\n漢字=1\r\n" << "Mozc" << "Mozc" << "Mozc"
            << "mozc_emacs_helper がありません（パッケージ emacs-mozc-bin）。Mozc は使えないので、Anthy で変換します。";
        QTest::newRow("not understood: left in the file, Anthy")
            << "[文字]\r\n漢字=1\r\nエンジン=かな\r\n" << "" << "かな" << "Anthy" << "";
    }
    void engineSettings()
    {
        QFETCH(QString, settings);
        QFETCH(QString, chosen);
        QFETCH(QString, stored);
        QFETCH(QString, checked);
        QFETCH(QString, notice);
        useSettings(settings);
        Window w;
        const MenuItems &m = w.form->menus();
        for (QAction *item : {m.kanji, m.anthy, m.mozc, m.automatic})
            if (item->text() == chosen || (chosen == u"toggle" && item == m.kanji))
                item->trigger();
        QCOMPARE(storedIn(QStringLiteral("エンジン")), stored);
        QStringList ticked;
        for (QAction *item : m.engines->actions())
            if (item->isChecked())
                ticked << item->text();
        QCOMPARE(ticked, QStringList{checked});
        QCOMPARE(w.notices, notice.isEmpty() ? QStringList() : QStringList{notice});
        if (m.kanji->isChecked()) {
            click(w, QStringLiteral("きしゃ変確"));
            QCOMPARE(w.text(), QStringLiteral("記者"));
        }
    }

    // "漢字のよそく": the settings file at start ("-": none), a menu item
    // chosen ("toggle": 漢字変換, "words": 漢字のよそく), the value then in the
    // file ("-": none), the item ticked; with it off conversion gives the row
    // no kanji words.
    void wordsSetting_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("ticked");
        QTest::newRow("first start: on, nothing recorded") << "-" << "" << "-" << true;
        QTest::newRow("conversion switched on for the first time: on, recorded") << "-" << "toggle" << "1" << true;
        QTest::newRow("conversion on before the choice: off, recorded") << "[文字]\r\n漢字=1\r\n" << "" << "0" << false;
        QTest::newRow("conversion off before the choice: off, recorded") << "[文字]\r\n漢字=0\r\n" << "" << "0" << false;
        QTest::newRow("as the file says") << "[文字]\r\n漢字=1\r\n漢字のよそく=1\r\n" << "" << "1" << true;
        QTest::newRow("the menu item switches it off, stored")
            << "[文字]\r\n漢字=1\r\n漢字のよそく=1\r\n" << "words" << "0" << false;
        QTest::newRow("the menu item switches it on, stored") << "[文字]\r\n漢字=1\r\n" << "words" << "1" << true;
    }
    void wordsSetting()
    {
        QFETCH(QString, settings);
        QFETCH(QString, chosen);
        QFETCH(QString, stored);
        QFETCH(bool, ticked);
        useSettings(settings);
        Window w;
        const MenuItems &m = w.form->menus();
        if (chosen == u"toggle")
            m.kanji->trigger();
        if (chosen == u"words")
            m.kanjiWords->trigger();
        QCOMPARE(storedIn(QStringLiteral("漢字のよそく")), stored);
        QCOMPARE(m.kanjiWords->isChecked(), ticked);
        if (m.kanji->isChecked())
            QCOMPARE(w.form->kanji().wordForms(QStringLiteral("びょういんに"), true)->isEmpty(), !ticked);
    }

    // Where the user converts is learnt and kept in the settings file while
    // "漢字のよそく" is on: read at start (a value edited into nonsense counts
    // as nothing), counted as they convert; the odds the scan is told follow.
    void oddsLearnt_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("presses");
        QTest::addColumn<QString>("stored");  // 変換した/候補で確定 afterwards ("-": none)
        QTest::addColumn<QString>("commit");  // the odds of かくてい with candidates shown, against a new user's
        const QString on = QStringLiteral("[文字]\r\n漢字=1\r\nエンジン=Anthy\r\n漢字のよそく=1\r\n");
        QTest::newRow("nothing learnt: a new user's odds") << on << "" << "-/-" << "=";
        QTest::newRow("learnt before: kept") << on + "候補で確定=100\r\n次の候補=2\r\n" << "" << "-/100" << "+";
        QTest::newRow("edited by hand: nothing learnt") << on + "候補で確定=-5\r\n次の候補=x\r\n" << "" << "-/-5" << "=";
        QTest::newRow("converted and taken: counted, stored") << on << "きしゃ変確" << "1/1" << "+";
        QTest::newRow("漢字のよそく off: nothing learnt")
            << "[文字]\r\n漢字=1\r\nエンジン=Anthy\r\n漢字のよそく=0\r\n" << "きしゃ変確" << "-/-" << "0";
    }
    void oddsLearnt()
    {
        QFETCH(QString, settings);
        QFETCH(QString, presses);
        QFETCH(QString, stored);
        QFETCH(QString, commit);
        useSettings(settings);
        Window w;
        click(w, presses);
        QCOMPARE(storedIn(QStringLiteral("変換した")) + u'/' + storedIn(QStringLiteral("候補で確定")), stored);
        click(w, QStringLiteral("きしゃ変"));
        const double got = w.form->kanji().conversionOdds(0.5).commit;
        const double fresh = kanji::ConversionOdds().at(true, 0, 0.5).commit;
        QCOMPARE(got == 0 ? QStringLiteral("0") : got > fresh ? QStringLiteral("+") : got < fresh ? QStringLiteral("-") : QStringLiteral("="),
                 commit);
    }

    // Reading aloud: Open JTalk reads the kanji; an eSpeak NG decision voice
    // reads the hiragana the user wrote.
    void readAloud_data()
    {
        QTest::addColumn<QString>("decisionVoice");
        QTest::addColumn<QString>("read");
        QTest::newRow("Open JTalk") << "Open JTalk\u3000nitech（ふつう）" << "記者に会った\n";
        QTest::newRow("eSpeak NG") << "eSpeak NG\u3000日本語（女性）" << "きしゃに会った";
    }
    void readAloud()
    {
        QFETCH(QString, decisionVoice);
        QFETCH(QString, read);
        writeSettings(QStringLiteral("[文字]\r\n漢字=1\r\n"));
        auto *speech = new RecordingSpeech({{1041, QStringLiteral("記録")}, {1041, decisionVoice}});
        TMain_form form(speech);
        for (QChar c : QStringLiteral("きしゃ変確に"))
            QTest::mouseClick(form.key(tagFor(c)), Qt::LeftButton);
        form.display().textCursor().insertText(QStringLiteral("会った")); // text of another kind stays as it is
        form.readAloud();
        QCOMPARE(speech->spokenTexts().last(), read);
    }

    // Forgetting what was learnt: the history file goes, the engine's order
    // comes back.
    void forget()
    {
        writeSettings(QStringLiteral("[文字]\r\n漢字=1\r\n"));
        Window w;
        click(w, QStringLiteral("きしゃ変変確"));
        QTRY_VERIFY(QFile::exists(kanji::History::defaultPath())); // written once the file has been read
        QVERIFY(!kanji::History::defaultPath().startsWith(w.base()));
        w.form->menus().kanjiForget->trigger();
        QVERIFY(!QFile::exists(kanji::History::defaultPath()));
        QCOMPARE(w.notices, QStringList{QStringLiteral("変換の学習を忘れました")});
        click(w, QStringLiteral("↵きしゃ変確"));
        QCOMPARE(w.text(), QStringLiteral("汽車\n記者"));
    }
};

QTEST_MAIN(TestKanjiWriting)
#include "tst_kanjiwriting.moc"
