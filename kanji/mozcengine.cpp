#include "kanji/mozcengine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace kanji {

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(1 << 16) : QByteArray();
}

// True while the process runs (a zombie that nobody reaps has ended).
bool running(quint32 pid)
{
    const QByteArray status = fileBytes(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.isEmpty())
        return false;
    const qsizetype state = status.indexOf("\nState:");
    return state < 0 || status.mid(state + 7, 4).trimmed().left(1) != "Z";
}

} // namespace

QString MozcEngine::helperProgram()
{
    const QString chosen = qEnvironmentVariable("MOJIPOT_MOZC_HELPER");
    if (!chosen.isEmpty())
        return QFileInfo(chosen).isExecutable() ? chosen : QString();
    return QStandardPaths::findExecutable(QStringLiteral("mozc_emacs_helper"));
}

QString MozcEngine::serverProgram()
{
    return QStringLiteral("/usr/lib/mozc/mozc_server");
}

QString MozcEngine::notInstalledReason()
{
    if (helperProgram().isEmpty())
        return QStringLiteral("mozc_emacs_helper がありません（パッケージ emacs-mozc-bin）");
    if (!QFileInfo(serverProgram()).isExecutable())
        return QStringLiteral("mozc_server がありません（パッケージ mozc-server）");
    return {};
}

QString MozcEngine::unavailableReason()
{
    if (const QString reason = notInstalledReason(); !reason.isEmpty())
        return reason;
    if (geteuid() == 0)
        return QStringLiteral("管理者として動いているプログラムからは Mozc を使えません");
    return {};
}

QString MozcEngine::defaultProfile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/mojipot/mozc");
}

MozcEngine::MozcEngine(const QString &profile, const QString &helper) : m_profile(profile), m_helper(helper) {}

MozcEngine::~MozcEngine()
{
    stop();
}

void MozcEngine::start()
{
    if (!m_process && !m_givenUp)
        launch();
}

void MozcEngine::launch()
{
    m_restartDue = false;
    if (m_helper.isEmpty()) {
        m_givenUp = true;
        return;
    }
    // The helper's home: Mozc keeps its settings and what it learns in
    // $XDG_CONFIG_HOME/mozc (or ~/.config/mozc), which must exist.
    QDir().mkpath(m_profile + QStringLiteral("/.config"));
    QFile::setPermissions(m_profile, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_profile);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_profile + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_profile + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), m_profile + QStringLiteral("/.cache"));

    m_process = new QProcess;
    m_process->setProcessEnvironment(env);
    m_process->setStandardErrorFile(QProcess::nullDevice());
    m_process->setProgram(m_helper);
    m_process->setArguments({QStringLiteral("--suppress_stderr")});
    QProcess *process = m_process;
    QObject::connect(process, &QProcess::readyReadStandardOutput, process, [this] { readAnswers(); });
    // Ended by itself: taken as lost once we are out of the process's own
    // signal (the process object is deleted there).
    auto ended = [this, process] {
        m_session = -1;
        QTimer::singleShot(0, process, [this, process] {
            if (m_process == process)
                lost();
        });
    };
    QObject::connect(process, &QProcess::finished, process, ended);
    QObject::connect(process, &QProcess::errorOccurred, process, [ended](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart || e == QProcess::Crashed)
            ended();
    });
    m_startLimit = new QTimer(process);
    m_startLimit->setSingleShot(true);
    QObject::connect(m_startLimit, &QTimer::timeout, process, [this, process] {
        if (m_process == process && !m_warm)
            lost();
    });
    m_startLimit->start(kStartLimitMs);
    m_process->start(QIODevice::ReadWrite);
    m_createId = send(mozc::request(m_nextId, QStringLiteral("CreateSession")));
}

quint32 MozcEngine::send(const QByteArray &line)
{
    m_process->write(line);
    return m_nextId++;
}

quint32 MozcEngine::sendKey(const QString &key)
{
    return send(mozc::sendKey(m_nextId, quint32(m_session), key));
}

void MozcEngine::readAnswers()
{
    if (!m_process)
        return;
    if (m_session < 0)
        return; // lost: what it says now is not read
    m_pending += m_process->readAllStandardOutput();
    // A line that is no answer (garbage, nested or longer than any answer,
    // or one that never ends) is taken as the helper lost, as a late answer
    // is: that conversion goes to Anthy and the helper is started again.
    const auto bad = [this] {
        m_pending.clear();
        m_answers.clear();
        m_session = -1;
    };
    qsizetype end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_pending.left(end));
        m_pending.remove(0, end + 1);
        const auto answer = mozc::parse(line);
        if (!answer)
            return bad();
        const qint64 id = mozc::eventOf(*answer);
        if (id < 0)
            continue; // the greeting; an error line comes before the helper ends
        if (id == m_createId && m_session == 0) {
            m_session = answer->number(u"emacs-session-id", 0);
            if (m_session <= 0)
                continue;
            // The first conversion reads the server's dictionaries: done now,
            // in the background, so that the user's first one is quick.
            send(mozc::typeText(m_nextId, quint32(m_session), QStringLiteral("きょうはいいてんき")));
            sendKey(QStringLiteral("space"));
            sendKey(QStringLiteral("escape"));
            m_warmId = sendKey(QStringLiteral("escape"));
        } else if (quint32(id) == m_warmId) {
            m_warm = true;
            m_startLimit->stop();
            m_serverPid = serverProcess();
        } else {
            m_answers.insert(quint32(id), *answer);
        }
    }
    if (m_pending.size() > mozc::kMaxLineLength)
        bad();
}

std::optional<mozc::SExpr> MozcEngine::await(quint32 id, const QElapsedTimer &since)
{
    for (;;) {
        readAnswers();
        if (auto it = m_answers.find(id); it != m_answers.end())
            return m_answers.take(id);
        const qint64 left = kAnswerLimitMs - since.elapsed();
        if (!m_process || m_session < 0 || left <= 0)
            return std::nullopt;
        m_process->waitForReadyRead(int(left));
    }
}

std::optional<quint32> MozcEngine::typeIn(const QString &reading, QElapsedTimer &since)
{
    if (m_session < 0 || m_restartDue)
        lost();
    if (!ready() || reading.isEmpty())
        return std::nullopt;
    for (QChar c : reading)
        if (c.unicode() < 0x20 || c == u'\x7f')
            return std::nullopt;
    since.start();
    m_answers.clear();
    return send(mozc::typeText(m_nextId, quint32(m_session), reading));
}

QList<Phrase> MozcEngine::convert(const QString &reading)
{
    QElapsedTimer since;
    if (!typeIn(reading, since))
        return {};
    const auto converted = await(sendKey(QStringLiteral("space")), since);
    QList<Phrase> phrases = converted ? mozc::phrasesOf(*converted) : QList<Phrase>();
    QString joined;
    for (const Phrase &p : phrases)
        joined += p.reading;
    const bool whole = joined == reading;
    // Every phrase after the first is made current in turn for its
    // candidates; then the conversion and the hiragana are dropped again.
    QList<quint32> next;
    if (converted && whole)
        for (qsizetype i = 1; i < phrases.size(); ++i)
            next << sendKey(QStringLiteral("right"));
    if (m_process) {
        sendKey(QStringLiteral("escape"));
        sendKey(QStringLiteral("escape"));
    }
    if (!converted) {
        lost();
        return {};
    }
    if (!whole)
        return {};
    phrases[0].candidates = mozc::candidatesOf(*converted, phrases[0].candidates.value(0));
    for (qsizetype i = 1; i < phrases.size(); ++i) {
        const auto answer = await(next[i - 1], since);
        if (!answer) {
            lost();
            return {};
        }
        phrases[i].candidates = mozc::candidatesOf(*answer, phrases[i].candidates.value(0));
    }
    for (Phrase &p : phrases)
        p.candidates = p.candidates.mid(0, 64);
    return phrases;
}

QList<Form> MozcEngine::suggest(const QString &reading)
{
    QElapsedTimer since;
    const std::optional<quint32> typed = typeIn(reading, since);
    if (!typed)
        return {};
    const auto answer = await(*typed, since);
    if (m_process)
        sendKey(QStringLiteral("escape")); // the hiragana dropped
    if (!answer) {
        lost();
        return {};
    }
    return mozc::suggestionsOf(*answer, reading);
}

bool MozcEngine::waitUntilReady(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (m_session < 0 || m_restartDue)
            lost();
        if (!m_process)
            return false;
        if (ready() && m_warm)
            return true;
        m_process->waitForReadyRead(int(qMax<qint64>(1, ms - t.elapsed())));
        readAnswers();
    }
    return ready() && m_warm;
}

void MozcEngine::lost()
{
    if (!m_process)
        return;
    stop(false);
    if (++m_losses > 1) {
        m_givenUp = true;
        return;
    }
    launch();
}

void MozcEngine::stop(bool gracefully)
{
    if (!m_process)
        return;
    QProcess *process = m_process;
    m_process = nullptr;
    m_startLimit = nullptr;
    process->disconnect();
    // At the end of its input the helper ends by itself; one that is lost
    // is killed at once.
    process->closeWriteChannel();
    if (process->state() != QProcess::NotRunning && (!gracefully || !process->waitForFinished(300))) {
        process->kill();
        process->waitForFinished(300);
    }
    stopServer();
    process->deleteLater();
    m_session = 0;
    m_warm = false;
    m_answers.clear();
    m_pending.clear();
}

bool MozcEngine::isOurServer(quint32 pid) const
{
    if (pid == 0 || !running(pid))
        return false;
    // Only a server of this profile, still the same program.
    const QByteArray command = fileBytes(QStringLiteral("/proc/%1/cmdline").arg(pid));
    const QByteArray env = fileBytes(QStringLiteral("/proc/%1/environ").arg(pid));
    return command.split('\0').value(0).endsWith("mozc_server")
           && ('\0' + env).contains('\0' + ("HOME=" + m_profile).toUtf8() + '\0');
}

quint32 MozcEngine::serverProcess() const
{
    const quint32 pid = mozc::serverProcess(fileBytes(m_profile + QStringLiteral("/.config/mozc/.session.ipc")));
    return isOurServer(pid) ? pid : 0;
}

qint64 MozcEngine::helperProcess() const
{
    return m_process ? m_process->processId() : 0;
}

void MozcEngine::stopServer()
{
    // The helper leaves the server running on its own: it is ended here, at
    // most a second for it to go. A server that stopped answering may have
    // been replaced in the session file by the helper: both go.
    QList<quint32> servers{serverProcess()};
    if (m_serverPid != servers[0] && isOurServer(m_serverPid))
        servers << m_serverPid;
    m_serverPid = 0;
    for (quint32 pid : servers) {
        if (!pid)
            continue;
        ::kill(pid_t(pid), SIGTERM);
        QElapsedTimer t;
        t.start();
        while (running(pid) && t.elapsed() < 1000)
            QThread::msleep(5);
        if (running(pid))
            ::kill(pid_t(pid), SIGKILL);
    }
}

} // namespace kanji
