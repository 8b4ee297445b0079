// The key table and the reading table, read as the board's numbering rules.
#include "base/keytable.h"
#include "speech/announcements.h"

#include <QSet>
#include <QTest>

class TestKeyTable : public QObject
{
    Q_OBJECT

private slots:
    void gridKeysFollowTheNumbering()
    {
        // Tag = 5 × (column − 1) + row; kana columns 55 pixels apart from the
        // right, rows 56 pixels apart.
        for (int tag = 1; tag <= 55; ++tag) {
            const KeySpec &k = keys::table()[tag];
            QCOMPARE(k.tag, tag);
            QCOMPARE(k.geometry.left(), 719 - 55 * (keys::columnOf(tag) - 1));
            QCOMPARE(k.geometry.top(), 311 + 56 * (keys::rowOf(tag) - 1));
            QCOMPARE(k.geometry.size(), QSize(50, 50));
        }
        for (int tag = 56; tag <= 65; ++tag)
            QCOMPARE(keys::table()[tag].geometry.left(), keys::columnOf(tag) == 12 ? 95 : 20);
    }

    void controlNamesUnique()
    {
        QSet<QString> names;
        for (const KeySpec &k : keys::table())
            names.insert(QString::fromLatin1(k.controlName));
        QCOMPARE(names.size(), keys::kCount);
    }

    void voicedFormTable_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("kana");
        QTest::newRow("6 が") << 6 << "が";
        QTest::newRow("20 ど") << 20 << "ど";
        QTest::newRow("21 ば") << 21 << "ば";
        QTest::newRow("25 ぼ") << 25 << "ぼ";
        QTest::newRow("26 ぱ") << 26 << "ぱ";
        QTest::newRow("30 ぽ") << 30 << "ぽ";
    }
    void voicedFormTable()
    {
        QFETCH(int, entry);
        QFETCH(QString, kana);
        QCOMPARE(readings::table()[entry], kana);
    }

    void announcements_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<bool>("greeting");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("greeting first") << 0 << true << "もじぽっと帳にようこそ";
        QTest::newRow("よむ afterwards") << 0 << false << "よむ";
        QTest::newRow("greeting only on よむ") << 1 << true << "あ";
        QTest::newRow("は as katakana") << 26 << false << "ハ";
        QTest::newRow("ひ as caption") << 27 << false << "ひ";
        QTest::newRow("comma") << 39 << false << "てん";
        QTest::newRow("を") << 47 << false << "おわりのを";
        QTest::newRow("half-voicing mark with ideographic space") << 50 << false << "うえの\u3000まる";
        QTest::newRow("small tsu") << 51 << false << "ちいさいつ";
        QTest::newRow("space key by caption") << 56 << false << "くうはく";
        QTest::newRow("new line") << 57 << false << "つぎのぎょう";
        QTest::newRow("blank") << 59 << false << "なし";
        QTest::newRow("mail") << 60 << false << "めーるをおくる";
        QTest::newRow("clear all by two-line caption") << 62 << false << "ぜんぶ\nけす";
        QTest::newRow("end") << 65 << false << "おわり";
    }
    void announcements()
    {
        QFETCH(int, tag);
        QFETCH(bool, greeting);
        QFETCH(QString, spoken);
        QCOMPARE(announcements::forKey(tag, keys::table()[tag].caption, greeting), spoken);
    }
};

QTEST_GUILESS_MAIN(TestKeyTable)
#include "tst_keytable.moc"
