// The walk over the board, as a pure function of the scan position, the move
// and which keys are shown.
#include "input/arrowwalk.h"

#include "tests/inputboards.h"

#include <QTest>

using input::Move;
using input::Reachable;
using input::walk;

Q_DECLARE_METATYPE(input::Move)

namespace {

Move moveNamed(QChar c)
{
    switch (c.unicode()) {
    case 'L': return Move::Left;
    case 'R': return Move::Right;
    case 'U': return Move::Up;
    default: return Move::Down;
    }
}

} // namespace

class TestArrowWalk : public QObject
{
    Q_OBJECT

private slots:
    void oneMove_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<Move>("move");
        QTest::addColumn<int>("lastKana");
        QTest::addColumn<int>("to");

        QTest::newRow("よむ Left reaches あ") << 0 << Move::Left << 55 << 1;
        QTest::newRow("よむ Down reaches あ") << 0 << Move::Down << 55 << 1;
        QTest::newRow("よむ Right reaches けす") << 0 << Move::Right << 55 << 61;
        QTest::newRow("よむ Up reaches おわり") << 0 << Move::Up << 55 << 65;
        QTest::newRow("けす Left rounds to よむ") << 61 << Move::Left << 55 << 0;
        QTest::newRow("あ Right rounds to よむ") << 1 << Move::Right << 55 << 0;
        QTest::newRow("clear-all Left wraps to い") << 62 << Move::Left << 55 << 2;
        QTest::newRow("おわり Left wraps to お") << 65 << Move::Left << 55 << 5;
        QTest::newRow("い Right wraps to clear-all") << 2 << Move::Right << 55 << 62;
        QTest::newRow("お Right wraps to おわり") << 5 << Move::Right << 55 << 65;
        QTest::newRow("お Down rounds to あ") << 5 << Move::Down << 55 << 1;
        QTest::newRow("あ Up rounds to お") << 1 << Move::Up << 55 << 5;
        QTest::newRow("めーる Down rounds to くうはく") << 60 << Move::Down << 55 << 56;
        QTest::newRow("くうはく Up rounds to めーる") << 56 << Move::Up << 55 << 60;
        QTest::newRow("む Up is め's neighbour み") << 33 << Move::Up << 55 << 32;
        QTest::newRow("む Down is め") << 33 << Move::Down << 55 << 34;
        QTest::newRow("か Right is あ") << 6 << Move::Right << 55 << 1;
        QTest::newRow("っ Left is くうはく") << 51 << Move::Left << 55 << 56;
        QTest::newRow("ゅ Left reaches the blank key 58") << 53 << Move::Left << 55 << 58;
        QTest::newRow("blank 58 Down reaches blank 59") << 58 << Move::Down << 55 << 59;
        QTest::newRow("blank 59 Left reaches いんさつ") << 59 << Move::Left << 55 << 64;
        QTest::newRow("あ行: あ Left skips to くうはく") << 1 << Move::Left << 5 << 56;
        QTest::newRow("あ行: くうはく Right skips to あ") << 56 << Move::Right << 5 << 1;
        QTest::newRow("あ行: え Left skips to blank 59") << 4 << Move::Left << 5 << 59;
        QTest::newRow("あ行: clear-all Left still wraps to い") << 62 << Move::Left << 5 << 2;
        QTest::newRow("あ・か行: き Left skips to ぎょう") << 7 << Move::Left << 10 << 57;
        QTest::newRow("あ・か行: めーる Right skips to こ") << 60 << Move::Right << 10 << 10;
        QTest::newRow("あ・か・さ・た・な行: の Left skips to めーる") << 25 << Move::Left << 25 << 60;
        QTest::newRow("あ行: よむ Right and Up ignore practice") << 0 << Move::Up << 5 << 65;
        // The scan position stayed in a column that practice mode then hid.
        QTest::newRow("あ行: from hidden く Left goes on to blank 58") << 8 << Move::Left << 5 << 58;
        QTest::newRow("あ行: from hidden く Right reaches う") << 8 << Move::Right << 5 << 3;
        QTest::newRow("あ行: from hidden く Down lands in row 4 of あ: え") << 8 << Move::Down << 5 << 4;
        QTest::newRow("あ行: from hidden か Up lands in row 5 of あ: お") << 6 << Move::Up << 5 << 5;
        QTest::newRow("あ・か行: from hidden は Up lands on こ") << 26 << Move::Up << 10 << 10;
        QTest::newRow("あ・か行: from hidden ほ Down lands on か") << 30 << Move::Down << 10 << 6;
    }
    void oneMove()
    {
        QFETCH(int, from);
        QFETCH(Move, move);
        QFETCH(int, lastKana);
        QFETCH(int, to);
        QCOMPARE(walk(from, move, practiceBoard(lastKana)), to);
    }

    // Repeated moves, as the user walks: every row and column is a ring.
    void rings_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("moves");
        QTest::addColumn<int>("lastKana");
        QTest::addColumn<QList<int>>("visited");

        QTest::newRow("row 1 Left through よむ")
            << 0 << QString(14, u'L') << 55
            << QList<int>{1, 6, 11, 16, 21, 26, 31, 36, 41, 46, 51, 56, 61, 0};
        QTest::newRow("row 1 Right through よむ")
            << 0 << QString(14, u'R') << 55
            << QList<int>{61, 56, 51, 46, 41, 36, 31, 26, 21, 16, 11, 6, 1, 0};
        QTest::newRow("row 3 Left without よむ")
            << 3 << QString(13, u'L') << 55
            << QList<int>{8, 13, 18, 23, 28, 33, 38, 43, 48, 53, 58, 63, 3};
        QTest::newRow("column Up ring") << 41 << QStringLiteral("UUUUU") << 55 << QList<int>{45, 44, 43, 42, 41};
        QTest::newRow("column Down ring") << 61 << QStringLiteral("DDDDD") << 55 << QList<int>{62, 63, 64, 65, 61};
        QTest::newRow("あ行 row 1 ring") << 0 << QStringLiteral("LLLL") << 5 << QList<int>{1, 56, 61, 0};
        QTest::newRow("あ行 row 2 ring both ways")
            << 2 << QStringLiteral("LLLRRR") << 5 << QList<int>{57, 62, 2, 62, 57, 2};
        QTest::newRow("あ・か・さ行 row 5 ring")
            << 5 << QStringLiteral("LLLLL") << 15 << QList<int>{10, 15, 60, 65, 5};
        QTest::newRow("a mixed walk") << 0 << QStringLiteral("LDLLUR") << 55 << QList<int>{1, 2, 7, 12, 11, 6};
    }
    void rings()
    {
        QFETCH(int, from);
        QFETCH(QString, moves);
        QFETCH(int, lastKana);
        QFETCH(QList<int>, visited);
        QList<int> got;
        int p = from;
        for (QChar c : moves)
            got << (p = walk(p, moveNamed(c), practiceBoard(lastKana)));
        QCOMPARE(got, visited);
    }

    // Whatever the practice level, every move from every key reaches a shown key.
    void everyMoveReachesAShownKey_data()
    {
        QTest::addColumn<int>("lastKana");
        for (int k : {5, 10, 15, 25, 55})
            QTest::newRow(qPrintable(QStringLiteral("kana 1 to %1 shown").arg(k))) << k;
    }
    void everyMoveReachesAShownKey()
    {
        QFETCH(int, lastKana);
        const Reachable shown = practiceBoard(lastKana);
        for (int p = 0; p < keys::kCount; ++p) {
            for (Move m : {Move::Left, Move::Right, Move::Up, Move::Down}) {
                const int to = walk(p, m, shown);
                QVERIFY2(to >= 0 && to < keys::kCount && shown.test(to),
                         qPrintable(QStringLiteral("from %1 move %2 reached %3").arg(p).arg(int(m)).arg(to)));
                if (p != 0 && shown.test(p) && (m == Move::Up || m == Move::Down))
                    QCOMPARE(keys::columnOf(to), keys::columnOf(p)); // vertical moves stay in a shown column
            }
        }
    }

    // The row of word places above the board (66 to 70, from the left),
    // filled as `words` says ("1" a place that holds a word).
    void wordRow_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("moves");
        QTest::addColumn<int>("lastKana");
        QTest::addColumn<QString>("words");
        QTest::addColumn<QList<int>>("visited");

        QTest::newRow("an empty row: Up from あ rounds to お as before")
            << 1 << QStringLiteral("U") << 55 << QStringLiteral("00000") << QList<int>{5};
        QTest::newRow("Up from あ enters the row above it, Down leaves to あ")
            << 1 << QStringLiteral("UD") << 55 << QStringLiteral("11111") << QList<int>{70, 1};
        QTest::newRow("Up from よむ enters the rightmost place")
            << 0 << QStringLiteral("U") << 55 << QStringLiteral("11111") << QList<int>{70};
        QTest::newRow("Up from けす enters the leftmost place, Down reaches くうはく")
            << 61 << QStringLiteral("UD") << 55 << QStringLiteral("11111") << QList<int>{66, 56};
        QTest::newRow("Up from は enters the middle place, Down reaches ま")
            << 26 << QStringLiteral("UD") << 55 << QStringLiteral("11111") << QList<int>{68, 31};
        QTest::newRow("Up from the row goes on round the column")
            << 1 << QStringLiteral("UUUUUU") << 55 << QStringLiteral("11111") << QList<int>{70, 5, 4, 3, 2, 1};
        QTest::newRow("Down never enters the row")
            << 1 << QStringLiteral("DDDDD") << 55 << QStringLiteral("11111") << QList<int>{2, 3, 4, 5, 1};
        QTest::newRow("Up from other rows stays on the board")
            << 2 << QStringLiteral("U") << 55 << QStringLiteral("11111") << QList<int>{1};
        QTest::newRow("Right and Left round the filled places")
            << 1 << QStringLiteral("URRRLL") << 55 << QStringLiteral("11010") << QList<int>{69, 66, 67, 69, 67, 66};
        QTest::newRow("one word: Left and Right stay on it")
            << 41 << QStringLiteral("ULRD") << 55 << QStringLiteral("01000") << QList<int>{67, 67, 67, 41};
        QTest::newRow("the nearest filled place above a far key")
            << 1 << QStringLiteral("U") << 55 << QStringLiteral("11000") << QList<int>{67};
        QTest::newRow("practice: Down reaches the nearest shown column")
            << 61 << QStringLiteral("URRD") << 5 << QStringLiteral("11111") << QList<int>{66, 67, 68, 56};
        QTest::newRow("practice: a hidden key's column does not enter the row")
            << 6 << QStringLiteral("U") << 5 << QStringLiteral("11111") << QList<int>{5};
        QTest::newRow("the row emptied under the walk: Left leaves for the key below")
            << 68 << QStringLiteral("L") << 55 << QStringLiteral("00000") << QList<int>{31};
    }
    void wordRow()
    {
        QFETCH(int, from);
        QFETCH(QString, moves);
        QFETCH(int, lastKana);
        QFETCH(QString, words);
        QFETCH(QList<int>, visited);
        Reachable shown = practiceBoard(lastKana);
        for (int i = 0; i < words.size(); ++i)
            shown.set(input::kFirstWord + i, words[i] == u'1');
        QList<int> got;
        int p = from;
        for (QChar c : moves)
            got << (p = walk(p, moveNamed(c), shown));
        QCOMPARE(got, visited);
    }
};

QTEST_GUILESS_MAIN(TestArrowWalk)
#include "tst_arrowwalk.moc"
