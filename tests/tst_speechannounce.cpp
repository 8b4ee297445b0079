// What the user hears as keys are reached and the text is read aloud: the
// greeting once, every key's reading in the selection voice after a stop,
// reading aloud in the decision voice queued behind the announcement.
#include "base/textdisplay.h"
#include "speechwindow.h"

#include <QSignalSpy>

using namespace speechtest;
using Event = RecordingSpeech::Event;

class TestSpeechAnnounce : public QObject
{
    Q_OBJECT

private slots:
    void init() { removeSettings(); }
    void cleanupTestCase() { removeSettings(); }

    void greetingOnceThenTheKeyName()
    {
        SpeechWindow w;
        const QList<Event> &e = w.speech->events();
        QCOMPARE(e.size(), 2);
        QCOMPARE(e[0].kind, Event::Stop);
        QCOMPARE(e[1].text, QStringLiteral("もじぽっと帳にようこそ"));
        QCOMPARE(e[1].mode, 1);
        QCOMPARE(w.form->board()->lastFramed(), 0);
        w.key(1)->setFocus(Qt::TabFocusReason);
        w.key(0)->setFocus(Qt::TabFocusReason);
        QCOMPARE(w.speech->spokenTexts(), (QStringList{QStringLiteral("もじぽっと帳にようこそ"),
                                                        QStringLiteral("あ"), QStringLiteral("よむ")}));
    }

    void everyKeySaysItsReading_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<QString>("text");
        const QList<std::pair<int, const char *>> table = {
            {1, "あ"},           {25, "の"},          {26, "ハ"},        {27, "ひ"},
            {39, "てん"},        {40, "まる"},        {47, "おわりのを"}, {48, "ん"},
            {49, "てんてん"},    {50, "うえの\u3000まる"}, {51, "ちいさいつ"}, {54, "ちいさいよ"},
            {55, "のばす"},      {56, "くうはく"},    {57, "つぎのぎょう"}, {58, "なし"},
            {59, "なし"},        {60, "めーるをおくる"}, {61, "けす"},   {62, "ぜんぶ\nけす"},
            {63, "しまう"},      {64, "いんさつ"},    {65, "おわり"},
        };
        for (const auto &[tag, text] : table)
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(tag).arg(QString::fromUtf8(text).replace(u'\n', u'/'))))
                << tag << QString::fromUtf8(text);
    }
    void everyKeySaysItsReading()
    {
        QFETCH(int, tag);
        QFETCH(QString, text);
        SpeechWindow w;
        w.form->voices().setVoice(speech::Role::Decision, 3); // announcements never use it
        w.speech->clear();
        w.key(tag)->setFocus(Qt::TabFocusReason);
        const QList<Event> &e = w.speech->events();
        QCOMPARE(e.size(), 2);
        QCOMPARE(e[0].kind, Event::Stop);
        QCOMPARE(e[1].kind, Event::Speak);
        QCOMPARE(e[1].text, text);
        QCOMPARE(e[1].mode, 1);
        QCOMPARE(e[1].speed, 100);
        QCOMPARE(w.form->voices().lastText(), text);
        QCOMPARE(w.form->board()->lastFramed(), tag);
    }

    void eachAnnouncementStopsTheOneBefore()
    {
        SpeechWindow w;
        w.speech->clear();
        for (int tag : {1, 2, 3, 8})
            w.key(tag)->setFocus(Qt::TabFocusReason);
        const QList<Event> &e = w.speech->events();
        QCOMPARE(e.size(), 8);
        for (qsizetype i = 0; i < e.size(); ++i)
            QCOMPARE(e[i].kind, i % 2 == 0 ? Event::Stop : Event::Speak);
        QCOMPARE(w.form->board()->lastFramed(), 8);
    }

    void readingAloud_data()
    {
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("empty display") << QString() << QStringLiteral("なにもかかれていません");
        QTest::newRow("one empty line") << QStringLiteral("\n") << QStringLiteral("なにもかかれていません");
        QTest::newRow("two empty lines pass two line breaks") << QStringLiteral("\n\n") << QStringLiteral("\n\n");
        QTest::newRow("the whole text, line breaks included")
            << QStringLiteral("きょうは\nはれ") << QStringLiteral("きょうは\nはれ\n");
    }
    void readingAloud()
    {
        QFETCH(QString, display);
        QFETCH(QString, spoken);
        SpeechWindow w;
        w.form->display().setPlainText(display);
        w.form->voices().setVoice(speech::Role::Decision, 2);
        w.speech->clear();
        // The "よむ" key pressed: its reading follows whatever is still
        // being said, with no stop, in the decision voice.
        QTest::keyClick(w.key(0), Qt::Key_Return);
        const QList<Event> &e = w.speech->events();
        QCOMPARE(e.size(), 1);
        QCOMPARE(e[0].kind, Event::Speak);
        QCOMPARE(e[0].text, spoken);
        QCOMPARE(e[0].mode, 2);
        QCOMPARE(e[0].speed, 100);
    }

    void oneVoiceForBothWhenTheyAreEqual()
    {
        SpeechWindow w;
        w.form->voices().setVoice(speech::Role::Decision, 2);
        w.form->voices().setVoice(speech::Role::Selection, 2);
        w.speech->clear();
        w.key(5)->setFocus(Qt::TabFocusReason);
        w.form->readAloud();
        QCOMPARE(w.speech->spokenTexts().size(), 2);
        for (const Event &e : w.speech->events())
            if (e.kind == Event::Speak)
                QCOMPARE(e.mode, 2);
    }

    void failedAnnouncementMovesNoFrame()
    {
        SpeechWindow w;
        w.speech->failSpeak = true;
        w.key(7)->setFocus(Qt::TabFocusReason);
        QCOMPARE(w.form->board()->lastFramed(), 0);
        QCOMPARE(w.errors, QStringList{boxes::errorText(QStringLiteral("音声エンジンのエラー"))});
    }

    // Speech by role as every feature has it: each role's own voice decides
    // whether kanji are read, and ended() follows the engine's silence, once
    // what was said is heard or once it is stopped.
    void voicesByRole_data()
    {
        QTest::addColumn<QString>("selectionVoice");
        QTest::addColumn<QString>("decisionVoice");
        QTest::addColumn<bool>("selectionReadsKanji");
        QTest::addColumn<bool>("decisionReadsKanji");
        const QString jtalk = QStringLiteral("Open JTalk\u3000nitech（ふつう）");
        const QString espeak = QStringLiteral("eSpeak NG\u3000日本語（女性）");
        QTest::newRow("both Open JTalk") << jtalk << jtalk << true << true;
        QTest::newRow("selection eSpeak NG") << espeak << jtalk << false << true;
        QTest::newRow("decision eSpeak NG") << jtalk << espeak << true << false;
    }
    void voicesByRole()
    {
        QFETCH(QString, selectionVoice);
        QFETCH(QString, decisionVoice);
        QFETCH(bool, selectionReadsKanji);
        QFETCH(bool, decisionReadsKanji);
        RecordingSpeech engine({{1041, selectionVoice}, {1041, decisionVoice}});
        speech::Voices voices(engine);
        voices.setVoice(speech::Role::Selection, 1);
        voices.setVoice(speech::Role::Decision, 2);
        QCOMPARE(voices.readsKanji(speech::Role::Selection), selectionReadsKanji);
        QCOMPARE(voices.readsKanji(speech::Role::Decision), decisionReadsKanji);

        QSignalSpy ended(&voices, &speech::Voices::ended);
        voices.say(QStringLiteral("あ"), speech::Role::Decision);
        QVERIFY(voices.speaking());
        QCOMPARE(engine.events().last().mode, 2);
        engine.finishSpeaking();
        QVERIFY(!voices.speaking());
        QCOMPARE(ended.size(), 1);

        voices.say(QStringLiteral("い"), speech::Role::Selection);
        voices.stop();
        QCOMPARE(engine.events().last().kind, Event::Stop);
        QVERIFY(!voices.speaking());
        QTRY_COMPARE(ended.size(), 2);
    }
};

QTEST_MAIN(TestSpeechAnnounce)
#include "tst_speechannounce.moc"
