// The speech rules that need no engine and no sound: cutting texts into
// pieces, reading Open JTalk's timing file, trimming, the audio cache, the
// voice catalogue and the voice dialog's filter, the warm-up list.
#include "speech/directss.h"
#include "speech/jtalklabels.h"
#include "speech/jtalktrace.h"
#include "speech/pcm.h"
#include "speech/recordingspeech.h"
#include "speech/sentences.h"
#include "speech/speechcache.h"
#include "speech/voicecatalog.h"
#include "speech/voicelist.h"
#include "speech/warmup.h"
#include "fulldisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

QByteArray wav(int rate, int channels, const QList<qint16> &frames, quint16 format = 1)
{
    QByteArray data;
    for (qint16 s : frames)
        for (int c = 0; c < channels; ++c)
            data.append(reinterpret_cast<const char *>(&s), 2);
    QByteArray out = "RIFF" + QByteArray(4, 0) + "WAVE";
    const auto u32 = [&out](quint32 v) { out.append(reinterpret_cast<const char *>(&v), 4); };
    const auto u16 = [&out](quint16 v) { out.append(reinterpret_cast<const char *>(&v), 2); };
    out += "LIST";
    u32(4);
    out += "INFO"; // a chunk before "fmt " that must be skipped
    out += "fmt ";
    u32(16);
    u16(format);
    u16(quint16(channels));
    u32(quint32(rate));
    u32(quint32(rate * channels * 2));
    u16(quint16(channels * 2));
    u16(16);
    out += "data";
    u32(quint32(data.size()));
    return out + data;
}

// A timing file as open_jtalk writes it for "あ": 395 ms of pause, the
// vowel to 545 ms, pause to 1070 ms.
const QByteArray kTrace =
    "[Text analysis result]\n"
    "あ,フィラー,*,*,*,*,*,あ,ア,ア,1/1,C3,-1\n\n"
    "[Output label]\n"
    "0 3950000 xx^xx-sil+a=sil/A:xx+xx+xx/B:xx-xx_xx/C:xx_xx+xx/D:xx+xx_xx\n"
    "3950000 5450000 xx^sil-a+sil=xx/A:0+1+1/B:xx-xx_xx/C:09_xx+xx/D:xx+xx_xx\n"
    "5450000 10700000 sil^a-sil+xx=xx/A:xx+xx+xx/B:xx-xx_xx/C:xx_xx+xx\n"
    "\n[Global parameter]\nSampring frequency -> 48000(Hz)\n"
    "0 1 not-a-label+but-after-the-section\n";

class Modes : public RecordingSpeech
{
public:
    explicit Modes(QList<int> languages) : RecordingSpeech(toModes(languages)) {}
    static QList<Mode> toModes(const QList<int> &languages)
    {
        QList<Mode> m;
        for (int l : languages)
            m.append({l, QStringLiteral("声%1").arg(m.size() + 1)});
        return m;
    }
};

} // namespace

class TestSpeechLogic : public QObject
{
    Q_OBJECT

private slots:
    void splitIntoPieces_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("pieces");
        QTest::newRow("one short sentence stays whole") << QStringLiteral("もじぽっと帳にようこそ")
                                                        << QStringList{QStringLiteral("もじぽっと帳にようこそ")};
        QTest::newRow("cut after each full stop, question and exclamation")
            << QStringLiteral("はれ。あめ？ゆき！くもり")
            << QStringList{QStringLiteral("はれ。"), QStringLiteral("あめ？"), QStringLiteral("ゆき！"),
                           QStringLiteral("くもり")};
        QTest::newRow("closing bracket and repeated marks stay with the sentence")
            << QStringLiteral("「ほんと？！」とききました。")
            << QStringList{QStringLiteral("「ほんと？！」"), QStringLiteral("とききました。")};
        QTest::newRow("line breaks cut and are dropped, empty lines give nothing")
            << QStringLiteral("ぜんぶ\r\nけす\r\n\r\n") << QStringList{QStringLiteral("ぜんぶ"), QStringLiteral("けす")};
        QTest::newRow("a short sentence keeps its comma")
            << QStringLiteral("きょうは、はれ。") << QStringList{QStringLiteral("きょうは、はれ。")};
        QTest::newRow("a long sentence is cut after its first comma only")
            << QStringLiteral("きょうはあさからとてもいいてんきで、こうえんにいって、あそびました。")
            << QStringList{QStringLiteral("きょうはあさからとてもいいてんきで、"),
                           QStringLiteral("こうえんにいって、あそびました。")};
        QTest::newRow("blanks and marks alone are not spoken")
            << QStringLiteral("\u3000。゛\r\n ") << QStringList{};
        QTest::newRow("empty text") << QString() << QStringList{};
    }
    void splitIntoPieces()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, pieces);
        QCOMPARE(sentences::split(text), pieces);
    }

    void overlongRunIsCutAtItsLastBlankWithoutLosingText()
    {
        const QString word = QStringLiteral("あいうえおかきくけこ");
        QString text;
        for (int i = 0; i < 30; ++i)
            text += word + (i % 4 == 3 ? QStringLiteral("\u3000") : QString());
        // An emoji (a surrogate pair) right at a limit must never be split.
        text += QString(200, u'か') + QString::fromUtf8("😀") + QString(200, u'さ');
        const QStringList pieces = sentences::split(text);
        QCOMPARE(pieces.join(QString()), text);
        for (const QString &p : pieces) {
            QVERIFY2(p.size() <= sentences::kMaxPiece, qPrintable(p));
            QVERIFY(!p.back().isHighSurrogate());
        }
        QVERIFY(pieces.first().endsWith(u'\u3000'));
    }

    void timingFileGivesTheVoicedRange()
    {
        const QList<jtalktrace::Segment> segments = jtalktrace::parse(kTrace);
        QCOMPARE(segments.size(), 3);
        QCOMPARE(segments[0].phoneme, QStringLiteral("sil"));
        QCOMPARE(segments[1].phoneme, QStringLiteral("a"));
        QCOMPARE(segments[1].start, 3950000);
        const auto range = jtalktrace::speechRange(segments, 48000, 51360);
        QVERIFY(range);
        // 395 ms less the 15 ms lead; 545 ms plus the 150 ms tail.
        QCOMPARE(range->begin, 48 * (395 - pcm::kLeadMs));
        QCOMPARE(range->end, 48 * (545 + pcm::kTailMs));
        // The labels alone, as the synthesis engine takes them.
        const QList<QByteArray> labels = jtalktrace::labels(kTrace);
        QCOMPARE(labels.size(), 3);
        QCOMPARE(labels[1], QByteArray("xx^sil-a+sil=xx/A:0+1+1/B:xx-xx_xx/C:09_xx+xx/D:xx+xx_xx"));
        QCOMPARE(jtalktrace::phonemeOf(labels[0]), QStringLiteral("sil"));
        QVERIFY(jtalktrace::labels("[Global parameter]\n").isEmpty());
    }

    // The cut of an utterance made piece by piece is the cut of the whole:
    // from begin, or from the first sound less the lead when the silence
    // before it is longer, to end.
    void speechIsCutAlikeWholeOrInPieces_data()
    {
        QTest::addColumn<qsizetype>("soundAt"); // -1: none
        QTest::addColumn<qsizetype>("begin");
        QTest::addColumn<qsizetype>("end");
        QTest::addColumn<qsizetype>("from"); // first position the maker gives
        QTest::addColumn<qsizetype>("start"); // of what is kept
        // one sample a millisecond: the lead is kLeadMs samples
        const qsizetype lead = pcm::kLeadMs;
        QTest::newRow("long silence before the sound: its lead is kept") << qsizetype(300) << qsizetype(100)
                                                                         << qsizetype(700) << qsizetype(0)
                                                                         << 300 - lead;
        QTest::newRow("sound soon after begin: kept from begin") << qsizetype(105) << qsizetype(100) << qsizetype(700)
                                                                 << qsizetype(0) << qsizetype(100);
        QTest::newRow("sound at begin") << qsizetype(100) << qsizetype(100) << qsizetype(700) << qsizetype(0)
                                        << qsizetype(100);
        QTest::newRow("made from a frame before begin") << qsizetype(300) << qsizetype(100) << qsizetype(700)
                                                        << qsizetype(40) << 300 - lead;
        QTest::newRow("no sound: the last lead before end") << qsizetype(-1) << qsizetype(100) << qsizetype(700)
                                                            << qsizetype(0) << 700 - lead;
        QTest::newRow("sound past end: silence only") << qsizetype(800) << qsizetype(100) << qsizetype(700)
                                                      << qsizetype(0) << 700 - lead;
    }
    void speechIsCutAlikeWholeOrInPieces()
    {
        QFETCH(qsizetype, soundAt);
        QFETCH(qsizetype, begin);
        QFETCH(qsizetype, end);
        QFETCH(qsizetype, from);
        QFETCH(qsizetype, start);
        Samples utterance(1000);
        for (qsizetype i = 0; i < utterance.size(); ++i)
            utterance[i] = qint16(i % 200); // quiet, and every position told apart
        if (soundAt >= 0)
            for (qsizetype i = soundAt; i < soundAt + 50; ++i)
                utterance[i] = 5000;
        const Samples expected = utterance.mid(start, end - start);
        for (const qsizetype piece : {qsizetype(1000), qsizetype(7), qsizetype(1)}) {
            pcm::LeadCut cut(begin, end, 1000);
            Samples out;
            for (qsizetype at = from; at < utterance.size(); at += piece)
                out += cut.take(at, utterance.mid(at, piece));
            out += cut.finish();
            QCOMPARE(out, expected);
        }
    }

    void timingFileEdgeCases_data()
    {
        QTest::addColumn<QByteArray>("trace");
        QTest::addColumn<qsizetype>("total");
        QTest::addColumn<qsizetype>("begin");
        QTest::addColumn<qsizetype>("end");
        QTest::newRow("no label section") << QByteArray("[Global parameter]\n") << qsizetype(1000) << qsizetype(-1)
                                          << qsizetype(-1);
        QTest::newRow("pauses only") << QByteArray("[Output label]\n0 100 x^x-sil+x\n100 200 x^x-pau+x\n")
                                     << qsizetype(1000) << qsizetype(-1) << qsizetype(-1);
        QTest::newRow("voice from the first sample, tail beyond the audio")
            << QByteArray("[Output label]\n0 5000000 x^x-k+a\n5000000 6000000 x^k-a+x\n") << qsizetype(24000)
            << qsizetype(0) << qsizetype(24000);
    }
    void timingFileEdgeCases()
    {
        QFETCH(QByteArray, trace);
        QFETCH(qsizetype, total);
        QFETCH(qsizetype, begin);
        QFETCH(qsizetype, end);
        const auto range = jtalktrace::speechRange(jtalktrace::parse(trace), 48000, total);
        QCOMPARE(range.has_value(), begin >= 0);
        if (range) {
            QCOMPARE(range->begin, begin);
            QCOMPARE(range->end, end);
        }
    }

    void wavFilesAreReadOrRefused()
    {
        const QList<qint16> frames{0, 1000, -1000, 32767};
        const auto mono = pcm::fromWav(wav(22050, 1, frames));
        QVERIFY(mono);
        QCOMPARE(mono->rate, 22050);
        QCOMPARE(mono->samples, frames);
        const auto stereo = pcm::fromWav(wav(48000, 2, frames));
        QVERIFY(stereo);
        QCOMPARE(stereo->samples, frames);
        QVERIFY(!pcm::fromWav(QByteArray("RIFF\0\0\0\0WAVE", 12)));
        QVERIFY(!pcm::fromWav(QByteArray("not a wave file at all")));
        QVERIFY(!pcm::fromWav(wav(48000, 1, frames, 3))); // floating point
    }

    void trimmingBySoundLevel()
    {
        const int rate = 1000; // one sample a millisecond
        Samples s(1000, 0);
        for (int i = 300; i < 400; ++i)
            s[i] = 5000;
        const Samples t = pcm::trimSilence(s, rate, pcm::kLeadMs, pcm::kTailMs);
        QCOMPARE(t.size(), pcm::kLeadMs + 100 + pcm::kTailMs);
        QCOMPARE(pcm::firstSound(t), pcm::kLeadMs);
        QCOMPARE(t.first(), 0); // faded in from silence
        QVERIFY(pcm::trimSilence(Samples(500, 100), rate, 15, 150).isEmpty());
    }

    void toneIsAudibleAndSoftEdged()
    {
        const Samples t = pcm::tone(48000);
        QVERIFY(pcm::hasSound(t));
        QCOMPARE(t.first(), 0);
        QVERIFY(std::abs(t.last()) < 100);
        Samples loud(4, 30000);
        pcm::mixInto(loud.data(), 4, Samples(4, 10000).constData());
        QCOMPARE(loud, Samples(4, 32767)); // saturates instead of wrapping
    }

    void cacheKeysTellVoiceSpeedRateAndTextApart()
    {
        const QByteArray base = SpeechCache::key(QStringLiteral("v"), 100, 48000, QStringLiteral("あ"));
        QCOMPARE(SpeechCache::key(QStringLiteral("v"), 100, 48000, QStringLiteral("あ")), base);
        QVERIFY(SpeechCache::key(QStringLiteral("w"), 100, 48000, QStringLiteral("あ")) != base);
        QVERIFY(SpeechCache::key(QStringLiteral("v"), 150, 48000, QStringLiteral("あ")) != base);
        QVERIFY(SpeechCache::key(QStringLiteral("v"), 100, 44100, QStringLiteral("あ")) != base);
        QVERIFY(SpeechCache::key(QStringLiteral("v"), 100, 48000, QStringLiteral("い")) != base);
    }

    void memoryCacheDropsTheLeastRecentlyUsed()
    {
        SpeechCache cache(QString(), 3 * 200); // room for three pieces of 100 samples
        for (int i = 0; i < 3; ++i)
            cache.insert(QByteArray::number(i), Samples(100, qint16(i)));
        QVERIFY(cache.find("0")); // 0 is now the most recent
        cache.insert("3", Samples(100, 3));
        QVERIFY(!cache.find("1"));
        QCOMPARE(cache.find("0")->first(), 0);
        QCOMPARE(cache.find("3")->first(), 3);
        QVERIFY(cache.memoryBytes() <= 600);
        cache.insert("big", Samples(1000, 1)); // larger than the bound: not kept
        QVERIFY(!cache.find("big"));
        QVERIFY(cache.find("3"));
    }

    void diskCacheServesANewSessionAndIsPruned()
    {
        QTemporaryDir dir;
        const Samples audio{1, -2, 3, 32767, -32768};
        {
            SpeechCache first(dir.path());
            first.insert("abc", audio);
        }
        SpeechCache second(dir.path());
        QVERIFY(second.contains("abc"));
        QCOMPARE(second.find("abc").value(), audio);
        // A damaged file is no audio.
        QFile damaged(dir.filePath(QStringLiteral("bad.pcm")));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("garbage");
        damaged.close();
        QVERIFY(!second.find("bad"));
        for (int i = 0; i < 5; ++i)
            second.insert(QByteArray::number(i), Samples(1000, 1));
        second.pruneDisk(4000);
        qint64 total = 0;
        for (const QFileInfo &f : QDir(dir.path()).entryInfoList({QStringLiteral("*.pcm")}, QDir::Files))
            total += f.size();
        QVERIFY(total <= 4000);
    }

    // On a full disk an entry is not kept at all, so a later start never
    // plays audio cut short; one that fits is kept.
    void diskCacheKeepsNoCutEntry()
    {
        FullDisk disk;
        if (!disk.unavailable().isEmpty())
            QSKIP(disk.unavailable().constData());
        QVERIFY(disk.leaveRoom(FullDisk::kPage));
        SpeechCache first(disk.folder());
        first.insert("long", Samples(3 * FullDisk::kPage, 7));
        first.insert("short", Samples(100, 7));
        first.waitForDisk(); // the files are written on a thread of their own
        SpeechCache second(disk.folder());
        QVERIFY(!second.find("long"));
        QCOMPARE(second.find("short").value(), Samples(100, 7));
        QCOMPARE(QDir(disk.folder()).entryList(QDir::Files), QStringList{QStringLiteral("short.pcm")});
    }

    void voiceFilesAreFoundSortedByFileName()
    {
        QTemporaryDir a;
        QTemporaryDir b;
        QDir(a.path()).mkpath(QStringLiteral("deep/er"));
        for (const QString &f : {a.filePath(QStringLiteral("deep/er/b_voice.htsvoice")),
                                 b.filePath(QStringLiteral("a_voice.htsvoice")),
                                 b.filePath(QStringLiteral("c_voice.htsvoice")), b.filePath(QStringLiteral("notes.txt"))}) {
            QFile file(f);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QStringList files = voicecatalog::findVoiceFiles({a.path(), b.path(), QStringLiteral("/nonexistent")});
        QStringList names;
        for (const QString &f : files)
            names << QFileInfo(f).fileName();
        QCOMPARE(names, (QStringList{QStringLiteral("a_voice.htsvoice"), QStringLiteral("b_voice.htsvoice"),
                                     QStringLiteral("c_voice.htsvoice")}));

        voicecatalog::OpenJTalkInstall install{QStringLiteral("/usr/bin/open_jtalk"), QStringLiteral("/dic"),
                                               {a.path(), b.path()}};
        const QList<voicecatalog::Voice> voices = voicecatalog::openJTalkVoices(install);
        QCOMPARE(voices.size(), 6);
        QCOMPARE(voices[0].voiceFile, files[0]);
        QVERIFY(!voices[0].raised && voices[1].raised);
        QVERIFY(voices[0].id != voices[1].id);
        QVERIFY(voices[0].name.contains(QStringLiteral("a_voice")));
        for (const auto &v : voices)
            QCOMPARE(v.language, 1041);
        // Without the program or the dictionary there is no Open JTalk voice.
        QVERIFY(voicecatalog::openJTalkVoices({QString(), QStringLiteral("/dic"), {b.path()}}).isEmpty());
        QVERIFY(voicecatalog::openJTalkVoices({QStringLiteral("/x"), QString(), {b.path()}}).isEmpty());
    }

    void openJTalkCommandLines()
    {
        voicecatalog::OpenJTalkInstall install{QStringLiteral("/usr/bin/open_jtalk"), QStringLiteral("/dic"), {}};
        voicecatalog::Voice natural;
        natural.voiceFile = QStringLiteral("/v/m.htsvoice");
        voicecatalog::Voice raised = natural;
        raised.raised = true;
        const QStringList plain = voicecatalog::openJTalkArguments(install, natural, 100, QStringLiteral("/t"));
        QCOMPARE(plain, (QStringList{"-x", "/dic", "-m", "/v/m.htsvoice", "-ow", "/dev/stdout", "-ot", "/t"}));
        const QStringList high = voicecatalog::openJTalkArguments(install, raised, 150, QStringLiteral("/t"));
        QVERIFY(high.join(u' ').contains(QStringLiteral("-r 1.50 -fm 6 -a 0.50")));
        // The engine inside the program is told the same.
        const voicecatalog::Synthesis s = voicecatalog::synthesisFor(raised, 150);
        QCOMPARE(s.speed, 1.5);
        QCOMPARE(s.halfTones, 6.0);
        QCOMPARE(s.alpha, 0.5);
        QCOMPARE(voicecatalog::synthesisFor(natural, 100).alpha, -1.0); // the voice file's own
        // Text analysis only: synthesis at 1000 samples a second, one a frame.
        const QStringList labels = JTalkLabels::arguments(install, natural.voiceFile);
        QVERIFY(labels.join(u' ').contains(QStringLiteral("-ow /dev/null -ot /dev/stdout -s 1000 -p 1")));
        QCOMPARE(voicecatalog::openJTalkInput(QStringLiteral("きょう\r\nあした\nあさって")),
                 QStringLiteral("きょう、あした、あさって\n").toUtf8());
    }

    void voiceDialogListsJapaneseModesOnly_data()
    {
        QTest::addColumn<QList<int>>("languages");
        QTest::addColumn<QList<int>>("listed");
        QTest::newRow("English mode 1, Japanese modes 2 and 3") << QList<int>{1033, 1041, 1041} << QList<int>{2, 3};
        QTest::newRow("2065 listed, 3089 not") << QList<int>{2065, 3089, 17} << QList<int>{1, 3};
        QTest::newRow("no mode at all") << QList<int>{} << QList<int>{};
        QTest::newRow("no Japanese mode") << QList<int>{1033, 2057} << QList<int>{};
    }
    void voiceDialogListsJapaneseModesOnly()
    {
        QFETCH(QList<int>, languages);
        QFETCH(QList<int>, listed);
        Modes engine(languages);
        const QList<voicelist::Line> lines = voicelist::japaneseLines(engine);
        QList<int> modes;
        for (const auto &l : lines) {
            modes << l.mode;
            QCOMPARE(l.text, QStringLiteral("%1) 声%1").arg(l.mode));
        }
        QCOMPARE(modes, listed);
        if (!lines.isEmpty())
            QCOMPARE(voicelist::lineOf(lines, listed.last()), lines.size() - 1);
        QCOMPARE(voicelist::lineOf(lines, 99), -1);
    }

    void warmUpStartsWithGreetingAndFocusedKey()
    {
        const QList<warmup::Item> items = warmup::items(1, 2, 0);
        QCOMPARE(items[0], (warmup::Item{1, QStringLiteral("もじぽっと帳にようこそ")}));
        QCOMPARE(items[1], (warmup::Item{1, QStringLiteral("よむ")}));
        const auto has = [&](int mode, const QString &text) { return items.contains(warmup::Item{mode, text}); };
        QVERIFY(has(1, QStringLiteral("ハ")));
        QVERIFY(has(1, QStringLiteral("おわりのを")));
        QVERIFY(has(1, QStringLiteral("なし")));
        QVERIFY(has(1, QStringLiteral("ぜんぶ\nけす")));
        QVERIFY(has(2, QStringLiteral("を")));
        QVERIFY(has(2, QStringLiteral("まる")));
        QVERIFY(has(2, QStringLiteral("ぽ")));
        QVERIFY(!has(2, QStringLiteral("゛")));
        // The scan's names: long ones in the selection voice, short ones in the decision voice, after
        // every key's name and before the kana a press says; what else a press says after the kana.
        const QList<warmup::Item> scan = warmup::items(1, 2, 0, {QStringLiteral("けすのれつ")}, {QStringLiteral("けす")},
                                                       {QStringLiteral("はい。")});
        const qsizetype names = scan.indexOf(warmup::Item{1, QStringLiteral("けすのれつ")});
        QCOMPARE(scan.mid(names, 2), (QList<warmup::Item>{{1, QStringLiteral("けすのれつ")}, {2, QStringLiteral("けす")}}));
        QVERIFY(scan.indexOf(warmup::Item{1, QStringLiteral("おわりのを")}) < names);
        QVERIFY(names < scan.indexOf(warmup::Item{2, QStringLiteral("を")}));
        QVERIFY(scan.indexOf(warmup::Item{2, QStringLiteral("を")}) < scan.indexOf(warmup::Item{2, QStringLiteral("はい。")}));
        // One item per voice and text: with one voice for both, no repeats.
        const QList<warmup::Item> single = warmup::items(1, 1, 26);
        QCOMPARE(single[1].text, QStringLiteral("ハ"));
        for (qsizetype i = 0; i < single.size(); ++i)
            QCOMPARE(single.indexOf(single[i]), i);
    }
};

QTEST_GUILESS_MAIN(TestSpeechLogic)
#include "tst_speechlogic.moc"
