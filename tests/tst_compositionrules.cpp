// What an entry key enters and says, and when a voicing mark refuses,
// decided without a window.
#include "app/compositionrules.h"
#include "base/keytable.h"

#include <QTest>

using composition::Entry;

namespace {

int tagOf(const QString &caption)
{
    for (const KeySpec &k : keys::table())
        if (k.caption == caption)
            return k.tag;
    qFatal("no key");
}

const QString kOutsideBmp = QStringLiteral("\U0002000B"); // 𠀋, outside the BMP

} // namespace

class TestCompositionRules : public QObject
{
    Q_OBJECT

private slots:
    void voicedPairs_data()
    {
        QTest::addColumn<QString>("kana");
        QTest::addColumn<int>("mark");
        QTest::addColumn<QString>("voiced");
        const QString plain = QStringLiteral("かきくけこさしすせそたちつてとはひふへほ");
        const QString voiced = QStringLiteral("がぎぐげござじずぜぞだぢづでどばびぶべぼ");
        for (int i = 0; i < plain.size(); ++i)
            QTest::addRow("%s゛", qPrintable(plain.mid(i, 1)))
                << plain.mid(i, 1) << int(keys::kVoicedMark) << voiced.mid(i, 1);
        const QString ha = QStringLiteral("はひふへほ");
        const QString half = QStringLiteral("ぱぴぷぺぽ");
        for (int i = 0; i < ha.size(); ++i)
            QTest::addRow("%s゜", qPrintable(ha.mid(i, 1)))
                << ha.mid(i, 1) << int(keys::kSemiVoicedMark) << half.mid(i, 1);
    }
    void voicedPairs()
    {
        QFETCH(QString, kana);
        QFETCH(int, mark);
        QFETCH(QString, voiced);
        const Entry e = composition::entryFor(mark, keys::table()[mark].caption, tagOf(kana), readings::table(), kana);
        QCOMPARE(e.kind, Entry::ReplacePrevious);
        QCOMPARE(e.text, voiced);
        QCOMPARE(e.spoken, voiced);
    }

    // The marks that cannot apply, by the key entered last.
    void marksThatRefuse_data()
    {
        QTest::addColumn<int>("mark");
        QTest::addColumn<int>("lastKey");
        QTest::addRow("゛ before any entry") << int(keys::kVoicedMark) << 0;
        QTest::addRow("あ゛") << int(keys::kVoicedMark) << tagOf(QStringLiteral("あ"));
        QTest::addRow("う゛") << int(keys::kVoicedMark) << tagOf(QStringLiteral("う"));
        QTest::addRow("な゛") << int(keys::kVoicedMark) << tagOf(QStringLiteral("な"));
        QTest::addRow("の゛") << int(keys::kVoicedMark) << tagOf(QStringLiteral("の"));
        QTest::addRow("ま゛") << int(keys::kVoicedMark) << tagOf(QStringLiteral("ま"));
        QTest::addRow("っ゛") << int(keys::kVoicedMark) << tagOf(QStringLiteral("っ"));
        QTest::addRow("ー゛") << int(keys::kVoicedMark) << int(keys::kLongVowel);
        QTest::addRow("くうはく゛") << int(keys::kVoicedMark) << int(keys::kSpace);
        QTest::addRow("゛゛") << int(keys::kVoicedMark) << int(keys::kVoicedMark);
        QTest::addRow("゜゛") << int(keys::kVoicedMark) << int(keys::kSemiVoicedMark);
        QTest::addRow("か゜") << int(keys::kSemiVoicedMark) << tagOf(QStringLiteral("か"));
        QTest::addRow("と゜") << int(keys::kSemiVoicedMark) << tagOf(QStringLiteral("と"));
        QTest::addRow("あ゜") << int(keys::kSemiVoicedMark) << tagOf(QStringLiteral("あ"));
        QTest::addRow("ま゜") << int(keys::kSemiVoicedMark) << tagOf(QStringLiteral("ま"));
        QTest::addRow("ば゜ (は, ゛, ゜)") << int(keys::kSemiVoicedMark) << int(keys::kVoicedMark);
        QTest::addRow("゜゜") << int(keys::kSemiVoicedMark) << int(keys::kSemiVoicedMark);
    }
    void marksThatRefuse()
    {
        QFETCH(int, mark);
        QFETCH(int, lastKey);
        const Entry e = composition::entryFor(mark, keys::table()[mark].caption, lastKey, readings::table(),
                                              QStringLiteral("か"));
        QCOMPARE(e.kind, Entry::Refused);
        QVERIFY(e.spoken.isEmpty());
        QVERIFY(e.text.isEmpty());
    }

    void enteredAndSpoken_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<QString>("entered");
        QTest::addColumn<QString>("spoken");
        QTest::addRow("あ") << 1 << QStringLiteral("あ") << QStringLiteral("あ");
        QTest::addRow("は says the katakana") << 26 << QStringLiteral("は") << QStringLiteral("\u30CF");
        QTest::addRow("ひ") << 27 << QStringLiteral("ひ") << QStringLiteral("ひ");
        QTest::addRow("、") << 39 << QStringLiteral("、") << QStringLiteral("てん");
        QTest::addRow("。") << 40 << QStringLiteral("。") << QStringLiteral("まる");
        QTest::addRow("を says を when pressed") << 47 << QStringLiteral("を") << QStringLiteral("を");
        QTest::addRow("ん") << 48 << QStringLiteral("ん") << QStringLiteral("ん");
        QTest::addRow("っ says the small kana") << 51 << QStringLiteral("っ") << QStringLiteral("っ");
        QTest::addRow("ょ") << 54 << QStringLiteral("ょ") << QStringLiteral("ょ");
        QTest::addRow("ー") << 55 << QStringLiteral("ー") << QStringLiteral("のばす");
        QTest::addRow("くうはく enters U+3000") << 56 << QStringLiteral("\u3000") << QStringLiteral("くうはく");
    }
    void enteredAndSpoken()
    {
        QFETCH(int, tag);
        QFETCH(QString, entered);
        QFETCH(QString, spoken);
        // Whatever came before, an ordinary key enters its character.
        for (const QString &before : {QString(), QStringLiteral("a"), QStringLiteral("か")}) {
            const Entry e = composition::entryFor(tag, keys::table()[tag].caption, 6, readings::table(), before);
            QCOMPARE(e.kind, Entry::Insert);
            QCOMPARE(e.text, entered);
            QCOMPARE(e.spoken, spoken);
        }
    }

    void characterBefore_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("character");
        const QString pair = kOutsideBmp;
        QTest::addRow("start") << QStringLiteral("あい") << 0 << QString();
        QTest::addRow("kana") << QStringLiteral("あい") << 2 << QStringLiteral("い");
        QTest::addRow("whole surrogate pair") << (QStringLiteral("あ") + pair) << 3 << pair;
        QTest::addRow("pair at the start") << pair << 2 << pair;
        QTest::addRow("lone low surrogate") << QString(QChar(0xDC00)) << 1 << QString(QChar(0xDC00));
        QTest::addRow("lone high surrogate") << (QString(QChar(0xD840)) + u'a') << 1 << QString(QChar(0xD840));
        QTest::addRow("past the end") << QStringLiteral("ab") << 9 << QStringLiteral("b");
    }
    void characterBefore()
    {
        QFETCH(QString, text);
        QFETCH(int, pos);
        QFETCH(QString, character);
        QCOMPARE(composition::characterBefore(text, pos).toString(), character);
    }
};

QTEST_GUILESS_MAIN(TestCompositionRules)
#include "tst_compositionrules.moc"
