// The rules of conversion without a window: the unconverted run, the cycle
// through candidates, the learning history, the hiragana kept behind
// converted text, the spoken descriptions.
#include "kanji/candidatecycle.h"
#include "kanji/conversionodds.h"
#include "kanji/descriptions.h"
#include "kanji/enginechoice.h"
#include "kanji/history.h"
#include "kanji/mozcprotocol.h"
#include "kanji/readings.h"
#include "kanji/wordforms.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace kanji;

namespace {

// "きしゃ" with four candidates, "に" with none but itself, "のった" with two.
QList<Phrase> kishaNiNotta()
{
    return {{QStringLiteral("きしゃ"), {QStringLiteral("記者"), QStringLiteral("汽車"), QStringLiteral("きしゃ")}},
            {QStringLiteral("に"), {QStringLiteral("に")}},
            {QStringLiteral("のった"), {QStringLiteral("乗った"), QStringLiteral("載った")}}};
}

// Phrases written "reading=candidate,candidate".
QList<Phrase> phrasesOf(const QStringList &written)
{
    QList<Phrase> out;
    for (const QString &w : written) {
        if (w.startsWith(u'?'))
            continue; // the engine's prediction (predictionsOf)
        const qsizetype eq = w.indexOf(u'=');
        out << Phrase{w.left(eq), w.mid(eq + 1).split(u',', Qt::SkipEmptyParts)};
    }
    return out;
}

// "?reading=text": a word the engine predicts.
QList<Form> predictionsOf(const QStringList &written)
{
    QList<Form> out;
    for (const QString &w : written)
        if (w.startsWith(u'?'))
            out << Form{w.mid(1).section(u'=', 0, 0), w.section(u'=', 1)};
    return out;
}

QStringList written(const Forms &forms)
{
    QStringList out;
    for (const Form &f : forms)
        out << f.reading + u'=' + f.text;
    return out;
}

// An engine that answers as it is told, and counts what it was asked.
struct ScriptedEngine : Engine
{
    QHash<QString, QList<Phrase>> answers;
    QHash<QString, QList<Form>> predictions;
    QStringList asked;
    QList<Phrase> convert(const QString &reading) override
    {
        asked << reading;
        return answers.value(reading);
    }
    QList<Form> suggest(const QString &reading) override { return predictions.value(reading); }
};

} // namespace

class TestKanjiRules : public QObject
{
    Q_OBJECT

private slots:
    // The text, the insertion point marked "|", the anchor; the run expected.
    void run_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("anchor");
        QTest::addColumn<QString>("run");
        QTest::newRow("whole hiragana text") << "きょうはいいてんき|" << 0 << "きょうはいいてんき";
        QTest::newRow("stops at kanji") << "今日はいいてんき|" << 0 << "はいいてんき";
        QTest::newRow("stops at the line start") << "あめ\nゆき|" << 0 << "ゆき";
        QTest::newRow("stops at 、") << "あめ、ゆき|" << 0 << "ゆき";
        QTest::newRow("stops at katakana") << "テレビをみた|" << 0 << "をみた";
        QTest::newRow("stops at the ideographic space") << "あめ\u3000ゆき|" << 0 << "ゆき";
        QTest::newRow("ー belongs to it") << "らーめん|" << 0 << "らーめん";
        QTest::newRow("small kana belong to it") << "きょっと|" << 0 << "きょっと";
        QTest::newRow("stops at the anchor") << "きょうはいい|" << 4 << "いい";
        QTest::newRow("anchor after the insertion point") << "きょう|は" << 9 << "";
        QTest::newRow("ends at the insertion point") << "きょう|は" << 0 << "きょう";
        QTest::newRow("nothing after kanji") << "天気|" << 0 << "";
        QTest::newRow("empty text") << "|" << 0 << "";
    }
    void run()
    {
        QFETCH(QString, text);
        QFETCH(int, anchor);
        QFETCH(QString, run);
        const int p = int(text.indexOf(u'|'));
        text.remove(p, 1);
        const int start = runStart(text, p, anchor);
        QCOMPARE(text.mid(start, p - start), run);
    }

    // Presses: n (へんかん again), c (かくてい), a (commit all), x (けす).
    // What the phrases show, the current phrase, and what was committed.
    void cycle_data()
    {
        QTest::addColumn<QString>("presses");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("committed");
        QTest::newRow("first candidates at once") << "" << "記者に乗った" << "記者" << "";
        QTest::newRow("next candidate") << "n" << "汽車に乗った" << "汽車" << "";
        QTest::newRow("hiragana comes last, once") << "nn" << "きしゃに乗った" << "きしゃ" << "";
        QTest::newRow("wraps round to the first") << "nnn" << "記者に乗った" << "記者" << "";
        QTest::newRow("commit moves to the next phrase") << "nc" << "に乗った" << "に" << "汽車";
        QTest::newRow("a phrase of hiragana alone cycles to itself") << "cn" << "に乗った" << "に" << "記者";
        QTest::newRow("last phrase cycles") << "ccn" << "載った" << "載った" << "記者に";
        QTest::newRow("second candidate of the last phrase") << "ccnc" << "" << "" << "記者に載った";
        QTest::newRow("commit all keeps what shows") << "na" << "" << "" << "汽車に乗った";
        QTest::newRow("けす gives back the hiragana left") << "cx" << "" << "" << "記者";
    }
    void cycle()
    {
        QFETCH(QString, presses);
        QFETCH(QString, shown);
        QFETCH(QString, current);
        QFETCH(QString, committed);
        CandidateCycle c;
        c.begin(kishaNiNotta());
        QString kept;
        for (QChar p : presses) {
            if (p == u'n')
                c.next();
            else if (p == u'c')
                kept += c.commitCurrent().text;
            else if (p == u'a')
                for (const Committed &k : c.commitAll())
                    kept += k.text;
            else if (p == u'x')
                QCOMPARE(c.cancel(), QStringLiteral("にのった"));
        }
        QCOMPARE(c.shown(), shown);
        QCOMPARE(c.currentText(), current);
        QCOMPARE(kept, committed);
        QCOMPARE(c.active(), !shown.isEmpty());
    }

    void cycleOfPhrase_data()
    {
        QTest::addColumn<QStringList>("candidates");
        QTest::addColumn<QStringList>("cycle");
        QTest::newRow("hiragana moved to the end") << QStringList{"良い", "いい", "好い"}
                                                   << QStringList{"良い", "好い", "いい"};
        QTest::newRow("engine's best hiragana stays first") << QStringList{"いい", "良い"} << QStringList{"いい", "良い"};
        QTest::newRow("repeats dropped") << QStringList{"良い", "良い", "好い"} << QStringList{"良い", "好い", "いい"};
        QTest::newRow("no candidates: the hiragana") << QStringList{} << QStringList{"いい"};
        QTest::newRow("after a word of the row: the hiragana first")
            << QStringList{"↑", "良い", "いい", "好い"} << QStringList{"いい", "良い", "好い"};
        QTest::newRow("after a word of the row, engine's best hiragana: once")
            << QStringList{"↑", "いい", "良い"} << QStringList{"いい", "良い"};
        QTest::newRow("after a word of the row, no candidates") << QStringList{"↑"} << QStringList{"いい"};
    }
    void cycleOfPhrase()
    {
        QFETCH(QStringList, candidates);
        QFETCH(QStringList, cycle);
        // "↑": the phrase begins a run right after a kanji word of the row.
        QList<Phrase> phrases{{QStringLiteral("いい"), candidates}};
        if (phrases.front().candidates.value(0) == u"↑") {
            phrases.front().candidates.removeFirst();
            leadWithPlain(phrases);
        }
        QCOMPARE(CandidateCycle::cycleOf(phrases.front()), cycle);
    }

    // What lies at the history's path ("<link>" a link to a file of that
    // text, "<zero>" a link to /dev/zero, "<fifo>" a named pipe; "<NUL>",
    // "<BEL>", "<RLO>" those characters; "<LONG>" 200 000 kanji; "<MANY>"
    // 100 000 choices of きしゃ; "<BIG>" more lines than are read); choices
    // then recorded in order; the candidates of "きしゃ" afterwards.
    void history_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("choices");
        QTest::addColumn<QStringList>("order");
        const QStringList engine{"記者", "汽車", "きしゃ"};
        QTest::newRow("nothing learnt") << "" << QStringList{} << engine;
        QTest::newRow("chosen comes first") << "" << QStringList{"汽車"} << QStringList{"汽車", "記者", "きしゃ"};
        QTest::newRow("latest first") << "" << QStringList{"汽車", "記者"} << QStringList{"記者", "汽車", "きしゃ"};
        QTest::newRow("hiragana teaches nothing") << "" << QStringList{"きしゃ"} << engine;
        QTest::newRow("unknown to the engine is offered") << "" << QStringList{"帰社"}
                                                          << QStringList{"帰社", "記者", "汽車", "きしゃ"};
        QTest::newRow("read from the file, CR LF too") << "のった\t乗った\nきしゃ\t汽車\r\n" << QStringList{}
                                                       << QStringList{"汽車", "記者", "きしゃ"};
        QTest::newRow("control characters: the line is left out")
            << "きしゃ\t帰社<NUL>汽車<BEL>\nきしゃ\t汽車\n" << QStringList{} << QStringList{"汽車", "記者", "きしゃ"};
        QTest::newRow("a direction override: the line is left out") << "きしゃ\t<RLO>帰社\n" << QStringList{} << engine;
        QTest::newRow("a choice longer than any phrase is left out") << "きしゃ\t<LONG>\n" << QStringList{} << engine;
        QTest::newRow("a reading that is not hiragana is left out") << "キシャ\t帰社\nき\tしゃ\t帰社\n" << QStringList{}
                                                                    << engine;
        QStringList many;
        for (int i = 0; i < History::kMaxChoices; ++i)
            many << QStringLiteral("帰社%1").arg(i);
        QTest::newRow("100 000 choices of one reading: the latest kept") << "<MANY>" << QStringList{}
                                                                        << many + engine;
        QTest::newRow("a larger file: its last lines") << "きしゃ\t帰社\n<BIG>きしゃ\t汽車\n" << QStringList{}
                                                       << QStringList{"汽車", "記者", "きしゃ"};
        QTest::newRow("a link is not read, and is replaced, not its target")
            << "<link>きしゃ\t帰社\n" << QStringList{"汽車"} << QStringList{"汽車", "記者", "きしゃ"};
        QTest::newRow("a link to /dev/zero is not read") << "<zero>" << QStringList{"汽車"}
                                                        << QStringList{"汽車", "記者", "きしゃ"};
        QTest::newRow("a pipe is not waited for, nor written") << "<fifo>" << QStringList{"汽車"}
                                                              << QStringList{"汽車", "記者", "きしゃ"};
        QTest::newRow("a recorded choice with a control character teaches nothing")
            << "" << QStringList{"汽車\a"} << engine;
    }
    void history()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, choices);
        QFETCH(QStringList, order);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kanji-history.txt"));
        const QString target = dir.filePath(QStringLiteral("elsewhere.txt"));
        QString text = file;
        text.replace(QStringLiteral("<NUL>"), QChar(0)).replace(QStringLiteral("<BEL>"), QChar(7));
        text.replace(QStringLiteral("<RLO>"), QChar(0x202E)).replace(QStringLiteral("<LONG>"), QString(200000, u'汽'));
        if (text.contains(QStringLiteral("<MANY>"))) {
            QString lines;
            for (int i = 0; i < 100000; ++i)
                lines += QStringLiteral("きしゃ\t帰社%1\n").arg(i);
            text.replace(QStringLiteral("<MANY>"), lines);
        }
        text.replace(QStringLiteral("<BIG>"), QStringLiteral("ながい\t長い\n").repeated(History::kMaxFileBytes / 16));
        const bool link = text.startsWith(QStringLiteral("<link>"));
        if (text == QStringLiteral("<fifo>")) {
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        } else if (text == QStringLiteral("<zero>")) {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        } else if (!text.isEmpty()) {
            QFile f(link ? target : path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text.remove(QStringLiteral("<link>")).toUtf8());
            f.close();
            QVERIFY(!link || QFile::link(target, path));
        }
        History h = History::readFile(path);
        for (const QString &c : choices)
            h.record(QStringLiteral("きしゃ"), c);
        h.record(QStringLiteral("のった"), QStringLiteral("載った"));
        // Kept and read back from the file, as at the next start.
        const bool pipe = file == QStringLiteral("<fifo>");
        QCOMPARE(h.writeFile(path), !pipe);
        if (!pipe) {
            QVERIFY(QFileInfo(path).isFile() && !QFileInfo(path).isSymLink());
            QCOMPARE(QFile(path).permissions() & 0x0077, QFileDevice::Permissions());
            QCOMPARE(History::readFile(path).toBytes(), h.toBytes());
        }
        if (link) {
            QFile t(target);
            QVERIFY(t.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(t.readAll()), text);
            QVERIFY(t.permissions() & QFileDevice::ReadOther);
        }
        QList<Phrase> phrases = kishaNiNotta();
        h.apply(phrases);
        QCOMPARE(phrases[0].candidates, order);
        QCOMPARE(phrases[2].candidates.first(), QStringLiteral("載った"));
    }

    // A span 天気 read てんき at 3 of "今日は天気です"; a change; what is read.
    void spans_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("removed");
        QTest::addColumn<QString>("added");
        QTest::addColumn<QString>("read");
        QTest::newRow("unchanged") << 0 << 0 << "" << "今日はてんきです";
        QTest::newRow("kana added before") << 0 << 0 << "あ" << "あ今日はてんきです";
        QTest::newRow("kana added at its start") << 3 << 0 << "あ" << "今日はあてんきです";
        QTest::newRow("kana added after") << 5 << 0 << "ね" << "今日はてんきねです";
        QTest::newRow("character before deleted") << 2 << 1 << "" << "今日てんきです";
        QTest::newRow("own character deleted") << 4 << 1 << "" << "今日は天です";
        QTest::newRow("whole text replaced") << 0 << 7 << "天気" << "天気";
    }
    void spans()
    {
        QFETCH(int, position);
        QFETCH(int, removed);
        QFETCH(QString, added);
        QFETCH(QString, read);
        QString text = QStringLiteral("今日は天気です");
        ReadingSpans s;
        s.add(3, QStringLiteral("天気"), QStringLiteral("てんき"));
        text.replace(position, removed, added);
        s.contentsChanged(position, removed, int(added.size()));
        QCOMPARE(s.readingOf(text), read);
    }

    void description_data()
    {
        QTest::addColumn<QString>("candidate");
        QTest::addColumn<QString>("reading");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("記者") << "記者" << "きしゃ" << "きしゃ、しるす き、もの しゃ";
        QTest::newRow("汽車 (hand table)") << "汽車" << "きしゃ" << "きしゃ、じょうきの き、くるま しゃ";
        QTest::newRow("帰社") << "帰社" << "きしゃ" << "きしゃ、かえる き、やしろ しゃ";
        QTest::newRow("okurigana not described") << "乗った" << "のった" << "のった、のる じょう";
        QTest::newRow("hiragana") << "いい" << "いい" << "いい、ひらがな";
        QTest::newRow("katakana") << "テンキ" << "てんき" << "てんき、カタカナ";
        QTest::newRow("long vowel in katakana") << "コーヒー" << "こーひー" << "こーひー、カタカナ";
    }
    void description()
    {
        QFETCH(QString, candidate);
        QFETCH(QString, reading);
        QFETCH(QString, spoken);
        Descriptions d;
        QCOMPARE(d.spoken(candidate, reading), spoken);
    }

    // Lines of the kanji dictionary: the kanji and what is said for it.
    void dictionaryLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("kanji");
        QTest::addColumn<QString>("text");
        QTest::newRow("native and compound readings") << "記 352D U8a18 G2 キ しる.す T1 のり {scribe}" << "記"
                                                      << "しるす き";
        QTest::newRow("prefix readings skipped") << "天 4537 U5929 テン あまつ あめ あま- T1 あき {sky}" << "天"
                                                 << "あまつ てん";
        QTest::newRow("compound reading only") << "汽 3525 U6c7d キ {vapor}" << "汽" << "き";
        QTest::newRow("comment line") << "# KANJIDIC" << "" << "";
        QTest::newRow("no readings") << "〇 2127 U3007 {zero}" << "" << "";
    }
    void dictionaryLine()
    {
        QFETCH(QString, line);
        QFETCH(QString, kanji);
        QFETCH(QString, text);
        const auto [k, t] = Descriptions::parseLine(line);
        QCOMPARE(k, kanji);
        QCOMPARE(t, text);
    }

    // The engine of a settings file ("エンジン", "漢字"; "-" for absent) and
    // what it comes to with Mozc able to run here or not.
    void engineChoice_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("withMozc");
        QTest::addColumn<QString>("withoutMozc");
        QTest::newRow("never switched on: automatic") << "-" << "-" << "自動" << "Mozc" << "Anthy";
        QTest::newRow("conversion on before the choice: Anthy") << "-" << "1" << "Anthy" << "Anthy" << "Anthy";
        QTest::newRow("conversion off again before the choice: Anthy") << "-" << "0" << "Anthy" << "Anthy" << "Anthy";
        QTest::newRow("Mozc chosen") << "Mozc" << "1" << "Mozc" << "Mozc" << "Mozc";
        QTest::newRow("automatic chosen") << "自動" << "1" << "自動" << "Mozc" << "Anthy";
        QTest::newRow("Anthy chosen") << "Anthy" << "-" << "Anthy" << "Anthy" << "Anthy";
        QTest::newRow("written by hand in lower case") << "mozc" << "1" << "Mozc" << "Mozc" << "Mozc";
        QTest::newRow("not understood: Anthy") << "かな" << "-" << "Anthy" << "Anthy" << "Anthy";
    }
    void engineChoice()
    {
        QFETCH(QString, engine);
        QFETCH(QString, option);
        QFETCH(QString, choice);
        QFETCH(QString, withMozc);
        QFETCH(QString, withoutMozc);
        auto value = [](const QString &v) { return v == u"-" ? QString() : v; };
        const EngineChoice c = choiceOf(value(engine), value(option));
        QCOMPARE(choiceName(c), choice);
        QCOMPARE(choiceName(resolve(c, true)), withMozc);
        QCOMPARE(choiceName(resolve(c, false)), withoutMozc);
    }

    // Lines of Mozc's helper (as it writes them, shortened): the event they
    // answer, the phrases they show and the first phrase's candidates.
    void mozcAnswer_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("event");
        QTest::addColumn<QString>("readings");
        QTest::addColumn<QString>("candidates");
        QTest::newRow("greeting") << "((mozc-emacs-helper . t)(version . \"2.28.4715.102\")(config . ((preedit-method . roman))))"
                                  << -1 << "" << "";
        QTest::newRow("session") << "((emacs-event-id . 1)(emacs-session-id . 1)(output . ()))" << 1 << "" << "";
        QTest::newRow("conversion, half-width katakana left out")
            << "((emacs-event-id . 3)(emacs-session-id . 1)(output . ((id . \"2599430315718993673\")(mode . hiragana)(consumed . t)(preedit . ((cursor . 7)(segment ((annotation . highlight)(value . \"今日は\")(value-length . 3)(key . \"きょうは\"))((annotation . underline)(value . \"いい天気\")(value-length . 4)(key . \"いいてんき\")))(highlighted-position . 0)))(status . ((activated . t)(mode . hiragana)(comeback-mode . hiragana)))(all-candidate-words . ((focused-index . 0)(candidates ((id . 0)(index . 0)(key . \"きょう\")(value . \"今日は\")(num-segments-in-candidate . 1))((id . 1)(index . 1)(key . \"きょう\")(value . \"きょうは\")(annotation . ((description . \"ひらがな\")))(num-segments-in-candidate . 1))((id . 2)(index . 2)(key . \"きょう\")(value . \"教は\")(num-segments-in-candidate . 1))((id . -11)(index . 30)(value . \"ｷｮｳﾊ\")(annotation . ((description . \"[半] カタカナ\")))(num-segments-in-candidate . 1)))(category . conversion)))(removed-candidate-words-for-debug . ()))))"
            << 3 << "きょうは/いいてんき" << "今日は きょうは 教は";
        QTest::newRow("suggestion while typing: no conversion")
            << "((emacs-event-id . 2)(emacs-session-id . 1)(output . ((preedit . ((cursor . 3)(segment ((annotation . underline)(value . \"きしゃ\")(value-length . 3)(key . \"きしゃ\")))))(all-candidate-words . ((candidates ((id . 0)(index . 0)(value . \"記者\")))(category . suggestion))))))"
            << 2 << "" << "記者";
        QTest::newRow("quote and backslash in a string")
            << "((emacs-event-id . 4)(emacs-session-id . 1)(output . ((preedit . ((segment ((value . \"\\\"か\\\\\")(key . \"か\")))))(all-candidate-words . ((candidates ((value . \"\\\"か\\\\\")))(category . conversion))))))"
            << 4 << "か" << "\"か\\";
        QTest::newRow("error before the helper ends")
            << "((error . wrong-number-of-arguments)(message . \"Wrong number of arguments\"))" << -1 << "" << "";
        QTest::newRow("line cut short") << "((emacs-event-id . 5)(output . ((preedit . \"ab" << -2 << "" << "";
        QTest::newRow("nested as deep as an answer may") << QString(32, u'(') + QString(32, u')') << -1 << "" << "";
        QTest::newRow("nested deeper than any answer") << QString(1000000, u'(') << -2 << "" << "";
        QTest::newRow("deeper, and closed") << QString(33, u'(') + QString(33, u')') << -2 << "" << "";
        QTest::newRow("longer than any answer")
            << "((emacs-event-id . 6)(output . \"" + QString(300 * 1024, u'あ') + "\"))" << -2 << "" << "";
    }
    void mozcAnswer()
    {
        QFETCH(QString, line);
        QFETCH(int, event);
        QFETCH(QString, readings);
        QFETCH(QString, candidates);
        const auto answer = mozc::parse(line);
        QCOMPARE(answer.has_value(), event != -2);
        if (!answer)
            return;
        QCOMPARE(mozc::eventOf(*answer), event);
        QStringList shown;
        const QList<Phrase> phrases = mozc::phrasesOf(*answer);
        for (const Phrase &p : phrases)
            shown << p.reading;
        QCOMPARE(shown.join(u'/'), readings);
        QCOMPARE(mozc::candidatesOf(*answer, {}).join(u' '), candidates);
    }

    // What Mozc suggests while "びょう" is typed (lines as the helper writes
    // them, shortened): each word with its reading, the typed one where the
    // answer gives none.
    void mozcSuggestions_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("suggested");
        const auto answer = [](const QString &category, const QString &candidates) {
            return "((emacs-event-id . 1)(emacs-session-id . 1)(output . ((preedit . ((cursor . 3)(segment ((value . \"びょう\")(key . \"びょう\")))))(all-candidate-words . ((candidates "
                   + candidates + ")(category . " + category + "))))))";
        };
        QTest::newRow("suggestion, the last without a reading")
            << answer("suggestion", "((id . 0)(index . 0)(key . \"びょういん\")(value . \"病院\"))((id . 1)(index . 1)(key . \"びょうき\")(value . \"病気\"))((id . 2)(index . 2)(value . \"秒\"))")
            << "びょういん=病院 びょうき=病気 びょう=秒";
        QTest::newRow("prediction (more words): taken as well")
            << answer("prediction", "((key . \"びょうどう\")(value . \"平等\"))") << "びょうどう=平等";
        QTest::newRow("repeats, empty words and half-width katakana left out")
            << answer("suggestion", "((key . \"びょういん\")(value . \"病院\"))((key . \"びょういん\")(value . \"病院\"))((value . \"\"))((value . \"ﾋﾞｮｳ\"))")
            << "びょういん=病院";
        QTest::newRow("a conversion: no suggestion")
            << answer("conversion", "((key . \"びょう\")(value . \"秒\"))") << "";
        QTest::newRow("no candidates") << "((emacs-event-id . 1)(emacs-session-id . 1)(output . ()))" << "";
    }
    void mozcSuggestions()
    {
        QFETCH(QString, line);
        QFETCH(QString, suggested);
        const auto parsed = mozc::parse(line);
        QVERIFY(parsed);
        QCOMPARE(written(mozc::suggestionsOf(*parsed, QStringLiteral("びょう"))).join(u' '), suggested);
    }

    // The kanji words the row is offered for a completed reading, from the
    // engine's phrases as it gives them; whatever the engine answers, only a
    // plain word of phrase length with kanji is offered.
    void wordForms_data()
    {
        QTest::addColumn<QString>("reading");
        QTest::addColumn<QStringList>("phrases");
        QTest::addColumn<QStringList>("forms");
        const QString longKanji = QString(65, QChar(0x75c5));
        QTest::newRow("a word and its particle: both, and the word alone")
            << "びょういんに" << QStringList{"びょういんに=病院に,美容院に"}
            << QStringList{"びょういんに=病院に", "びょういん=病院"};
        QTest::newRow("two phrases: the whole, the first, its word")
            << "びょういんにいく" << QStringList{"びょういんに=病院に", "いく=行く"}
            << QStringList{"びょういんにいく=病院に行く", "びょういんに=病院に", "びょういん=病院"};
        QTest::newRow("a word alone") << "びょういん" << QStringList{"びょういん=病院"} << QStringList{"びょういん=病院"};
        QTest::newRow("kanji only after the first phrase")
            << "ありがとうございます" << QStringList{"ありがとう=ありがとう", "ございます=御座います"}
            << QStringList{"ありがとうございます=ありがとう御座います"};
        QTest::newRow("hiragana alone: nothing") << "ありがとう" << QStringList{"ありがとう=ありがとう"} << QStringList{};
        QTest::newRow("katakana alone: nothing") << "てれび" << QStringList{"てれび=テレビ"} << QStringList{};
        QTest::newRow("no candidates: nothing") << "びょういん" << QStringList{"びょういん="} << QStringList{};
        QTest::newRow("the engine stopped answering: nothing") << "びょういん" << QStringList{} << QStringList{};
        QTest::newRow("phrases that do not cover the reading: nothing")
            << "びょういん" << QStringList{"びょう=秒"} << QStringList{};
        QTest::newRow("phrases of another reading: nothing")
            << "びょういん" << QStringList{"きしゃ=記者"} << QStringList{};
        QTest::newRow("a candidate over 64 characters: left out")
            << "びょういん" << QStringList{"びょういん=" + longKanji} << QStringList{};
        QTest::newRow("a whole over 64 characters: its first phrase stays")
            << "びょういんにいく" << QStringList{"びょういんに=病院に", "いく=" + longKanji}
            << QStringList{"びょういんに=病院に", "びょういん=病院"};
        QTest::newRow("a control character: left out")
            << "びょういん" << QStringList{"びょういん=病\u0007院"} << QStringList{};
        QTest::newRow("a direction override: left out")
            << "びょういん" << QStringList{"びょういん=病\u202e院"} << QStringList{};
        QTest::newRow("a zero-width mark: left out")
            << "びょういん" << QStringList{"びょういん=病\u200b院"} << QStringList{};
        QTest::newRow("a line break: left out") << "びょういん" << QStringList{"びょういん=病\n院"} << QStringList{};
        QTest::newRow("a tab: left out") << "びょういん" << QStringList{"びょういん=病\t院"} << QStringList{};
        QTest::newRow("an unreadable byte's mark: left out")
            << "びょういん" << QStringList{"びょういん=病\ufffd院"} << QStringList{};
        QTest::newRow("kana and a word: the whole, the first, its word")
            << "さんがきました" << QStringList{"さんが=三が,さんが", "きました=来ました"}
            << QStringList{"さんがきました=三が来ました", "さんが=三が", "さん=三"};
        QTest::newRow("the same after a word of the row: its kana stay")
            << "↑さんがきました" << QStringList{"さんが=三が,さんが", "きました=来ました"}
            << QStringList{"さんがきました=さんが来ました"};
        QTest::newRow("as written: the engine's predictions after its forms, once")
            << "✎びょう" << QStringList{"びょう=秒", "?びょういん=病院", "?びょうき=病気", "?びょう=秒"}
            << QStringList{"びょう=秒", "びょういん=病院", "びょうき=病気"};
        QTest::newRow("not as written: no predictions")
            << "びょう" << QStringList{"びょう=秒", "?びょういん=病院"} << QStringList{"びょう=秒"};
        QTest::newRow("predictions of another reading, without kanji, or with a control character, a sign or a letter: left out")
            << "✎びょう"
            << QStringList{"びょう=秒", "?きしゃ=記者", "?びょういん=ビョウイン", "?びょういん=病\u0007院", "?びょうabc=病",
                           "?びょういんです=病院です！", "?びょういん=病院A"}
            << QStringList{"びょう=秒"};
        QTest::newRow("at most six predictions")
            << "✎き" << QStringList{"?きしゃ=記者", "?きしゃ=汽車", "?きしゃ=帰社", "?きしゃ=貴社", "?きじ=記事", "?きじ=生地", "?きじ=雉"}
            << QStringList{"きしゃ=記者", "きしゃ=汽車", "きしゃ=帰社", "きしゃ=貴社", "きじ=記事", "きじ=生地"};
        QTest::newRow("after a word of the row: no predictions")
            << "↑✎さん" << QStringList{"さん=三", "?さんぽ=散歩"} << QStringList{};
    }
    void wordForms()
    {
        QFETCH(QString, reading);
        QFETCH(QStringList, phrases);
        QFETCH(QStringList, forms);
        // "↑": the reading follows a kanji word of the row; "✎": it is the
        // word as written, which the engine's predictions go on from.
        const bool afterWord = reading.startsWith(u'↑');
        if (afterWord)
            reading.remove(0, 1);
        const bool asWritten = reading.startsWith(u'✎');
        if (asWritten)
            reading.remove(0, 1);
        if (!asWritten)
            QCOMPARE(written(formsOf(phrasesOf(phrases), reading, afterWord)), forms);

        // Through the kept forms: asked once, then kept, no form too; after
        // a word apart from elsewhere.
        ScriptedEngine engine;
        engine.answers.insert(reading, phrasesOf(phrases));
        engine.predictions.insert(reading, predictionsOf(phrases));
        WordForms kept;
        QVERIFY(!kept.find(reading, afterWord, asWritten));
        QCOMPARE(written(kept.convert(&engine, reading, afterWord, asWritten)), forms);
        QCOMPARE(written(kept.convert(&engine, reading, afterWord, asWritten)), forms);
        QCOMPARE(written(*kept.find(reading, afterWord, asWritten)), forms);
        QVERIFY(!kept.find(reading, !afterWord, asWritten));
        QVERIFY(!kept.find(reading, afterWord, !asWritten));
        QCOMPARE(engine.asked, QStringList{reading});
    }

    // Only a reading conversion would take is given to the engine; without
    // an engine there is no form; what is kept is bounded.
    void wordFormsKept()
    {
        ScriptedEngine engine;
        WordForms kept;
        for (const QString &bad : {QStringLiteral("abc"), QStringLiteral("びょう\u3000いん"), QString(65, u'あ'), QString()})
            QCOMPARE(kept.convert(&engine, bad), Forms());
        QCOMPARE(engine.asked, QStringList());
        QCOMPARE(kept.convert(nullptr, QStringLiteral("びょういん")), Forms());
        for (int i = 0; i < WordForms::kMaxKept + 10; ++i)
            kept.convert(&engine, QString::number(i));
        QVERIFY(kept.size() <= WordForms::kMaxKept);
        kept.clear();
        QCOMPARE(kept.size(), 0);
    }

    // Anthy itself: a completed word with its particle gives the word.
    void wordFormsByAnthy()
    {
        const std::unique_ptr<Engine> anthy = makeAnthyEngine();
        if (!anthy)
            QSKIP("Anthy cannot start here");
        WordForms kept;
        const QStringList forms = written(kept.convert(anthy.get(), QStringLiteral("びょういんに")));
        QVERIFY2(forms.contains(QStringLiteral("びょういん=病院")), qPrintable(forms.join(u' ')));
    }

    // How likely "へんかん" and "かくてい" are next, against a new user's odds
    // in the same place: what the user did before ("n" next candidate, "t"
    // the one shown taken, "c" a run converted, "e" a phrase ended without
    // converting), candidates shown or the run's length, the model's
    // phrase end; "+" likelier, "-" less likely, "=" the same, "0" none.
    void conversionOdds_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<int>("run");
        QTest::addColumn<double>("phraseEnd");
        QTest::addColumn<QString>("convert");
        QTest::addColumn<QString>("commit");
        QTest::newRow("a new user, candidates shown") << "" << true << 0 << 0.0 << "=" << "=";
        QTest::newRow("a new user, a run where a phrase may end") << "" << false << 4 << 0.6 << "=" << "0";
        QTest::newRow("one kana: not offered") << "" << false << 1 << 0.6 << "0" << "0";
        QTest::newRow("no run: not offered") << "cccc" << false << 0 << 0.6 << "0" << "0";
        QTest::newRow("a phrase cannot end here: not offered") << "" << false << 4 << 0.0 << "0" << "0";
        QTest::newRow("one who asks for the next candidate") << "nnnnnnnn" << true << 0 << 0.0 << "+" << "-";
        QTest::newRow("one who takes the first") << "tttttttt" << true << 0 << 0.0 << "-" << "+";
        QTest::newRow("one who converts every phrase") << "cccccccc" << false << 4 << 0.6 << "+" << "0";
        QTest::newRow("one who rarely converts") << "eeeeeeee" << false << 4 << 0.6 << "-" << "0";
        QTest::newRow("what is learnt while shown leaves the run alone") << "nnnn" << false << 4 << 0.6 << "=" << "0";
    }
    void conversionOdds()
    {
        QFETCH(QString, before);
        QFETCH(bool, shown);
        QFETCH(int, run);
        QFETCH(double, phraseEnd);
        QFETCH(QString, convert);
        QFETCH(QString, commit);
        ConversionOdds odds;
        for (QChar c : before)
            c == u'n' ? odds.askedNext() : c == u't' ? odds.tookShown() : c == u'c' ? odds.converted() : odds.endedUnconverted();
        const ConversionOdds::Odds now = odds.at(shown, run, phraseEnd), fresh = ConversionOdds().at(shown, run, phraseEnd);
        const auto against = [](double p, double newUser) {
            return p == 0 ? QStringLiteral("0") : p > newUser ? QStringLiteral("+") : p < newUser ? QStringLiteral("-") : QStringLiteral("=");
        };
        QCOMPARE(against(now.convert, fresh.convert), convert);
        QCOMPARE(against(now.commit, fresh.commit), commit);
        QVERIFY(now.convert + now.commit <= 1);
        if (shown) // another key may always come
            QVERIFY(now.convert + now.commit < 1);
    }

    // Requests: the text typed in quoted, keys as symbols.
    void mozcRequest_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("session") << mozc::request(1, QStringLiteral("CreateSession")) << QByteArray("(1 CreateSession)\n");
        QTest::newRow("text") << mozc::typeText(7, 2, QStringLiteral("きしゃ")) << QByteArray("(7 SendKey 2 \"きしゃ\")\n");
        QTest::newRow("quote and backslash") << mozc::typeText(8, 2, QStringLiteral("a\"b\\")) << QByteArray("(8 SendKey 2 \"a\\\"b\\\\\")" "\n");
        QTest::newRow("key") << mozc::sendKey(9, 2, QStringLiteral("space")) << QByteArray("(9 SendKey 2 space)\n");
    }
    void mozcRequest()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, expected);
        QCOMPARE(line, expected);
    }

    // The server's process number from its session file.
    void mozcServerProcess_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<uint>("pid");
        const QByteArray written = QByteArray::fromHex("0a20623836363965373138633761363665643864383736343939376563616537"
                                                       "363310fe32180020032a0d322e32382e343731352e313032");
        QTest::newRow("as the server writes it") << written << 6526u;
        QTest::newRow("empty") << QByteArray() << 0u;
        QTest::newRow("cut inside the key") << written.left(10) << 0u;
        QTest::newRow("no process field") << written.left(34) << 0u;
        QTest::newRow("garbage") << QByteArray("\xff\xff\xff", 3) << 0u;
    }
    void mozcServerProcess()
    {
        QFETCH(QByteArray, file);
        QFETCH(uint, pid);
        QCOMPARE(mozc::serverProcess(file), pid);
    }
};

QTEST_GUILESS_MAIN(TestKanjiRules)
#include "tst_kanjirules.moc"
