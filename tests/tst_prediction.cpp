// The kana model: texts reduced to what the board writes, the history a
// prediction looks at, the built model file (probabilities, ranking of the
// shown keys, damaged files), and the adaptation to the user's diaries.
#include "app/keytable.h"
#include "diary/filecodec.h"
#include "prediction/adaptation.h"
#include "prediction/kanamodel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <numeric>

using namespace prediction;

namespace {

// Symbols as the board shows them, "|" for a break, "⏎" for a new line, "␣" for a space.
QString shown(const std::vector<Symbol> &symbols)
{
    QString out;
    for (const Symbol s : symbols)
        out += s == kBreak ? QStringLiteral("|")
               : s == kNewLine ? QStringLiteral("⏎")
               : s == kSpace ? QStringLiteral("␣")
                             : symbolText(s);
    return out;
}

const KanaModel &installed()
{
    static const KanaModel model = KanaModel::load(QStringLiteral(MOJIPOT_KANA_MODEL_FILE));
    return model;
}

double sum(const Distribution &p)
{
    return std::accumulate(p.begin(), p.end(), 0.0);
}

Symbol likeliest(const Distribution &p)
{
    return Symbol(std::max_element(p.begin(), p.end()) - p.begin());
}

} // namespace

class TestPrediction : public QObject
{
    Q_OBJECT

private slots:
    void reduction_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("symbols");
        QTest::newRow("plain kana") << "ありがとう。" << "ありか゛とう。";
        QTest::newRow("half-voiced") << "ぱぴぷぺぽ" << "は゜ひ゜ふ゜へ゜ほ゜";
        QTest::newRow("katakana as hiragana") << "ガッコウ、テレビ" << "か゛っこう、てれひ゛";
        QTest::newRow("half-width katakana") << "ｶﾞｯｺｳ｡" << "か゛っこう。";
        QTest::newRow("decomposed voicing") << QString::fromUtf8("か\u3099") << "か゛";
        QTest::newRow("spacing marks") << "か゛は゜" << "か゛は゜";
        QTest::newRow("mark the board cannot put") << "あ゛ゔ" << "あう";
        QTest::newRow("small kana the board lacks") << "ふぁいと、ゎ" << "ふあいと、わ";
        QTest::newRow("long vowel and wave") << "すーぱー〜" << "すーは゜ーー";
        QTest::newRow("kanji break phrases") << "今日はいい天気です。" << "はいい|て゛す。";
        QTest::newRow("no break at the start or twice") << "漢字ABCかな" << "かな";
        QTest::newRow("CR LF is one new line") << "あ\r\nい\rう\n" << "あ⏎い⏎う⏎";
        QTest::newRow("spaces and tabs one space") << "あ  \t　い" << "あ␣い";
        QTest::newRow("sentence marks") << "ほんと！？そう,です." << "ほんと。。そう、て゛す。";
        QTest::newRow("voiced after space") << "か ゛" << "か␣";
        QTest::newRow("emoji and lone surrogate") << QString::fromUtf8("あ😀い") + QChar(0xD800) + "う" << "あ|い|う";
    }
    void reduction()
    {
        QFETCH(QString, text);
        QFETCH(QString, symbols);
        QCOMPARE(shown(reduce(text)), symbols);
    }

    void history_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("symbols");
        QTest::addColumn<bool>("atStart");
        QTest::newRow("whole short text") << "あい" << 4 << "あい" << true;
        QTest::newRow("longer than kept") << "あいうえお" << 3 << "うえお" << false;
        QTest::newRow("after a break") << "天気あい" << 4 << "あい" << true;
        QTest::newRow("right after a break") << "あい天" << 4 << "" << true;
        QTest::newRow("voiced last") << "おはようござ" << 4 << "こ゛さ゛" << false;
        QTest::newRow("empty") << "" << 4 << "" << true;
        QTest::newRow("long text") << QString(5000, QChar(u'あ')) + "かき" << 4 << "ああかき" << false;
    }
    void history()
    {
        QFETCH(QString, before);
        QFETCH(int, length);
        QFETCH(QString, symbols);
        QFETCH(bool, atStart);
        const History h = historyOf(before, length);
        QCOMPARE(shown(h.symbols), symbols);
        QCOMPARE(h.atStart, atStart);
    }

    void installedModel_data()
    {
        // Text before the insertion point, the likeliest next symbol (empty:
        // none asked), and whether ゛ and ゜ may follow.
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("likely");
        QTest::addColumn<bool>("voiced");
        QTest::addColumn<bool>("semiVoiced");
        QTest::newRow("start") << "" << "" << false << false;
        QTest::newRow("thanks") << "ありがと" << "う" << true << false;
        QTest::newRow("good day") << "こんにち" << "は" << true << false;
        QTest::newRow("past polite") << "いきまし" << "た" << true << false;
        QTest::newRow("after ka") << "きょうはか" << "" << true << false;
        QTest::newRow("after ha") << "は" << "" << true << true;
        QTest::newRow("after a voiced kana") << "が" << "" << false << false;
        QTest::newRow("after a kanji") << "天" << "" << false << false;
        QTest::newRow("after a new line") << "きょうは。\n" << "" << false << false;
        QTest::newRow("unknown text") << QString::fromUtf8("😀\u0001\uFFFF") + QChar(0xDC00) << "" << false << false;
    }
    void installedModel()
    {
        QFETCH(QString, before);
        QFETCH(QString, likely);
        QFETCH(bool, voiced);
        QFETCH(bool, semiVoiced);
        QVERIFY2(!installed().isEmpty(), "the built model file loads");
        QCOMPARE(installed().order(), 5);
        const Distribution p = installed().next(before);
        QVERIFY(qAbs(sum(p) - 1) < 1e-9);
        QVERIFY(std::all_of(p.begin(), p.end(), [](double v) { return v >= 0; }));
        if (!likely.isEmpty())
            QCOMPARE(symbolText(likeliest(p)), likely);
        QCOMPARE(p[kVoiced] > 0, voiced);
        QCOMPARE(p[kSemiVoiced] > 0, semiVoiced);
    }

    void ranking()
    {
        // The shown keys: あ column, は, ゛, the space, "けす" and "よむ".
        const std::vector<int> tags{0, 1, 2, 3, 4, 5, keys::kHa, keys::kVoicedMark, keys::kSpace, keys::kDelete};
        const Distribution p = installed().next(QStringLiteral("ありがと"));
        const std::vector<RankedKey> ranked = rankKeys(p, tags);
        QCOMPARE(ranked.size(), tags.size());
        QCOMPARE(ranked.front().tag, 3); // う
        for (std::size_t i = 1; i < ranked.size(); ++i)
            QVERIFY(ranked[i - 1].probability >= ranked[i].probability);
        // Commands write nothing: last, in the order given.
        QCOMPARE((std::vector<RankedKey>(ranked.end() - 2, ranked.end())),
                 (std::vector<RankedKey>{{0, 0}, {keys::kDelete, 0}}));
        // A mark key is worth what the mark after the kana before it is.
        const Distribution afterKa = installed().next(QStringLiteral("きょうはか"));
        const std::vector<RankedKey> marks = rankKeys(afterKa, {keys::kVoicedMark, keys::kSemiVoicedMark});
        QCOMPARE(marks.front(), (RankedKey{keys::kVoicedMark, afterKa[kVoiced]}));
        QCOMPARE(marks.back().probability, 0.0);
    }

    void tableBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("loads");
        const QByteArray good = NgramTable::build({reduce(QStringLiteral("きょうはいいてんきです。"))}, 3).toBytes();
        QByteArray badIndex = good;
        // The root's first follower pointed past the end.
        const qsizetype nodes = qsizetype(NgramTable::fromBytes(good).nodeCount());
        const qsizetype rootFirstChild = badIndex.size() - nodes * qsizetype(sizeof(NgramTable::Node)) + 8;
        badIndex[rootFirstChild + 3] = char(0x7F);
        QByteArray badMagic = good;
        badMagic[0] = 'X';
        QTest::newRow("round trip") << good << true;
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("cut short") << good.left(good.size() - 7) << false;
        QTest::newRow("not a model") << badMagic << false;
        QTest::newRow("follower out of range") << badIndex << false;
    }
    void tableBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, loads);
        QString why;
        const KanaModel m{NgramTable::fromBytes(bytes, &why)};
        QCOMPARE(!m.isEmpty(), loads);
        QCOMPARE(why.isEmpty(), loads);
        // A model that did not load still answers, evenly.
        const Distribution p = m.next(QStringLiteral("きょうは"));
        QVERIFY(qAbs(sum(p) - 1) < 1e-9);
        if (loads)
            QCOMPARE(symbolText(likeliest(p)), QStringLiteral("い"));
    }

    void missingFile()
    {
        QString why;
        QVERIFY(KanaModel::load(QStringLiteral("/nonexistent/kanamodel.bin"), &why).isEmpty());
        QVERIFY(!why.isEmpty());
    }

    void adaptation_data()
    {
        // A word the built model barely knows, written in the diary folder
        // or saved, becomes likelier after its beginning.
        QTest::addColumn<bool>("fromFolder");
        QTest::newRow("diary folder read at start") << true;
        QTest::newRow("text saved") << false;
    }
    void adaptation()
    {
        QFETCH(bool, fromFolder);
        QTemporaryDir dir;
        const QString diary = dir.filePath(QStringLiteral("日記26年12月07日.txt"));
        const QString text = QStringLiteral("きょうは、もじぽっとでかきました。\nあしたも、もじぽっとでかきます。\nもじぽっとはたのしいです。");
        filecodec::writeFile(diary, text);
        const QByteArray bytes = filecodec::encode(text);
        const QDateTime modified = QFileInfo(diary).lastModified();

        auto base = std::make_shared<const KanaModel>(KanaModel::load(QStringLiteral(MOJIPOT_KANA_MODEL_FILE)));
        Adaptation a(base);
        const QString before = QStringLiteral("きょうもも");
        const double at = a.next(before + QStringLiteral("じぽ"))[reduce(QStringLiteral("っ")).front()];
        QSignalSpy updated(&a, &Adaptation::updated);
        if (fromFolder)
            a.readFolder(dir.path());
        else
            a.takeText(dir.filePath(QStringLiteral("other.txt")), text);
        QVERIFY(a.busy());
        QVERIFY(updated.wait(5000));
        QVERIFY(!a.busy());
        QCOMPARE(a.userSymbols(), std::uint64_t(reduce(text).size()));
        const Distribution p = a.next(before + QStringLiteral("じぽ"));
        QVERIFY(qAbs(sum(p) - 1) < 1e-9);
        QVERIFY2(p[reduce(QStringLiteral("っ")).front()] > 2 * at, "the repeated word is likelier");
        QCOMPARE(a.rank(before + QStringLiteral("じぽ"), {1, 51}).front().tag, 51); // っ before あ

        // The diary is only read.
        QFile f(diary);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes);
        QCOMPARE(QFileInfo(diary).lastModified(), modified);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

        // A newer save of the same file replaces what was counted for it.
        a.takeText(fromFolder ? diary : dir.filePath(QStringLiteral("other.txt")), QStringLiteral("あ"));
        QVERIFY(updated.wait(5000));
        QCOMPARE(a.userSymbols(), std::uint64_t(1));
    }
};

QTEST_GUILESS_MAIN(TestPrediction)
#include "tst_prediction.moc"
