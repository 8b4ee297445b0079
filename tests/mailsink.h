#pragma once
// A real SMTP server on 127.0.0.1 for the mail suites (Debian's aiosmtpd run
// by mail_smtp_sink.py), a misbehaving one (mail_smtp_script.py), and a copy
// of the mailer in a folder of its own.

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// A Python server script run as a child: started with its folder and
// arguments, ready when it prints "ready PORT...", ended by closing its input.
class ServerProcess
{
public:
    ~ServerProcess() { stop(); }

    // The ports of the ready line; empty when the server did not start.
    QList<int> start(const QString &script, const QStringList &arguments)
    {
        m_process.setProgram(QStringLiteral(MAIL_TEST_PYTHON));
        m_process.setArguments(QStringList{script, m_box.path()} + arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!m_process.waitForStarted(10000))
            return {};
        while (m_process.canReadLine() || m_process.waitForReadyRead(15000)) {
            const QByteArray line = m_process.readLine().trimmed();
            if (!line.startsWith("ready "))
                continue;
            QList<int> ports;
            for (const QByteArray &p : line.mid(6).split(' '))
                if (p.toInt() > 0)
                    ports.append(p.toInt());
            return ports;
        }
        return {};
    }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    QString box() const { return m_box.path(); }

private:
    QTemporaryDir m_box;
    QProcess m_process;
};

class SmtpSink
{
public:
    // Starts the server and waits until it listens; false when it cannot.
    bool start()
    {
        const QList<int> ports = m_server.start(QStringLiteral(MAIL_TEST_SINK_SCRIPT), {});
        m_port = ports.isEmpty() ? 0 : ports.first();
        return m_port > 0;
    }

    void stop() { m_server.stop(); }

    int port() const { return m_port; }

    // Every message received so far, in order.
    QList<QJsonObject> messages() const
    {
        QList<QJsonObject> list;
        const QDir box(m_server.box());
        for (const QString &name : box.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
            QFile f(box.filePath(name));
            if (f.open(QIODevice::ReadOnly))
                list.append(QJsonDocument::fromJson(f.readAll()).object());
        }
        return list;
    }

    // The bytes of message n (from 1) as they arrived.
    QByteArray raw(int n) const
    {
        QFile f(QDir(m_server.box()).filePath(QStringLiteral("%1.eml").arg(n, 3, 10, QChar(u'0'))));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    ServerProcess m_server;
    int m_port = 0;
};

// A hand-written SMTP server that misbehaves on purpose (mail_smtp_script.py):
// one port for each behaviour, and every byte the clients sent to it.
class ScriptedSmtp
{
public:
    bool start(const QStringList &behaviours)
    {
        const QList<int> ports = m_server.start(QStringLiteral(MAIL_TEST_SCRIPT_SERVER), behaviours);
        if (ports.size() != behaviours.size())
            return false;
        for (qsizetype i = 0; i < ports.size(); ++i)
            m_ports.insert(behaviours[i], ports[i]);
        return true;
    }

    int port(const QString &behaviour) const { return m_ports.value(behaviour); }

    QByteArray received(const QString &behaviour) const
    {
        QFile f(QDir(m_server.box()).filePath(behaviour + QStringLiteral(".log")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    ServerProcess m_server;
    QHash<QString, int> m_ports;
};

// The names of a received message's headers, in order.
inline QStringList headerNames(const QJsonObject &message)
{
    QStringList names;
    for (const QJsonValue &h : message.value(QStringLiteral("headers")).toArray())
        names.append(h.toArray().at(0).toString());
    return names;
}

inline QString headerValue(const QJsonObject &message, const QString &name)
{
    for (const QJsonValue &h : message.value(QStringLiteral("headers")).toArray())
        if (h.toArray().at(0).toString().compare(name, Qt::CaseInsensitive) == 0)
            return h.toArray().at(1).toString();
    return {};
}

inline const QStringList &expectedHeaderNames()
{
    static const QStringList names{
        QStringLiteral("Date"), QStringLiteral("From"), QStringLiteral("To"),
        QStringLiteral("Subject"), QStringLiteral("Message-ID"), QStringLiteral("MIME-Version"),
        QStringLiteral("Content-Type"), QStringLiteral("Content-Transfer-Encoding")};
    return names;
}

// A start folder holding smail/smail, a copy of the built mailer, so that
// its smail.ini is the test's own.
inline bool layOutMailer(const QString &baseDir)
{
    const QString dir = QDir(baseDir).filePath(QStringLiteral("smail"));
    const QString target = QDir(dir).filePath(QStringLiteral("smail"));
    return QDir().mkpath(dir) && (QFile::exists(target) || QFile::copy(QStringLiteral(MAIL_TEST_SMAIL), target));
}
