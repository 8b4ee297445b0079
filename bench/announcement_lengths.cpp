// Measures how long every announcement of the switch scan sounds: each key's
// name and each group's name in the selection voice (engine mode 1), and what
// each press says and the groups' short names in the decision voice (mode
// 2), as the program's Open JTalk engine makes them (trimmed to a 15 ms
// lead and a 150 ms tail, as played). Writes the table the switch simulator reads:
//   announcement_lengths > bench/data/announcements.tsv
#include "app/compositionrules.h"
#include "bench/kanjisentences.h"
#include "kanji/descriptions.h"
#include "base/keytable.h"
#include "input/switchinput.h"
#include "speech/announcements.h"
#include "speech/openjtalkengine.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const voicecatalog::OpenJTalkInstall install = voicecatalog::findOpenJTalk(app.applicationDirPath());
    const QList<voicecatalog::Voice> voices = voicecatalog::openJTalkVoices(install);
    if (voices.size() < 2) {
        std::fprintf(stderr, "Open JTalk with its dictionary and voice is needed\n");
        return 1;
    }
    constexpr int kRate = 48000;
    OpenJTalkEngine engine(install, kRate);

    QStringList selection; // mode 1: what reaching a place says
    for (int tag = 0; tag < keys::kCount; ++tag)
        selection << announcements::forKey(tag, keys::table()[tag].caption, false);
    for (int g = 0; g < int(input::boardOrder().size()); ++g)
        selection << input::boardOrder()[g].name;
    selection << QStringLiteral("もどる") << QStringLiteral("よそく") << QStringLiteral("けすもじがありません");
    QStringList decision; // mode 2: what a press says
    for (int tag = 1; tag <= keys::kSpace; ++tag)
        decision << composition::spokenFor(tag, keys::table()[tag].caption, readings::table());
    for (int tag = 6; tag <= 30; ++tag)
        decision << readings::table()[tag]; // the voiced and half-voiced kana a mark writes
    for (int c = 1; c < int(input::boardOrder().size()); ++c)
        decision << input::boardGroup(c).shortName; // the groups' short names
    decision << QStringLiteral("くうはく") << QStringLiteral("かいぎょうしました") << QStringLiteral("ぜんぶけしました")
             << QStringLiteral("もじはありませんよ。");
    // What "けす" says for a taken-away character, in the voice of the scan.
    for (int tag = 1; tag <= keys::kLongVowel; ++tag)
        selection << readings::spokenWhenDeleted(keys::table()[tag].caption);
    selection << QStringLiteral("\u3000") << QStringLiteral("上の行へ");
    for (int tag = 6; tag <= 30; ++tag)
        selection << readings::table()[tag];
    // Conversion: its keys' names; what they say; each phrase of the
    // held-out kanji sentences said as its candidate (or kanji word) is,
    // with the kanji's descriptions.
    selection << QStringLiteral("へんかん") << QStringLiteral("かくてい");
    decision << QStringLiteral("かくていしました") << QStringLiteral("へんかんする もじが ありません")
             << QStringLiteral("かくていする もじが ありません");
    kanji::Descriptions descriptions;
    for (const kanji::Sentence &s : kanjibench::heldOut())
        for (qsizetype p = 0; p < s.reading.size(); ++p)
            if (s.intended[p] != s.reading[p])
                decision << descriptions.spoken(s.intended[p], s.reading[p]);

    std::printf("# How long each announcement sounds, in ms: Open JTalk (%s) through the program's\n"
                "# engine, trimmed as played; made by build/bench/announcement_lengths.\n"
                "# voice\ttext\tms (voice 1: the selection voice, 2: the decision voice)\n",
                qPrintable(voices[0].name));
    quint64 job = 0;
    for (const auto &[mode, texts] : {std::pair{1, selection}, std::pair{2, decision}}) {
        QStringList done;
        for (const QString &text : texts) {
            if (done.contains(text))
                continue;
            done << text;
            QEventLoop loop;
            qint64 samples = -1;
            const auto c = QObject::connect(&engine, &SynthEngine::finished, &loop,
                                            [&](quint64, const Samples &s) {
                                                samples = s.size();
                                                loop.quit();
                                            });
            QTimer::singleShot(20000, &loop, &QEventLoop::quit);
            engine.start(++job, voices[mode - 1], 100, text);
            loop.exec();
            QObject::disconnect(c);
            if (samples < 0) {
                std::fprintf(stderr, "no audio for %s\n", qPrintable(text));
                return 1;
            }
            // A line break in a caption is written as "\n".
            std::printf("%d\t%s\t%lld\n", mode, qPrintable(QString(text).replace(u'\n', QStringLiteral("\\n"))),
                        samples * 1000 / kRate);
        }
    }
    return 0;
}
