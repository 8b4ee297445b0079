// Multi-tap on the keypad as a state machine: which key each press reaches.
#include "input/multitap.h"

#include "tests/inputboards.h"

#include <QTest>

using input::MultiTap;
using input::TapKey;

namespace {

// A keypad key by what it shows: "0"–"9", ".", "-", "/".
int groupOf(const QString &name)
{
    const int qtKey = name == u"." ? Qt::Key_Period
                      : name == u"-" ? Qt::Key_Minus
                      : name == u"/" ? Qt::Key_Slash
                                     : Qt::Key_0 + name.toInt();
    const TapKey k = input::tapKeyFor(qtKey, Qt::KeypadModifier);
    return k.kind == TapKey::Group ? k.first : -1;
}

} // namespace

class TestMultiTap : public QObject
{
    Q_OBJECT

private slots:
    void keys_data()
    {
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<bool>("keypad");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("first");
        const int group = TapKey::Group, none = TapKey::None;
        QTest::newRow("keypad 7: あ column") << int(Qt::Key_7) << true << group << 1;
        QTest::newRow("main 7: あ column") << int(Qt::Key_7) << false << group << 1;
        QTest::newRow("keypad 8: か") << int(Qt::Key_8) << true << group << 6;
        QTest::newRow("keypad 9: さ") << int(Qt::Key_9) << true << group << 11;
        QTest::newRow("main 4: た") << int(Qt::Key_4) << false << group << 16;
        QTest::newRow("keypad 5: な") << int(Qt::Key_5) << true << group << 21;
        QTest::newRow("keypad 6: は") << int(Qt::Key_6) << true << group << 26;
        QTest::newRow("main 1: ま") << int(Qt::Key_1) << false << group << 31;
        QTest::newRow("keypad 2: や") << int(Qt::Key_2) << true << group << 36;
        QTest::newRow("keypad 3: ら") << int(Qt::Key_3) << true << group << 41;
        QTest::newRow("main 0: わ") << int(Qt::Key_0) << false << group << 46;
        QTest::newRow("keypad .: small kana") << int(Qt::Key_Period) << true << group << 51;
        QTest::newRow("keypad -: くうはく column") << int(Qt::Key_Minus) << true << group << 56;
        QTest::newRow("keypad /: けす column") << int(Qt::Key_Slash) << true << group << 61;
        QTest::newRow("keypad +: read aloud") << int(Qt::Key_Plus) << true << int(TapKey::ReadAloud) << 0;
        QTest::newRow("keypad *: the word places") << int(Qt::Key_Asterisk) << true << int(TapKey::Words) << 66;
        QTest::newRow("main *: nothing") << int(Qt::Key_Asterisk) << false << none << 0;
        QTest::newRow("main .: nothing") << int(Qt::Key_Period) << false << none << 0;
        QTest::newRow("main -: nothing") << int(Qt::Key_Minus) << false << none << 0;
        QTest::newRow("main /: nothing") << int(Qt::Key_Slash) << false << none << 0;
        QTest::newRow("main +: nothing") << int(Qt::Key_Plus) << false << none << 0;
        QTest::newRow("keypad Home (7, number lock off): nothing") << int(Qt::Key_Home) << true << none << 0;
        QTest::newRow("keypad Enter: nothing") << int(Qt::Key_Enter) << true << none << 0;
    }
    void keys()
    {
        QFETCH(int, qtKey);
        QFETCH(bool, keypad);
        QFETCH(int, kind);
        QFETCH(int, first);
        const TapKey k = input::tapKeyFor(qtKey, keypad ? Qt::KeypadModifier : Qt::NoModifier);
        QCOMPARE(int(k.kind), kind);
        if (kind == TapKey::Group || kind == TapKey::Words)
            QCOMPARE(k.first, first);
    }

    // A series of presses from the program's start; each reaches a Tag or
    // beeps ("beep"); the state at the end.
    void sequences_data()
    {
        QTest::addColumn<QString>("presses");
        QTest::addColumn<int>("lastKana");
        QTest::addColumn<QString>("reached");
        QTest::addColumn<int>("tapIndex");
        QTest::addColumn<int>("tappedKey");

        QTest::newRow("7 once reaches あ") << "7" << 55 << "1" << 2 << 1;
        QTest::newRow("7 five times reaches お") << "7 7 7 7 7" << 55 << "1 2 3 4 5" << 1 << 5;
        QTest::newRow("the sixth 7 is あ again") << "7 7 7 7 7 7" << 55 << "1 2 3 4 5 1" << 2 << 1;
        QTest::newRow("7 7 8 7 restarts on a new group") << "7 7 8 7" << 55 << "1 2 6 1" << 2 << 1;
        QTest::newRow("- five times: くうはく, ぎょう, blanks, めーる") << "- - - - -" << 55 << "56 57 58 59 60" << 1 << 60;
        QTest::newRow("/ four times reaches いんさつ") << "/ / / /" << 55 << "61 62 63 64" << 5 << 64;
        QTest::newRow("0 reaches the voicing marks") << "0 0 0 0 0" << 55 << "46 47 48 49 50" << 1 << 50;
        QTest::newRow(". reaches the small kana") << ". . ." << 55 << "51 52 53" << 4 << 53;
        QTest::newRow("2 reaches 、 and 。") << "2 2 2 2 2" << 55 << "36 37 38 39 40" << 1 << 40;
        QTest::newRow("あ行: 8 beeps") << "8" << 5 << "beep" << 1 << 0;
        QTest::newRow("あ行: 7 cycles on, from あ after the beep of 8") << "7 8 7 7" << 5 << "1 beep 1 2" << 3 << 2;
        QTest::newRow("あ行: - reaches the command column") << "-" << 5 << "56" << 2 << 56;
        QTest::newRow("あ・か行: a beep on 9 restarts the count of 8")
            << "8 8 9 8" << 10 << "6 7 beep 6" << 2 << 6;
    }
    void sequences()
    {
        QFETCH(QString, presses);
        QFETCH(int, lastKana);
        QFETCH(QString, reached);
        QFETCH(int, tapIndex);
        QFETCH(int, tappedKey);
        MultiTap tap;
        QStringList got;
        for (const QString &p : presses.split(u' ')) {
            const std::optional<int> to = tap.press(groupOf(p), practiceBoard(lastKana));
            got << (to ? QString::number(*to) : QStringLiteral("beep"));
        }
        QCOMPARE(got.join(u' '), reached);
        QCOMPARE(tap.Tap_index, tapIndex);
        QCOMPARE(tap.Tapped_key, tappedKey);
    }

    // "*" goes round the word places that hold a word ("1" in `words`);
    // digits in between reach their columns.
    void words_data()
    {
        QTest::addColumn<QString>("presses");
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("reached");

        QTest::newRow("round all five") << "* * * * * *" << "11111" << "66 67 68 69 70 66";
        QTest::newRow("empty places passed over") << "* * * *" << "10100" << "66 68 66 68";
        QTest::newRow("an empty row: nothing") << "* *" << "00000" << "none none";
        QTest::newRow("a column in between starts again at the left") << "* * 7 *" << "11111" << "66 67 1 66";
        QTest::newRow("after the words, 7 starts its column at the top") << "7 7 * 7" << "11111" << "1 2 66 1";
    }
    void words()
    {
        QFETCH(QString, presses);
        QFETCH(QString, words);
        QFETCH(QString, reached);
        input::Reachable shown = input::allShown();
        for (int i = 0; i < words.size(); ++i)
            shown.set(input::kFirstWord + i, words[i] == u'1');
        MultiTap tap;
        QStringList got;
        for (const QString &p : presses.split(u' ')) {
            const std::optional<int> to = p == u"*" ? tap.pressWords(shown) : tap.press(groupOf(p), shown);
            got << (to ? QString::number(*to) : QStringLiteral("none"));
        }
        QCOMPARE(got.join(u' '), reached);
    }
};

QTEST_GUILESS_MAIN(TestMultiTap)
#include "tst_multitap.moc"
