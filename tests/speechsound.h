#pragma once
// Helpers of the speech suites that use real sound: PulseAudio with the null
// sink "mojipot_null" (started by scripts/services, as the test script does)
// and the controls under test.
#include "speech/speechcontrol.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <unistd.h>

namespace speechtest {

inline bool run(const QString &program, const QStringList &args, QByteArray *out = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000))
        return false;
    if (out)
        *out = p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// True when the sound server with the null sink runs, starting it if needed.
inline bool ensureSoundServer()
{
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QByteArray("/tmp/runtime-") + QByteArray::number(getuid()));
    QByteArray sinks;
    if (run(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")}, &sinks)
        && sinks.contains("mojipot_null"))
        return true;
    const QString services = qEnvironmentVariable("MOJIPOT_SOURCE_DIR") + QStringLiteral("/scripts/services");
    run(QStringLiteral("bash"), {QStringLiteral("-c"), QStringLiteral(". \"%1\"").arg(services)});
    return run(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")}, &sinks)
           && sinks.contains("mojipot_null");
}

// A null sink of the suite's own, so that no other suite's sound reaches
// its recordings, kept awake by a silent stream as a sound card would be
// (an idle null sink renders up to two seconds ahead before it takes a new
// stream).
class PrivateSink
{
public:
    PrivateSink() : m_name(QStringLiteral("mojipot_speech_%1").arg(getpid()))
    {
        QByteArray index;
        if (!run(QStringLiteral("pactl"),
                 {QStringLiteral("load-module"), QStringLiteral("module-null-sink"), QStringLiteral("sink_name=") + m_name},
                 &index))
            return;
        m_module = index.trimmed();
        m_awake.setStandardInputFile(QStringLiteral("/dev/zero"));
        m_awake.start(QStringLiteral("pacat"), {QStringLiteral("-d"), m_name, QStringLiteral("--raw"),
                                                QStringLiteral("--latency-msec=20")});
    }
    ~PrivateSink()
    {
        m_awake.kill();
        m_awake.waitForFinished();
        if (!m_module.isEmpty())
            run(QStringLiteral("pactl"), {QStringLiteral("unload-module"), QString::fromLatin1(m_module)});
    }
    bool loaded() const { return !m_module.isEmpty(); }
    const QString &name() const { return m_name; }
    QString monitor() const { return m_name + QStringLiteral(".monitor"); }

private:
    QString m_name;
    QByteArray m_module;
    QProcess m_awake;
};

enum class Engines { OpenJTalk, ESpeak, Both };

inline SpeechControl::Options options(Engines engines, const QString &cacheDir)
{
    SpeechControl::Options o;
    if (engines != Engines::ESpeak)
        o.openJTalk = voicecatalog::findOpenJTalk(QCoreApplication::applicationDirPath());
    o.espeak = engines != Engines::OpenJTalk;
    o.cacheDir = cacheDir;
    return o;
}

// What the control reported as heard, in order.
struct Heard
{
    quint64 utterance;
    int mode;
    QString text;
    Samples samples; // all of it once complete
    qint64 at;
    bool complete = false;
};

struct Listener
{
    QList<Heard> heard;
    void attach(SpeechControl *control)
    {
        QObject::connect(control, &SpeechControl::sounding, control,
                         [this](quint64 id, int mode, const QString &text, const Samples &s, qint64 at) {
                             heard.append({id, mode, text, s, at});
                         });
        QObject::connect(control, &SpeechControl::completed, control,
                         [this](quint64 id, int, const QString &text, const Samples &s) {
                             for (Heard &h : heard)
                                 if (h.utterance == id && h.text == text && !h.complete) {
                                     h.samples = s;
                                     h.complete = true;
                                     return;
                                 }
                         });
    }
    qsizetype completeCount() const
    {
        return std::count_if(heard.cbegin(), heard.cend(), [](const Heard &h) { return h.complete; });
    }
    QStringList texts() const
    {
        QStringList t;
        for (const Heard &h : heard)
            t << h.text;
        return t;
    }
};

} // namespace speechtest
