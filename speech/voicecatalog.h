#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The voices the engines offer, in the fixed order that numbers the engine
// modes from 1: every Open JTalk voice file (sorted by file name) as its
// natural voice and a clearly higher one, then eSpeak NG's Japanese voice as
// a male and a female voice and its English voice.
namespace voicecatalog {

constexpr int kJapanese = 1041;
constexpr int kEnglish = 1033;

enum class Engine { OpenJTalk, ESpeak };

struct Voice
{
    Engine engine = Engine::OpenJTalk;
    QString id;            // names the voice exactly, for the audio cache
    QString name;          // shown in the voice dialog
    int language = kJapanese;
    QString voiceFile;     // Open JTalk: the .htsvoice file
    bool raised = false;   // Open JTalk: the higher voice of that file
    QByteArray espeakName; // eSpeak NG: voice name with variant
};

struct OpenJTalkInstall
{
    QString program;       // the open_jtalk program, empty when not found
    QString dictionary;    // the dictionary folder, empty when not found
    QStringList voiceDirs; // folders searched for *.htsvoice
};

// Debian's places: open_jtalk on the PATH, the naist-jdic dictionary, the
// voices under /usr/share/hts-voice and the program folder's voices/.
OpenJTalkInstall findOpenJTalk(const QString &programDir);

// Every *.htsvoice under the folders (recursively), sorted by file name.
QStringList findVoiceFiles(const QStringList &dirs);

// Two voices per voice file; none when the program, the dictionary or every
// voice file is missing.
QList<Voice> openJTalkVoices(const OpenJTalkInstall &install);
QList<Voice> espeakVoices();

// How Open JTalk makes a voice at a rate of speech (100 is the natural
// rate), the same for the open_jtalk program and for the engine inside the
// program, so that both give the same samples.
struct Synthesis
{
    double speed = 1.0;     // durations divided by this
    double halfTones = 0.0; // added to the pitch
    double alpha = -1.0;    // all-pass constant; below 0: the voice file's own
};
Synthesis synthesisFor(const Voice &voice, int speed);

// The command line of open_jtalk for a voice at a rate of speech: audio to
// standard output, timing to traceFile; the text comes on standard input.
QStringList openJTalkArguments(const OpenJTalkInstall &install, const Voice &voice, int speed,
                               const QString &traceFile);

// The text as open_jtalk takes it on standard input: one line, line
// breaks read as pauses.
QByteArray openJTalkInput(const QString &text);

} // namespace voicecatalog
