// The word row's rules without a window: where a word starts, its
// completions from a model, the user's pieces and their conversions, how a
// completion is written, the phrase file and its pages, and what the row
// learns by being used.
#include "base/keytable.h"
#include "prediction/adaptation.h"
#include "prediction/completion.h"
#include "prediction/kanamodel.h"
#include "prediction/phrases.h"
#include "prediction/row.h"
#include "prediction/scanorders.h"
#include "prediction/usage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

using namespace prediction;

namespace {

const KanaModel &installed()
{
    static const KanaModel model = KanaModel::load(QStringLiteral(MOJIPOT_KANA_MODEL_FILE));
    return model;
}

// The scan's orders from the installed model; until told other settings,
// the board's order at a 1.0 s interval and a 0.5 s first wait.
std::shared_ptr<const KanaModel> installedModel()
{
    return std::make_shared<const KanaModel>(installed());
}

// The text before the insertion point and the row filled for it (its word
// starting with the text), as the window gives them to the scan's order.
struct Written : WritingNow
{
    QString before;
    std::optional<Row> shown; // none: the row is off
    QString textBefore(int characters) const override { return before.right(characters); }
    const Row *row(QString *text, int *wordStart) override
    {
        *text = before;
        *wordStart = 0;
        return shown ? &*shown : nullptr;
    }
};

// The installed model adapted to the user's texts, and their pieces, as
// the window has them once the texts were saved.
struct UserWriting
{
    explicit UserWriting(const QStringList &texts)
    {
        std::vector<std::vector<Symbol>> reduced;
        for (const QString &t : texts) {
            reduced.push_back(reduce(t));
            lexicon.add(reduced.back());
        }
        user = NgramTable::build(reduced, installed().order());
        sources.next = [this](const History &h) { return adapted(installed(), &user, h); };
        sources.lexicon = &lexicon;
    }
    NgramTable user;
    Lexicon lexicon;
    CompletionSources sources;
};

QStringList textsOf(const std::vector<Completion> &completions)
{
    QStringList out;
    for (const Completion &c : completions)
        out << c.text;
    return out;
}

QStringList lines(const PhraseList &list)
{
    QStringList out;
    for (const PhraseLine &l : list)
        out << (l.heading ? QStringLiteral("#") : QString()) + l.text;
    return out;
}

} // namespace

class TestWords : public QObject
{
    Q_OBJECT

private slots:
    void wordStart_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("sentenceStart");

        QTest::newRow("the start") << "" << 0 << 0 << true;
        QTest::newRow("kana from the start") << "ありが" << 0 << 0 << false;
        QTest::newRow("after a comma") << "きょうは、はれ" << 0 << 5 << false;
        QTest::newRow("right after a comma") << "きょうは、" << 0 << 5 << false;
        QTest::newRow("after a full stop") << "はい。いい" << 0 << 3 << false;
        QTest::newRow("right after a full stop") << "はい。" << 0 << 3 << true;
        QTest::newRow("right after a new line") << "はい\n" << 0 << 3 << true;
        QTest::newRow("after a space") << "はい\u3000いいえ" << 0 << 3 << false;
        QTest::newRow("after kanji") << "今日はいい" << 0 << 2 << false;
        QTest::newRow("after katakana") << "テレビをみ" << 0 << 3 << false;
        QTest::newRow("voiced and small kana, ー") << "ぎゅうにゅーぱ" << 0 << 0 << false;
        QTest::newRow("small kana the board lacks") << "ふぁいと" << 0 << 2 << false;
        QTest::newRow("a conversion's end as anchor") << "きょうはいい" << 4 << 4 << false;
    }
    void wordStart()
    {
        QFETCH(QString, text);
        QFETCH(int, anchor);
        QFETCH(int, start);
        QFETCH(bool, sentenceStart);
        QCOMPARE(prediction::wordStart(text, int(text.size()), anchor), start);
        QCOMPARE(atSentenceStart(text, int(text.size())), sentenceStart);
    }

    // The first completions after the user wrote `written` (and saved it).
    void completions_data()
    {
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QStringList>("first");

        QTest::newRow("nothing written yet: the model's words")
            << QStringList{} << "ありがと" << QStringList{"ありがとうございます", "ありがとうございました"};
        QTest::newRow("written once: the user's phrase first")
            << QStringList{"ありがとうございました。"} << "あり" << QStringList{"ありがとうございました"};
        QTest::newRow("the pieces after the same phrase first")
            << QStringList{"きょうは、はれでした。", "あしたは、はやくおきます。", "きょうは、はれでした。"}
            << "きょうは、は" << QStringList{"はれでした"};
        QTest::newRow("after a comma, the phrase that followed it")
            << QStringList{"きょうも、ぶじにおわりました。", "あめも、ふりました。"} << "きょうも、"
            << QStringList{"ぶじにおわりました"};
        QTest::newRow("a voicing mark changes the last kana")
            << QStringList{"がっこうにいきました。"} << "か" << QStringList{"がっこうにいきました"};
        QTest::newRow("the most written first")
            << QStringList{"みけにごはんをあげました。", "みかにでんわしました。", "みかにでんわしました。"} << "み"
            << QStringList{"みかにでんわしました", "みけにごはんをあげました"};
        QTest::newRow("a word already whole: nothing of the user's")
            << QStringList{"はい。", "はい。"} << "はい" << QStringList{};
    }
    void completions()
    {
        QFETCH(QStringList, written);
        QFETCH(QString, before);
        QFETCH(QStringList, first);
        const UserWriting user(written);
        const int start = prediction::wordStart(before, int(before.size()));
        const std::vector<Completion> got = complete(user.sources, before, start);
        if (first.isEmpty())
            QCOMPARE(textsOf(got).filter(QRegularExpression(QStringLiteral("^はい.+"))), QStringList{});
        QCOMPARE(textsOf(got).mid(0, first.size()), first);
        for (const Completion &c : got) {
            QVERIFY(c.characters >= 2);
            QVERIFY(c.probability >= CompletionLimits{}.minProbability);
            QCOMPARE(c.reading, c.text);
        }
    }

    // Whatever is written, the installed model's completions go on from the
    // word, never repeat, and write at least two characters each.
    void anyText_data()
    {
        QTest::addColumn<QString>("before");
        for (const char *t : {"", "あ", "ありがと", "きょうは、", "びょういんに", "ぱ", "ー", "今日はいい", "。",
                              "ぬぬぬぬぬぬ", "ゔ", "ふぁ"})
            QTest::newRow(t[0] ? t : "empty") << QString::fromUtf8(t);
    }
    void anyText()
    {
        QFETCH(QString, before);
        QVERIFY(!installed().isEmpty());
        CompletionSources sources;
        sources.next = [](const History &h) { return installed().next(h); };
        const int start = prediction::wordStart(before, int(before.size()));
        const std::vector<Completion> got = complete(sources, before, start);
        QVERIFY(got.size() <= 5);
        const QString word = before.mid(start);
        QStringList seen;
        for (const Completion &c : got) {
            QVERIFY2(!seen.contains(c.text), qPrintable(c.text));
            seen << c.text;
            const CompletionEdit edit = editFor(word, c.text);
            QCOMPARE(word.left(edit.keep) + edit.write, c.text);
            QVERIFY(edit.keep >= word.size() - 1); // at most the last kana takes a mark
            for (QChar ch : c.text)
                QVERIFY2(isWordCharacter(ch), qPrintable(c.text));
        }
    }

    // Committed conversions carry their kanji; chosen words come first among equals.
    void conversionsAndChoices()
    {
        const UserWriting user({"きしゃになりたい。", "きしゃをみた。", "きしゃになりたい。"});
        CompletionSources sources = user.sources;
        sources.lexicon = nullptr;
        sources.conversions = {{QStringLiteral("きしゃ"), QStringLiteral("記者")},
                               {QStringLiteral("きもの"), QStringLiteral("着物")}};
        std::vector<Completion> got = complete(sources, u"きし", 0);
        const auto kanji = std::find_if(got.begin(), got.end(), [](const Completion &c) { return c.converted; });
        QVERIFY(kanji != got.end());
        QCOMPARE(*kanji, (Completion{QStringLiteral("記者"), QStringLiteral("きしゃ"), kanji->probability, 2, true}));
        QVERIFY(std::none_of(got.begin(), got.end(), [](const Completion &c) { return c.text == u"着物"; }));

        // A word chosen before comes sooner than it would.
        sources.conversions.clear();
        const auto place = [&](const CompletionSources &from) {
            const QStringList texts = textsOf(complete(from, u"きし", 0));
            return texts.contains(u"きしゃをみた") ? texts.indexOf(u"きしゃをみた") : 99;
        };
        const int unchosen = place(sources);
        const QHash<QString, int> chosen{{QStringLiteral("きしゃをみた"), 3}};
        sources.chosen = &chosen;
        QCOMPARE(place(sources), 0);
        QVERIFY(unchosen > 0);
    }

    // The engine's kanji words of the completions are offered as
    // conversions, where their reading goes on from the word.
    void engineWords_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QStringList>("engineWords"); // reading=text
        QTest::addColumn<QString>("offered");         // a converted completion expected, or none
        QTest::addColumn<QString>("notOffered");
        QTest::newRow("the word completed, in kanji") << "びょうい" << QStringList{"びょういん=病院"} << "病院" << "";
        QTest::newRow("a phrase in kanji") << "びょうい" << QStringList{"びょういんに=病院に"} << "病院に" << "";
        QTest::newRow("a reading that goes another way") << "びょうい" << QStringList{"きしゃ=記者", "びょういん=病院"}
                                                         << "病院" << "記者";
        QTest::newRow("the word as written, converted: it spares converting") << "びょういん" << QStringList{"びょういん=病院"}
                                                                              << "病院" << "";
        QTest::newRow("none: the row as before") << "びょうい" << QStringList{} << "" << "";
        // "?": the engine's own prediction from the word as written.
        QTest::newRow("predicted: a word the model hardly knows") << "かんご" << QStringList{"?かんごし=看護師"} << "看護師" << "";
        QTest::newRow("predicted as written") << "きのう" << QStringList{"?きのう=昨日"} << "昨日" << "";
        QTest::newRow("predicted, going another way: not offered") << "びょうい" << QStringList{"?きしゃ=記者"} << "" << "記者";
    }
    void engineWords()
    {
        QFETCH(QString, word);
        QFETCH(QStringList, engineWords);
        QFETCH(QString, offered);
        QFETCH(QString, notOffered);
        const UserWriting user({});
        CompletionSources sources = user.sources;
        const std::vector<Completion> kana = complete(sources, word, 0);
        for (const QString &w : engineWords)
            (w.startsWith(u'?') ? sources.predicted : sources.engineWords)
                .append({w.section(u'=', 0, 0).remove(u'?'), w.section(u'=', 1)});
        const std::vector<Completion> got = complete(sources, word, 0);
        if (engineWords.isEmpty())
            QCOMPARE(got, kana);
        const auto it = std::find_if(got.begin(), got.end(), [](const Completion &c) { return c.converted; });
        if (offered.isEmpty()) {
            QVERIFY(it == got.end());
            return;
        }
        QVERIFY2(it != got.end(), qPrintable(textsOf(got).join(u' ')));
        QCOMPARE(it->text, offered);
        QVERIFY(it->reading.startsWith(word));
        // It spares converting as well: one more than its kana; the word as
        // written spares "へんかん" and "かくてい".
        QCOMPARE(it->characters, it->reading == word ? 2 : int(it->reading.size() - word.size()) + 1);
        QVERIFY(!textsOf(got).contains(notOffered) || notOffered.isEmpty());
    }

    // The conversion keys among the scan's groups by their likelihood: in
    // order 2's "よそく" when among the likeliest, in order 3 their column
    // weighed with them and they first in it; not at all when unlikely or
    // not on the board (conversion off); without them the orders as before.
    void conversionKeysInOrders_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<double>("convert");
        QTest::addColumn<double>("commit");
        QTest::addColumn<bool>("blanksShown");
        QTest::addColumn<QString>("expected"); // the first group's first places, or "as before"
        QTest::newRow("order 2, candidates shown: かくてい, then へんかん first in よそく")
            << 2 << 0.1 << 0.8 << true << "よそく:59,58";
        QTest::newRow("order 2, a likely conversion: へんかん first in よそく") << 2 << 0.5 << 0.0 << true << "よそく:58";
        QTest::newRow("order 2, an unlikely conversion: as before") << 2 << 0.0001 << 0.0 << true << "as before";
        QTest::newRow("order 2, blank keys not on the board: as before") << 2 << 0.5 << 0.4 << false << "as before";
        QTest::newRow("order 2, none: as before") << 2 << 0.0 << 0.0 << true << "as before";
        QTest::newRow("order 3, candidates shown: the くうはく column first, かくてい first in it")
            << 3 << 0.1 << 0.8 << true << "くうはくのれつ:59,58";
        QTest::newRow("order 3, none: as before") << 3 << 0.0 << 0.0 << true << "as before";
        QTest::newRow("the board's order: as before") << 1 << 0.5 << 0.4 << true << "as before";
    }
    void conversionKeysInOrders()
    {
        QFETCH(int, order);
        QFETCH(double, convert);
        QFETCH(double, commit);
        QFETCH(bool, blanksShown);
        QFETCH(QString, expected);
        input::Reachable board = input::allShown();
        if (!blanksShown) {
            board.reset(keys::kBlank1);
            board.reset(keys::kBlank2);
        }
        std::vector<RankedKey> commands;
        for (const RankedKey &k : {RankedKey{keys::kBlank1, convert}, RankedKey{keys::kBlank2, commit}})
            if (k.probability > 0)
                commands.push_back(k);
        const Distribution next = installed().next(u"きょうは");
        const input::ScanOrder plain = scanOrder(order, next, board);
        const input::ScanOrder got = scanOrder(order, next, board, {}, commands);
        if (expected == u"as before") {
            QCOMPARE(got.size(), plain.size());
            for (std::size_t g = 0; g < got.size(); ++g) {
                QCOMPARE(got[g].name, plain[g].name);
                QCOMPARE(got[g].places, plain[g].places);
            }
            return;
        }
        QCOMPARE(got.size(), plain.size());
        QStringList first;
        for (int tag : got.front().places)
            first << QString::number(tag);
        QString shownFirst = got.front().name + u':' + first.mid(0, int(expected.count(u',')) + 1).join(u',');
        QCOMPARE(shownFirst, expected);
        // The kana keys keep their order among themselves.
        std::vector<int> kanaGot, kanaPlain;
        for (int tag : got.front().places)
            if (tag != keys::kBlank1 && tag != keys::kBlank2)
                kanaGot.push_back(tag);
        for (int tag : plain.front().places)
            if (tag != keys::kBlank1 && tag != keys::kBlank2)
                kanaPlain.push_back(tag);
        if (order == 2)
            QVERIFY(std::equal(kanaGot.begin(), kanaGot.end(), kanaPlain.begin()));
    }

    void edits_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("completion");
        QTest::addColumn<int>("keep");
        QTest::addColumn<QString>("write");
        QTest::newRow("the rest") << "あり" << "ありがとう" << 2 << "がとう";
        QTest::newRow("the last kana voiced") << "か" << "がっこう" << 0 << "がっこう";
        QTest::newRow("half-voiced after two") << "えんひ" << "えんぴつ" << 2 << "ぴつ";
        QTest::newRow("an empty word") << "" << "ぶじに" << 0 << "ぶじに";
    }
    void edits()
    {
        QFETCH(QString, word);
        QFETCH(QString, completion);
        QFETCH(int, keep);
        QFETCH(QString, write);
        const CompletionEdit e = editFor(word, completion);
        QCOMPARE(e.keep, keep);
        QCOMPARE(e.write, write);
    }

    void lexicon()
    {
        Lexicon l;
        l.add(reduce(u"きょうは、はれ。きょうは、あめ。\nきょうも、はれ。あ。"));
        QCOMPARE(l.size(), std::size_t(4)); // きょうは きょうも はれ あめ; "あ" is too short
        const Lexicon::Pieces got = l.continuing(reduce(u"きょう"), 5);
        QCOMPARE(got.longer.size(), std::size_t(2));
        QCOMPARE(got.total, 3);
        QCOMPARE(textOf(got.longer[0].first), QStringLiteral("きょうは"));
        QCOMPARE(got.longer[0].second, 2);
        QCOMPARE(textOf(got.longer[1].first), QStringLiteral("きょうも"));
        QVERIFY(l.continuing(reduce(u"きょうは"), 5).longer.empty()); // only longer pieces
        QCOMPARE(l.continuing(reduce(u"きょうは"), 5).total, 2);
        QCOMPARE(l.continuing({}, 1).longer.size(), std::size_t(1));

        // After a piece and its phrase ends: what followed them.
        const std::vector<Symbol> context = Lexicon::contextOf(reduce(u"あ。きょうは、"));
        QCOMPARE(textOf(context), QStringLiteral("きょうは、"));
        const Lexicon::Pieces after = l.continuingAfter(context, {}, 5);
        QCOMPARE(after.total, 2);
        QCOMPARE(textOf(after.longer[0].first), QStringLiteral("あめ"));
        QCOMPARE(textOf(after.longer[1].first), QStringLiteral("はれ"));
        QVERIFY(Lexicon::contextOf(reduce(u"今日")).empty());
    }

    void phraseFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("read");
        QTest::addColumn<int>("badLine");

        const QStringList defaults = lines(defaultPhrases());
        QTest::newRow("phrases and headings")
            << QByteArray("# \xE3\x81\x82\n\xE3\x81\x84\xE3\x81\x84\n\n  \xE3\x81\x86  \n") << int(PhraseFile::Read)
            << QStringList{"#あ", "いい", "う"} << 0;
        QTest::newRow("byte-order mark and CR LF")
            << QByteArray("\xEF\xBB\xBF\xE3\x81\x82\r\n#\r\n") << int(PhraseFile::Read) << QStringList{"あ"} << 0;
        QTest::newRow("empty file") << QByteArray() << int(PhraseFile::Read) << QStringList{} << 0;
        QTest::newRow("Shift-JIS bytes") << QByteArray("\x82\xA0\n") << int(PhraseFile::BadBytes) << defaults << 1;
        QTest::newRow("a cut character on line 2")
            << QByteArray("\xE3\x81\x82\n\xE3\x81\n") << int(PhraseFile::BadBytes) << defaults << 2;
        QTest::newRow("a NUL") << QByteArray("a\0b\n", 4) << int(PhraseFile::BadBytes) << defaults << 1;
        QTest::newRow("a direction override")
            << QByteArray("\xE2\x80\xAE\xE3\x81\x82\n") << int(PhraseFile::BadBytes) << defaults << 1;
    }
    void phraseFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        QFETCH(QStringList, read);
        QFETCH(int, badLine);
        const PhraseFile f = phrasesFromBytes(bytes);
        QCOMPARE(int(f.status), status);
        QCOMPARE(lines(f.lines), read);
        QCOMPARE(int(f.badLine), badLine);
        QCOMPARE(f.reason.isEmpty(), status == PhraseFile::Read);
        if (status == PhraseFile::Read) // what is written reads back the same
            QCOMPARE(phrasesFromBytes(phraseBytes(f.lines)).lines, f.lines);
    }

    // The file as found on the disk: missing, a folder, too large; a file
    // that is not used is left with its bytes.
    void phraseFileOnDisk()
    {
        QTemporaryDir dir;
        const QString path = phraseFile(dir.filePath(QStringLiteral("mojipot.ini")));
        QCOMPARE(path, dir.filePath(QStringLiteral("定型文.txt")));
        PhraseFile f = readPhraseFile(path);
        QCOMPARE(int(f.status), int(PhraseFile::Missing));
        QCOMPARE(phrasesOf(f.lines).size(), 20);
        QVERIFY(phrasesOf(f.lines).contains(QStringLiteral("トイレにいきたいです。")));

        QFile big(path);
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(kMaxPhraseFileBytes + 1));
        big.close();
        f = readPhraseFile(path);
        QCOMPARE(int(f.status), int(PhraseFile::TooLarge));
        QCOMPARE(QFileInfo(path).size(), kMaxPhraseFileBytes + 1);
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("定型文.txt")));
        QCOMPARE(int(readPhraseFile(path).status), int(PhraseFile::Unreadable));
    }

    void pages_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<bool>("next");
        QTest::newRow("fewer than the places") << 3 << 0 << QStringList{"0", "1", "2"} << false;
        QTest::newRow("exactly the places") << 5 << 0 << QStringList{"0", "1", "2", "3", "4"} << false;
        QTest::newRow("one more: four and つぎ") << 6 << 0 << QStringList{"0", "1", "2", "3"} << true;
        QTest::newRow("the last page") << 6 << 1 << QStringList{"4", "5"} << true;
        QTest::newRow("after the last, the first") << 6 << 2 << QStringList{"0", "1", "2", "3"} << true;
        QTest::newRow("none") << 0 << 0 << QStringList{} << false;
    }
    void pages()
    {
        QFETCH(int, count);
        QFETCH(int, page);
        QFETCH(QStringList, shown);
        QFETCH(bool, next);
        QStringList phrases;
        for (int i = 0; i < count; ++i)
            phrases << QString::number(i);
        const PhrasePage p = phrasePage(phrases, page, 5);
        QCOMPARE(p.phrases, shown);
        QCOMPARE(p.next, next);
    }

    // The scan's times, worked out by hand on the board's order (timing
    // 1.0 s interval, 0.5 s first wait, 0.15 s + 0.12 s a character said).
    void scanTimes()
    {
        const ScanOrders orders(installedModel(), 14);
        const input::Reachable all = input::allShown();
        const double place = 1.0 + 0.27, pressed = 2 * 0.5 + 0.27;
        // あ: its column is the second group, its key the first: three places.
        QCOMPARE(orders.typingTime(u"", reduce(u"あ"), all), 3 * place + pressed);
        // が: か (column 2, key 1: four places), then ゛ (column 10, key 4: 15 places).
        QCOMPARE(orders.typingTime(u"", reduce(u"が"), all), 4 * place + pressed + 15 * place + pressed);
        Row row;
        row[0] = {RowItem::Completion, "ありがとう", "ありがとう", {"ありがとう", "ありがとう", 0.5, 3, false}};
        row[1] = {RowItem::Completion, "あります", "あります", {"あります", "あります", 0.2, 2, false}};
        // The row named by its first word, its places up to the second, the
        // first waits, the second word said after its press.
        QCOMPARE(rowTime(row, 1, orders.timing()), (0.75 + 1) + 2 * 0.5 + 0.63 + (0.75 + 1) + (0.63 + 1));
    }

    // Offered first only when it is expected to save more than its own
    // highlight, by three quarters of the interval.
    void gain_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("word");
        QTest::addColumn<double>("probability");
        QTest::addColumn<bool>("pays");
        QTest::addColumn<bool>("first");
        QTest::newRow("a likely long word") << "あり" << "ありがとうございました" << 0.6 << true << true;
        QTest::newRow("an unlikely long word") << "あり" << "ありがとうございました" << 0.01 << false << false;
        QTest::newRow("two more kana, likely: worth it on the board's order") << "きょ" << "きょうは" << 0.6 << true << true;
        QTest::newRow("two more kana, seldom wanted") << "きょ" << "きょうは" << 0.05 << false << false;
        QTest::newRow("two more kana, now and then: pays, not by the margin") << "きょ" << "きょうは" << 0.13 << true << false;
        QTest::newRow("a likely phrase") << "" << "おやすみなさい。" << 0.5 << true << true;
        QTest::newRow("a phrase of 349 525 kana: saying it costs more than writing its start")
            << "" << QString(349525, u'あ') << 0.5 << false << false;
    }
    void gain()
    {
        QFETCH(QString, before);
        QFETCH(QString, word);
        QFETCH(double, probability);
        QFETCH(bool, pays);
        QFETCH(bool, first);
        const ScanOrders orders(installedModel(), 14);
        const input::Reachable all = input::allShown();
        const bool phrase = before.isEmpty();
        Row row;
        row[0] = {phrase ? RowItem::Phrase : RowItem::Completion, word, word,
                  {word, word, probability, int(word.size() - before.size()), false}};
        const double gain = orders.expectedGain(row, before, 0, all);
        QCOMPARE(gain > 0, pays);

        // In the scan: first when it pays by the margin, else last; named by its first word.
        input::ScanOrder order = input::boardOrder();
        orders.placeRow(order, row, before, 0, all);
        QCOMPARE(order.size(), input::boardOrder().size() + 1);
        const input::ScanGroup &g = first ? order.front() : order.back();
        QCOMPARE(g.name, word);
        QCOMPARE(g.column, 14);
        QCOMPARE(g.places, std::vector<int>{input::kFirstWord});

        order = input::boardOrder(); // nothing in the row: no group
        orders.placeRow(order, Row{}, before, 0, all);
        QCOMPARE(order.size(), input::boardOrder().size());
    }

    // The order switch input is offered: the order chosen from the model for
    // the text before the insertion point, and the row's group first or last
    // by the pace the switch settings give (worked out by hand for the
    // board's order: a word of p = 0.17 gains 12 p − 1.75 intervals and
    // loses 0.16 s otherwise without a first wait).
    void ordersOffered_data()
    {
        QTest::addColumn<bool>("model");
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("firstWait");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("word"); // in the row's first place; empty: the row is off
        QTest::addColumn<double>("probability");
        QTest::addColumn<QString>("first"); // the first group's name
        QTest::addColumn<int>("rowAt");     // the row's group: 0 first, 1 last, -1 none
        QTest::newRow("order 1: the board's, よむ first") << true << 1 << 1000 << 500 << "ありがと" << "" << 0.0 << "よむ" << -1;
        QTest::newRow("order 2 after ありがと: よそく first") << true << 2 << 1000 << 500 << "ありがと" << "" << 0.0 << "よそく" << -1;
        QTest::newRow("order 3 after こんにち: the は column first")
            << true << 3 << 1000 << 500 << "こんにち" << "" << 0.0 << "はぎょう" << -1;
        QTest::newRow("order 3 without a model: the board's") << false << 3 << 1000 << 500 << "こんにち" << "" << 0.0 << "よむ" << -1;
        QTest::newRow("order 2, a likely long word: the row first")
            << true << 2 << 1000 << 500 << "あり" << "ありがとうございました" << 0.6 << "ありがとうございました" << 0;
        QTest::newRow("order 2, an unlikely long word: the row last")
            << true << 2 << 1000 << 500 << "あり" << "ありがとうございました" << 0.01 << "よそく" << 1;
        QTest::newRow("order 1, a word now and then: the row last") << true << 1 << 1000 << 500 << "きょ" << "きょうは" << 0.13 << "よむ" << 1;
        QTest::newRow("the same after a first wait of 5 s: the row first")
            << true << 1 << 1000 << 5000 << "きょ" << "きょうは" << 0.13 << "きょうは" << 0;
        QTest::newRow("a scan every 0.3 s: the row last") << true << 1 << 300 << 0 << "きょ" << "きょうは" << 0.17 << "よむ" << 1;
        QTest::newRow("the same every 3 s: the row first") << true << 1 << 3000 << 0 << "きょ" << "きょうは" << 0.17 << "きょうは" << 0;
    }
    void ordersOffered()
    {
        QFETCH(bool, model);
        QFETCH(int, order);
        QFETCH(int, interval);
        QFETCH(int, firstWait);
        QFETCH(QString, before);
        QFETCH(QString, word);
        QFETCH(double, probability);
        QFETCH(QString, first);
        QFETCH(int, rowAt);
        ScanOrders orders(model ? installedModel() : std::make_shared<const KanaModel>(), 14);
        Written written;
        written.before = before;
        if (!word.isEmpty()) {
            written.shown = Row{};
            (*written.shown)[0] = {RowItem::Completion, word, word, {word, word, probability, int(word.size()), false}};
        }
        input::SwitchSettings settings;
        settings.order = order;
        settings.interval = interval;
        settings.firstWait = firstWait;
        orders.setSettings(settings); // as switch input tells it
        const input::Reachable all = input::allShown();
        QCOMPARE(orders.next(all), input::boardOrder()); // nothing written to compute it for
        orders.setWriting(&written);
        const input::ScanOrder offered = orders.next(all);
        QCOMPARE(offered.front().name, first);
        // Without the row, the order from the model alone.
        const input::ScanOrder plain = model ? scanOrder(order, installed().next(before), all) : input::boardOrder();
        QCOMPARE(offered.size(), plain.size() + (rowAt >= 0));
        if (rowAt < 0) {
            QCOMPARE(offered, plain);
            return;
        }
        const input::ScanGroup &row = rowAt == 0 ? offered.front() : offered.back();
        QCOMPARE(row.name, word);
        QCOMPARE(row.column, 14);
        QCOMPARE(input::ScanOrder(offered.begin() + (rowAt == 0), offered.end() - (rowAt == 1)), plain);
    }

    // Phrases at the start of a sentence, paged; completions after it, page 0.
    void rows()
    {
        const UserWriting user({"おやすみなさい。"});
        RowSources sources{user.sources, {}, {"はい。", "いいえ。", "おやすみなさい。", "みず", "トイレ", "くすり"}};
        int page = 1;
        Row row = rowFor(sources, u"あ。", 2, page);
        QCOMPARE(page, 1);
        QCOMPARE(row[0].caption, QStringLiteral("トイレ"));
        QCOMPARE(row[4].kind, RowItem::Next);
        page = 0;
        row = rowFor(sources, u"", 0, page);
        const UserWriting nothing({});
        QVERIFY(row[2].completion.probability // written before: likelier than by the built model alone
                > 2 * likelihoodOf(nothing.sources, u"", QStringLiteral("おやすみなさい。")));
        QCOMPARE(row[2].completion.characters, 8);
        row = rowFor(sources, u"おや", 0, page);
        QCOMPARE(page, 0);
        QCOMPARE(row[0].kind, RowItem::Completion);
        QCOMPARE(row[0].caption, QStringLiteral("おやすみなさい"));
        QVERIFY(likelihoodOf(sources.completions, u"", QStringLiteral("今日")) < 0.01);
    }

    void usage()
    {
        Usage u;
        u.chosePhrase(QStringLiteral("はい。"));
        u.chosePhrase(QStringLiteral("はい。"));
        u.chosePhrase(QStringLiteral("いいえ。"));
        u.choseWord(QStringLiteral("ありがとう"));
        u.choseWord(QString::fromUtf8("あ\xE2\x80\xAEい")); // a direction override is not learnt
        QCOMPARE(byUse({"いいえ。", "みず", "はい。"}, u.phrases()), (QStringList{"はい。", "いいえ。", "みず"}));
        QCOMPARE(u.words().size(), 1);

        Usage back = Usage::fromBytes(u.toBytes());
        QCOMPARE(back.phrases(), u.phrases());
        QCOMPARE(back.words(), u.words());

        // Damaged lines are left out, the good ones kept.
        back = Usage::fromBytes(u.toBytes() + "phrase\tx\tみず\nword\t-1\ta\nword\t2\t\x82\xA0\nphrase\t1\n\n");
        QCOMPARE(back.phrases(), u.phrases());

        const QDateTime when = QDateTime::fromString(QStringLiteral("2026-12-07T10:00:00Z"), Qt::ISODate);
        u.forget(when);
        QVERIFY(u.phrases().isEmpty() && u.words().isEmpty());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("data/mojipot/word-history.txt"));
        QVERIFY(u.writeFile(path));
        const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        QCOMPARE(QFile::permissions(path) & others, QFile::Permissions());
        QCOMPARE(Usage::readFile(path).forgotten(), when);
    }

    // The moment of forgetting is never lost, whatever the file's size: the
    // largest file the program writes is read whole, and of a file grown by
    // hand or damaged beyond what is read the moment is looked for in the
    // rest, or taken as the file's last change when that is too large too.
    void forgottenMomentKept_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<qint64>("filler"); // bytes of word lines after the head (a hole when negative)
        QTest::addColumn<QByteArray>("end");
        QTest::addColumn<QString>("forgotten");
        QTest::addColumn<int>("phrases");
        const QByteArray moment = "forgotten\t2026-12-07T10:00:00Z\n";
        const QString at = QStringLiteral("2026-12-07T10:00:00Z");
        const QString changed = QStringLiteral("2027-01-02T03:04:05Z"); // the file's last change

        // The most the program keeps, each text at its longest in bytes.
        Usage largest;
        largest.forget(QDateTime::fromString(at, Qt::ISODate));
        const QString kana(Usage::kMaxTextLength - 5, u'を');
        for (int i = 0; i < Usage::kMaxEntries; ++i) {
            const QString n = QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0'));
            largest.chosePhrase(kana + n);
            largest.choseWord(n + kana);
            largest.choseConversion(QString(Usage::kMaxConversionLength - 5, u'き') + n,
                                    QString(Usage::kMaxConversionLength - 5, u'記') + n);
        }
        QVERIFY(largest.toBytes().size() <= Usage::kMaxFileBytes);
        QTest::newRow("the largest file the program writes: read whole")
            << largest.toBytes() << qint64(0) << QByteArray() << at << Usage::kMaxEntries;

        QByteArray longPhrases = moment; // after forgetting, 2 000 long phrases chosen: 1.2 MB
        for (int i = 0; i < Usage::kMaxEntries; ++i)
            longPhrases += "phrase\t1\t" + (QString(190, u'こ') + QString::number(100000 + i)).toUtf8() + '\n';
        QVERIFY(longPhrases.size() > 1024 * 1024);
        QTest::newRow("2 000 long phrases after forgetting")
            << longPhrases << qint64(0) << QByteArray() << at << Usage::kMaxEntries;

        const qint64 beyond = Usage::kMaxFileBytes + 1024 * 1024;
        QTest::newRow("grown by hand beyond what is read: the moment at its head")
            << moment << beyond << QByteArray() << at << 0;
        QTest::newRow("grown by hand: the moment among the lines, CR LF")
            << QByteArray("phrase\t3\tはい。\n") + QByteArray(moment).replace('\n', "\r\n") << beyond
            << QByteArray("phrase\t2\tいいえ。\n") << at << 1;
        QTest::newRow("two moments far apart: the later one")
            << QByteArray("forgotten\t2030-01-01T00:00:00Z\n") << beyond << moment << "2030-01-01T00:00:00Z" << 0;
        QTest::newRow("a damaged moment is no moment")
            << QByteArray("forgotten\tyesterday\nforgotten\t2026-12-07T10:00:00Z\tx\n") << beyond << QByteArray()
            << QString() << 0;
        QTest::newRow("too large to look through: as forgotten up to its last change")
            << moment << -(Usage::kMaxScanBytes + Usage::kMaxFileBytes) << QByteArray("\nphrase\t1\tはい。\n")
            << changed << 1;
        // Reading the last bytes starts 10 bytes into the moment's line.
        QTest::newRow("the moment on the line where reading starts")
            << QByteArray("phrase\t1\tはい。\n") + moment << qint64(0)
            << QByteArray(Usage::kMaxFileBytes - moment.size() + 10 - 1, '#') + '\n' << at << 0;
    }
    void forgottenMomentKept()
    {
        QFETCH(QByteArray, head);
        QFETCH(qint64, filler);
        QFETCH(QByteArray, end);
        QFETCH(QString, forgotten);
        QFETCH(int, phrases);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("word-history.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(head), head.size());
        if (filler < 0) { // a hole of zeros, taking no room on the disk
            QVERIFY(f.resize(f.size() - filler));
            QVERIFY(f.seek(f.size()));
        }
        const QByteArray word = "word\t1\t" + QString(60, u'ぬ').toUtf8() + '\n';
        for (qint64 n = 0; n < filler; n += word.size())
            QCOMPARE(f.write(word), word.size());
        QCOMPARE(f.write(end), end.size());
        f.close();
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::fromString(QStringLiteral("2027-01-02T03:04:05Z"), Qt::ISODate),
                              QFileDevice::FileModificationTime));
        f.close();

        const Usage u = Usage::readFile(path);
        QCOMPARE(u.forgotten(), forgotten.isEmpty() ? QDateTime() : QDateTime::fromString(forgotten, Qt::ISODate));
        QCOMPARE(int(u.phrases().size()), phrases);
        if (QTest::currentDataTag() == QByteArrayView("the largest file the program writes: read whole")) {
            QCOMPARE(u.words().size(), Usage::kMaxEntries);
            const QString n = QStringLiteral("00007");
            const std::pair<QString, QString> c{QString(Usage::kMaxConversionLength - 5, u'き') + n,
                                                QString(Usage::kMaxConversionLength - 5, u'記') + n};
            QCOMPARE(u.offered({c}), (QList<std::pair<QString, QString>>{c}));
        }
    }

    // Which committed conversions the row offers: all of them until the
    // user first asks to forget, then those committed since, in every
    // start; a line of the file that is not a plain conversion is left out.
    void conversionsOffered_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("committed"); // since the file was read
        QTest::addColumn<QStringList>("offered");   // of きしゃ→記者, きしゃ→汽車, きせつ→季節
        const QByteArray moment = "forgotten\t2026-12-07T10:00:00Z\n";
        QTest::newRow("never forgotten: every one") << QByteArray() << QStringList{"きせつ:季節"}
                                                    << QStringList{"きしゃ:記者", "きしゃ:汽車", "きせつ:季節"};
        QTest::newRow("forgotten, nothing since: none") << moment << QStringList{} << QStringList{};
        QTest::newRow("forgotten, one committed since")
            << moment << QStringList{"きしゃ:汽車"} << QStringList{"きしゃ:汽車"};
        QTest::newRow("forgotten, one committed in an earlier start")
            << moment + "conversion\tきせつ\t季節\n" << QStringList{} << QStringList{"きせつ:季節"};
        QTest::newRow("conversion lines without a moment are not trusted")
            << QByteArray("conversion\tきせつ\t季節\n") << QStringList{}
            << QStringList{"きしゃ:記者", "きしゃ:汽車", "きせつ:季節"};
        QTest::newRow("damaged lines left out")
            << moment + "conversion\tきしゃ\n" + "conversion\t\t記者\n" + "conversion\tきしゃ\t汽車\tx\n"
                   + "conversion\tきしゃ\t\x82\xA0\n" + "conversion\tきしゃ\t記\xE2\x80\xAE者\n"
            << QStringList{} << QStringList{};
        QByteArray others; // as many other conversions as are kept
        for (int i = 0; i < Usage::kMaxEntries; ++i)
            others += "conversion\tかん" + QByteArray::number(i) + "\t漢" + QByteArray::number(i) + '\n';
        QTest::newRow("only the latest are kept")
            << moment + "conversion\tきしゃ\t記者\n" + others + "conversion\tきせつ\t季節\n" << QStringList{}
            << QStringList{"きせつ:季節"};
        QTest::newRow("committed again later: kept where it came last")
            << moment + "conversion\tきしゃ\t記者\n" + others + "conversion\tきしゃ\t記者\n" << QStringList{}
            << QStringList{"きしゃ:記者"};
        QTest::newRow("longer than conversion keeps: not learnt")
            << moment << QStringList{QString(Usage::kMaxConversionLength + 1, u'き') + ":記者"} << QStringList{};
    }
    void conversionsOffered()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, committed);
        QFETCH(QStringList, offered);
        const auto pairs = [](const QStringList &list) {
            QList<std::pair<QString, QString>> out;
            for (const QString &s : list)
                out.append({s.section(u':', 0, 0), s.section(u':', 1)});
            return out;
        };
        Usage u = Usage::fromBytes(file);
        for (const auto &[reading, text] : pairs(committed))
            u.choseConversion(reading, text);
        const auto all = pairs({"きしゃ:記者", "きしゃ:汽車", "きせつ:季節"});
        QCOMPARE(u.offered(all), pairs(offered));
        QCOMPARE(Usage::fromBytes(u.toBytes()).offered(all), pairs(offered)); // the same at the next start
        u.forget(QDateTime::currentDateTimeUtc()); // and none once forgotten again
        QVERIFY(u.offered(all).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestWords)
#include "tst_words.moc"
