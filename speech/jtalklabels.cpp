#include "speech/jtalklabels.h"

#include "speech/jtalktrace.h"

#include <QFile>
#include <QProcess>
#include <QtEndian>

JTalkLabels::JTalkLabels(voicecatalog::OpenJTalkInstall install, QString voiceFile, QObject *parent)
    : QObject(parent), m_install(std::move(install)), m_voiceFile(std::move(voiceFile))
{
    QFile own(m_dir.filePath(QStringLiteral("analysis.htsvoice")));
    const QByteArray voice = analysisVoice();
    if (m_dir.isValid() && own.open(QIODevice::WriteOnly) && own.write(voice) == voice.size() && own.flush())
        m_voiceFile = own.fileName();
}

QByteArray JTalkLabels::analysisVoice()
{
    // The data: for the durations and both streams a one-leaf tree and one
    // distribution (a count, then means, variances and, for the pitch, the
    // weight of the voiced space), and windows of one coefficient.
    QByteArray data;
    QStringList positions;
    const auto add = [&](const char *name, const QByteArray &bytes) {
        positions << QStringLiteral("%1:%2-%3").arg(QLatin1String(name)).arg(data.size()).arg(data.size() + bytes.size() - 1);
        data += bytes;
    };
    const auto pdf = [](std::initializer_list<float> values) {
        QByteArray b(4, 0);
        qToLittleEndian<quint32>(1, b.data());
        for (float v : values) {
            char le[4];
            qToLittleEndian<float>(v, le);
            b.append(le, 4);
        }
        return b;
    };
    const auto tree = [](const char *leaf) { return QByteArray("{*}[2]\n   \"") + leaf + "_1\"\n"; };
    add("DURATION_PDF", pdf({1, 1}));
    add("DURATION_TREE", tree("dur"));
    add("STREAM_WIN[MCP]", "1 1.0\n");
    add("STREAM_WIN[LF0]", "1 1.0\n");
    add("STREAM_PDF[MCP]", pdf({0, 1}));
    add("STREAM_PDF[LF0]", pdf({4.6f, 1, 1}));
    add("STREAM_TREE[MCP]", tree("mcp"));
    add("STREAM_TREE[LF0]", tree("lf0"));
    const QString header = QStringLiteral(
        "[GLOBAL]\nHTS_VOICE_VERSION:1.0\nSAMPLING_FREQUENCY:48000\nFRAME_PERIOD:240\nNUM_STATES:1\nNUM_STREAMS:2\n"
        "STREAM_TYPE:MCP,LF0\nFULLCONTEXT_FORMAT:HTS_TTS_JPN\nFULLCONTEXT_VERSION:1.0\nGV_OFF_CONTEXT:\nCOMMENT:\n"
        "[STREAM]\nVECTOR_LENGTH[MCP]:1\nVECTOR_LENGTH[LF0]:1\nIS_MSD[MCP]:0\nIS_MSD[LF0]:1\n"
        "NUM_WINDOWS[MCP]:1\nNUM_WINDOWS[LF0]:1\nUSE_GV[MCP]:0\nUSE_GV[LF0]:0\nOPTION[MCP]:ALPHA=0.55\nOPTION[LF0]:\n"
        "[POSITION]\n%1\n[DATA]\n").arg(positions.join(u'\n'));
    return header.toLatin1() + data;
}

JTalkLabels::~JTalkLabels()
{
    if (m_spare)
        discard(m_spare);
    for (QProcess *p : std::as_const(m_running))
        discard(p);
}

QStringList JTalkLabels::arguments(const voicecatalog::OpenJTalkInstall &install, const QString &voiceFile)
{
    return {QStringLiteral("-x"), install.dictionary, QStringLiteral("-m"), voiceFile,
            QStringLiteral("-ow"), QStringLiteral("/dev/null"), QStringLiteral("-ot"), QStringLiteral("/dev/stdout"),
            QStringLiteral("-s"), QStringLiteral("1000"), QStringLiteral("-p"), QStringLiteral("1")};
}

QProcess *JTalkLabels::spawn()
{
    auto *p = new QProcess(this);
    p->setProgram(m_install.program);
    p->setArguments(arguments(m_install, m_voiceFile));
    p->setStandardErrorFile(QProcess::nullDevice());
    p->start(QIODevice::ReadWrite);
    return p;
}

void JTalkLabels::prepare()
{
    if (m_spare && m_spare->state() == QProcess::NotRunning) {
        discard(m_spare);
        m_spare = nullptr;
    }
    if (!m_spare)
        m_spare = spawn();
}

void JTalkLabels::request(quint64 job, const QString &text, bool background)
{
    QProcess *p = nullptr;
    if (!background && m_spare && m_spare->state() != QProcess::NotRunning)
        p = std::exchange(m_spare, nullptr);
    if (!p)
        p = spawn();
    connect(p, &QProcess::finished, this, [this, p] { finish(p); });
    connect(p, &QProcess::errorOccurred, this, [this, p](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            finish(p);
    });
    m_running.insert(job, p);
    p->write(voicecatalog::openJTalkInput(text));
    p->closeWriteChannel();
}

void JTalkLabels::finish(QProcess *process)
{
    const quint64 job = m_running.key(process, 0);
    if (!m_running.remove(job))
        return;
    QList<QByteArray> found;
    if (process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0)
        found = jtalktrace::labels(process->readAllStandardOutput());
    discard(process);
    emit labels(job, found);
}

void JTalkLabels::cancel(quint64 job)
{
    if (QProcess *p = m_running.take(job))
        discard(p);
}

void JTalkLabels::discard(QProcess *p)
{
    m_end.end(p, this);
}
