// Functions of a suite that need an ordinary user (Mozc's server refuses to
// run as the administrator): run as the administrator, as in CI, the suite
// runs them again as an ordinary user created for the run, from a copy of
// the test program and its data that the user can read, and reports that
// run's result. The user, its home and the copy are removed afterwards; a
// process of the user still running then is reported as a fault.
#pragma once
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <pwd.h>
#include <unistd.h>

namespace asuser {

inline bool isAdministrator() { return geteuid() == 0; }

struct Run
{
    QString skipped; // why it could not run as a user
    int exitCode = -1;
    QString output;
    QStringList leftRunning; // the user's processes still running at the end
};

inline QProcess::ExitStatus runTool(const QStringList &argv, QString *output = nullptr, int ms = 30000)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(argv.value(0), argv.mid(1));
    if (!p.waitForFinished(ms)) {
        p.kill();
        p.waitForFinished(1000);
    }
    if (output)
        *output = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 ? QProcess::NormalExit : QProcess::CrashExit;
}

// Runs `functions` of this test program as a new ordinary user.
inline Run runFunctions(const QStringList &functions, int limitMs = 600000)
{
    Run run;
    QTemporaryDir copy(QDir::tempPath() + QStringLiteral("/mojipot-asuser-XXXXXX"));
    QFile::setPermissions(copy.path(), QFileDevice::Permissions(0x7755));
    const QString program = copy.filePath(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    const QString data = copy.filePath(QStringLiteral("source/tests/data"));
    QDir().mkpath(data);
    QFile::copy(QCoreApplication::applicationFilePath(), program);
    const QString sourceData = qEnvironmentVariable("MOJIPOT_SOURCE_DIR") + QStringLiteral("/tests/data");
    for (const QString &f : QDir(sourceData).entryList(QDir::Files))
        QFile::copy(sourceData + u'/' + f, data + u'/' + f);
    QStringList env{QStringLiteral("LANG=C.UTF-8"), QStringLiteral("PATH=/usr/local/bin:/usr/bin:/bin"),
                    QStringLiteral("QT_QPA_PLATFORM=offscreen"), QStringLiteral("MOJIPOT_SOURCE_DIR=") + copy.filePath("source")};
    for (const char *name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        QString value = qEnvironmentVariable(name);
        // A suppressions file the user could not read: a readable copy.
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("suppressions=([^:]+)")).match(value);
        if (m.hasMatch() && QFile::copy(m.captured(1), copy.filePath(QString::fromLatin1(name))))
            value.replace(m.captured(1), copy.filePath(QString::fromLatin1(name)));
        if (!value.isEmpty())
            env << QString::fromLatin1(name) + u'=' + value;
    }

    const QString user = QStringLiteral("mjp-t%1").arg(QCoreApplication::applicationPid());
    QString said;
    if (runTool({QStringLiteral("useradd"), QStringLiteral("--create-home"), QStringLiteral("--user-group"),
                 QStringLiteral("--shell"), QStringLiteral("/bin/sh"), user},
                &said) != QProcess::NormalExit) {
        run.skipped = QStringLiteral("no ordinary user could be created: ") + said.trimmed();
        return run;
    }
    const passwd *entry = getpwnam(user.toUtf8().constData());
    env << QStringLiteral("HOME=") + QString::fromUtf8(entry ? entry->pw_dir : "/nonexistent") << QStringLiteral("USER=") + user << QStringLiteral("LOGNAME=") + user;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("runuser"),
            QStringList{QStringLiteral("-u"), user, QStringLiteral("--"), QStringLiteral("env"), QStringLiteral("-i")}
                + env + QStringList{program} + functions);
    if (!p.waitForFinished(limitMs)) {
        p.kill();
        p.waitForFinished(1000);
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.output = QString::fromUtf8(p.readAll());

    // Processes that ended but wait for their parent (the system's first
    // process here) to take their exit status do not count.
    QString pids;
    runTool({QStringLiteral("ps"), QStringLiteral("-u"), user, QStringLiteral("-o"), QStringLiteral("pid=,stat=,comm=")},
            &pids);
    for (const QString &line : pids.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList cols = line.simplified().split(u' ');
        if (cols.value(1).startsWith(u'Z'))
            continue;
        run.leftRunning << line.simplified();
        ::kill(pid_t(cols.value(0).toInt()), SIGKILL);
    }
    runTool({QStringLiteral("userdel"), QStringLiteral("--force"), QStringLiteral("--remove"), user});
    return run;
}

// The result of the running test function (and data row) in the run of
// `functions` as a user, which is made once for the whole suite.
inline void report(const QStringList &functions)
{
    static const Run run = [&] {
        Run r = runFunctions(functions);
        qInfo().noquote() << "As an ordinary user:\n" + r.output;
        return r;
    }();
    if (!run.skipped.isEmpty())
        QSKIP(qPrintable(run.skipped));
    QVERIFY2(run.leftRunning.isEmpty(), qPrintable(QStringLiteral("left running: ") + run.leftRunning.join(u", ")));
    const QString name = QStringLiteral("::%1(%2)").arg(QString::fromLatin1(QTest::currentTestFunction()),
                                                         QString::fromUtf8(QTest::currentDataTag()));
    for (const QString &line : run.output.split(u'\n')) {
        if (!line.contains(name) || !QRegularExpression(QStringLiteral("^(PASS|SKIP|FAIL!|XPASS) *: ")).match(line).hasMatch())
            continue;
        if (line.startsWith(QStringLiteral("PASS")))
            return;
        if (line.startsWith(QStringLiteral("SKIP")))
            QSKIP(qPrintable(line.section(u')', 1).trimmed()));
        QFAIL(qPrintable(line));
    }
    QFAIL(qPrintable(QStringLiteral("no result for %1 (exit code %2)").arg(name).arg(run.exitCode)));
}

} // namespace asuser

// In a test function that needs an ordinary user: run as the administrator,
// it takes the result of the same function in the run as a user.
#define MOJIPOT_AS_ORDINARY_USER(...)                                                                                 \
    if (asuser::isAdministrator())                                                                                    \
        return asuser::report(QStringList{__VA_ARGS__});
