// The kana model: texts reduced to what the board writes, the history a
// prediction looks at, the built model file (probabilities, ranking of the
// shown keys, damaged files), and the adaptation to the user's diaries.
#include "base/keytable.h"
#include "base/filecodec.h"
#include "prediction/adaptation.h"
#include "prediction/corpus.h"
#include "prediction/kanamodel.h"
#include "prediction/scanorders.h"
#include "tests/inputboards.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <numeric>
#include <sys/stat.h>

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

    // The scan's orders for a text: the first group and its first key, where
    // "よむ" and "けすのれつ" stand, and in every row: each place of the board
    // offered in exactly one column, "よそく" of shown keys that write
    // something, likeliest first, and in order 3 each column likeliest first.
    void scanOrders_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("lastKana"); // practice mode's last kana shown
        QTest::addColumn<bool>("readBeforeCommands");
        QTest::addColumn<QString>("first");  // "group name:first key's Tag"
        QTest::addColumn<int>("read");       // the index of "よむ", -1 the last
        QTest::newRow("order 1: the board's whatever was written") << 1 << "ありがと" << 55 << false << "よむ:0" << 0;
        QTest::newRow("order 2 after ありがと: よそく with う first, よむ last")
            << 2 << "ありがと" << 55 << false << "よそく:3" << -1;
        QTest::newRow("order 2: よむ before the command columns") << 2 << "ありがと" << 55 << true << "よそく:3" << 12;
        QTest::newRow("order 2, practice mode: よそく of the shown keys")
            << 2 << "" << 5 << false << "よそく:5" << -1;
        QTest::newRow("order 2 after が: no ゛ offered") << 2 << "が" << 55 << false << "よそく:-" << -1;
        QTest::newRow("order 3 after ありがと: the あ column, う first") << 3 << "ありがと" << 55 << false << "あぎょう:3" << -1;
        QTest::newRow("order 3 after こんにち: the は column, は first")
            << 3 << "こんにち" << 55 << false << "はぎょう:26" << -1;
        QTest::newRow("order 3: よむ before けすのれつ") << 3 << "ありがと" << 55 << true << "あぎょう:3" << -2;
    }
    void scanOrders()
    {
        QFETCH(int, order);
        QFETCH(QString, before);
        QFETCH(int, lastKana);
        QFETCH(bool, readBeforeCommands);
        QFETCH(QString, first);
        QFETCH(int, read);
        const input::Reachable shown = practiceBoard(lastKana);
        const Distribution p = installed().next(before);
        OrderOptions options;
        options.read = readBeforeCommands ? ReadAt::BeforeCommands : ReadAt::Last;
        const input::ScanOrder groups = scanOrder(order, p, shown, options);

        const input::ScanGroup &g = groups.front();
        const QString firstKey = g.places.empty() ? QStringLiteral("?") : QString::number(g.places.front());
        QCOMPARE(g.name + u':' + (first.endsWith(u'-') ? QStringLiteral("-") : firstKey), first);
        const auto readAt = std::find_if(groups.begin(), groups.end(), [](const auto &x) { return x.pressAtOnce; });
        const auto deleteAt = std::find_if(groups.begin(), groups.end(), [](const auto &x) { return x.column == 13; });
        QCOMPARE(readAt - groups.begin(), read == -1 ? qsizetype(groups.size()) - 1 : read == -2 ? deleteAt - groups.begin() - 1 : read);

        std::vector<int> columns(keys::kCount, 0);
        for (const input::ScanGroup &x : groups) {
            for (std::size_t i = 0; i < x.places.size(); ++i) {
                const int tag = x.places[i];
                const double pr = symbolOfTag(tag) < 0 ? 0 : p[symbolOfTag(tag)];
                if (x.column >= 0) {
                    ++columns[tag];
                    QCOMPARE(tag == 0 ? 0 : keys::columnOf(tag), x.column);
                } else { // よそく
                    QVERIFY2(shown.test(tag) && pr > 0, qPrintable(QStringLiteral("よそく offers %1").arg(tag)));
                    QVERIFY(x.places.size() <= 5);
                }
                if (i > 0 && (x.column < 0 || order == 3)) {
                    const int prev = x.places[i - 1];
                    QVERIFY((symbolOfTag(prev) < 0 ? 0 : p[symbolOfTag(prev)]) >= pr);
                }
            }
        }
        QCOMPARE(std::count(columns.begin(), columns.end(), 1), qsizetype(keys::kCount));
        if (first.endsWith(u'-')) // after a voiced kana no mark can be put
            QVERIFY(std::find(g.places.begin(), g.places.end(), keys::kVoicedMark) == g.places.end());
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
        QByteArray hugeCount = good; // the node count near 2^62: times the node size it wraps round
        const quint64 wraps = (quint64(1) << 62) + quint64(nodes);
        std::memcpy(hugeCount.data() + 24, &wraps, sizeof wraps);
        QTest::newRow("node count that wraps round") << hugeCount << false;
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

    void smoothing_data()
    {
        // Tiny texts worked out by hand: discounts from the counts of counts
        // (kept below 1 for a count of 1), the rest of each context's mass
        // spread by the order below, down to an even share of the 57 symbols.
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("order");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("next");
        QTest::addColumn<double>("probability");
        // Order 1, counts あ 2, い 1: D = 1/3, the rest 2/9 spread evenly.
        QTest::newRow("unigram, seen twice") << "ああい" << 1 << "" << "あ" << 5.0 / 9 + 2.0 / 9 / 57;
        QTest::newRow("unigram, seen once") << "ああい" << 1 << "" << "い" << 2.0 / 9 + 2.0 / 9 / 57;
        QTest::newRow("unigram, unseen") << "ああい" << 1 << "" << "う" << 2.0 / 9 / 57;
        // Order 2: あ and い each follow one other symbol (the beginning, あ);
        // all counts are 1, so every discount is 0.95.
        const double low = 0.95 / 57 + 0.05 / 2;
        QTest::newRow("bigram, seen") << "あい" << 2 << "うあ" << "い" << 0.95 * low + 0.05;
        QTest::newRow("bigram, backed off") << "あい" << 2 << "うあ" << "あ" << 0.95 * low;
        QTest::newRow("bigram, unseen context") << "あい" << 2 << "うい" << "あ" << low;
    }
    void smoothing()
    {
        QFETCH(QString, text);
        QFETCH(int, order);
        QFETCH(QString, before);
        QFETCH(QString, next);
        QFETCH(double, probability);
        const NgramTable t = NgramTable::build({reduce(text)}, order, Smoothing::KneserNey);
        History h = historyOf(before, order - 1);
        h.atStart = false;
        QVERIFY(qAbs(t.next(h)[reduce(next).front()] - probability) < 1e-12);
    }

    void heldOut()
    {
        // Every fifth sentence is held out, the rest trained on, none lost.
        const QStringList all{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"};
        QCOMPARE(corpus::heldOut(all, 5), (QStringList{"5", "10"}));
        QCOMPARE(corpus::kept(all, 5).size() + corpus::heldOut(all, 5).size(), all.size());
        // The training text's ranges: a fifth, in five blocks, none overlapping.
        const std::vector<corpus::LineRange> ranges = corpus::dasherHeldOut(2515);
        QCOMPARE(ranges.size(), std::size_t(5));
        int lines = 0;
        for (std::size_t i = 0; i < ranges.size(); ++i) {
            lines += ranges[i].last - ranges[i].first + 1;
            QVERIFY(i == 0 || ranges[i].first > ranges[i - 1].last);
        }
        QCOMPARE(lines, 500);
        QCOMPARE(ranges.back().last, 2515);
        // Both notations lose the same lines; a line they share is taken once,
        // a line only one of them has is kept; lines are joined, spaces dropped.
        QStringList a, b;
        for (int i = 1; i <= 2515; ++i) {
            a << (i == 410 ? QStringLiteral("か\u3099") : QStringLiteral("あ い"));
            b << (i == 410 ? QStringLiteral("が") : i == 1 ? QStringLiteral("う") : QStringLiteral("あ い"));
        }
        const corpus::Texts held = corpus::dasherBoth(a, b, corpus::Part::HeldOut);
        const corpus::Texts train = corpus::dasherBoth(a, b, corpus::Part::Training);
        QCOMPARE(held.size(), std::size_t(5));
        QCOMPARE(shown(held.front()).left(20), QStringLiteral("あいあいあいあいあいあいか゛あいあいあい"));
        QCOMPARE(held.front().size(), std::size_t(100 * 2));
        QVERIFY(shown(train.front()).startsWith(QStringLiteral("あいあい")));
        QCOMPARE(train.front().size(), std::size_t(403 * 2 + 1)); // line 1 of both, and う
        QCOMPARE(shown(corpus::dasherBoth(a, b, corpus::Part::HeldOut, true).front()).left(6),
                 QStringLiteral("あ␣い␣あ␣"));
    }

    void userLimit()
    {
        // The newest writing is kept when the user's texts pass the limit.
        const UserText older{QStringLiteral("a"), QDateTime::fromSecsSinceEpoch(1000), reduce(QStringLiteral("ぬぬぬぬ"))};
        const UserText newer{QStringLiteral("b"), QDateTime::fromSecsSinceEpoch(2000), reduce(QStringLiteral("あいうえお"))};
        const NgramTable t = userTable({&older, &newer}, 3, 7);
        QCOMPARE(t.symbolsCounted(), std::uint64_t(7));
        History none;
        const Distribution p = t.next(none);
        QVERIFY(p[reduce(QStringLiteral("あ")).front()] > p[reduce(QStringLiteral("か")).front()]);
        QVERIFY(p[reduce(QStringLiteral("ぬ")).front()] > p[reduce(QStringLiteral("か")).front()]);
        QCOMPARE(userTable({&older, &newer}, 3, 5).symbolsCounted(), std::uint64_t(5));
        const Distribution onlyNew = userTable({&older, &newer}, 3, 5).next(none);
        QCOMPARE(onlyNew[reduce(QStringLiteral("ぬ")).front()], onlyNew[reduce(QStringLiteral("か")).front()]);
    }

    // What stands where the model file should: only a plain file of a model's
    // size is read; anything else leaves the board's order, never a hang or
    // the memory filled.
    void modelFile_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("loads");
        QTest::newRow("the model") << "model" << true;
        QTest::newRow("missing") << "missing" << false;
        QTest::newRow("a link to the model") << "link" << false;
        QTest::newRow("a link to /dev/zero") << "zero" << false;
        QTest::newRow("a pipe nobody writes") << "fifo" << false;
        QTest::newRow("a folder") << "folder" << false;
        QTest::newRow("2 GiB, sparse") << "huge" << false;
    }
    void modelFile()
    {
        QFETCH(QString, what);
        QFETCH(bool, loads);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kanamodel.bin"));
        const QString model = dir.filePath(QStringLiteral("real.bin"));
        {
            QFile f(model);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(NgramTable::build({reduce(QStringLiteral("きょうはいいてんきです。"))}, 3).toBytes());
        }
        if (what == u"model")
            QVERIFY(QFile::copy(model, path));
        else if (what == u"link")
            QVERIFY(QFile::link(model, path));
        else if (what == u"zero")
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        else if (what == u"fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (what == u"folder")
            QVERIFY(QDir().mkdir(path));
        else if (what == u"huge") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(qint64(2) << 30));
        }
        QString why;
        QCOMPARE(!KanaModel::load(path, &why).isEmpty(), loads);
        QCOMPARE(why.isEmpty(), loads);
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

        // Forgotten: neither the saved text nor the diary, older than the
        // time given, is counted again; their pieces go with them.
        a.forget(QDateTime::currentDateTime().addSecs(60));
        QCOMPARE(a.userSymbols(), std::uint64_t(0));
        QVERIFY(updated.wait(5000));
        QVERIFY(!a.busy());
        QCOMPARE(a.userSymbols(), std::uint64_t(0));
        QCOMPARE(a.lexicon()->size(), std::size_t(0));
    }
};

QTEST_GUILESS_MAIN(TestPrediction)
#include "tst_prediction.moc"
