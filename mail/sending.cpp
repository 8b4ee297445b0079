#include "mail/sending.h"

#include "base/context.h"
#include "base/textdisplay.h"
#include "base/textmodel.h"
#include "mail/mailsettings.h"
#include "speech/voices.h"

#include <QProcess>
#include <QTimer>

#include <utility>

namespace mail {

namespace {

std::chrono::milliseconds mailerLimit{45000};

void reportResult(const context::Context &ctx, bool delivered)
{
    ctx.window.guarded([&] {
        ctx.speech.say(delivered ? sentMessage() : notSentMessage(), speech::Role::Decision);
        if (!delivered)
            ctx.window.notice(notSentMessage());
    });
}

// Starts the mailer with one argument per value, never through a shell, and
// returns at once; the text goes to its standard input once it runs. The
// process object has no parent: closing the window must not kill a mail on
// its way; it deletes itself when the mailer ends.
void startMailer(const context::Context &ctx, const QString &program, const QStringList &arguments, const QByteArray &input)
{
    auto *process = new QProcess;
    process->setProgram(program);
    process->setArguments(arguments);
    QObject::connect(process, &QProcess::started, process, [process, input] {
        process->write(input);
        process->closeWriteChannel(); // written as the pipe takes it; then the end of the text
    });
    // The mailer's reason for a failure goes to our own error output.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    // The mailer ends by itself within about 30 seconds whatever the server
    // does; one still running after the limit is stopped, so the result is
    // always heard.
    auto *limit = new QTimer(process);
    limit->setSingleShot(true);
    QObject::connect(limit, &QTimer::timeout, process, &QProcess::kill);
    limit->start(mailerLimit);
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::finished, ctx.window.widget(), [ctx](int exitCode, QProcess::ExitStatus status) {
        reportResult(ctx, status == QProcess::NormalExit && exitCode == 0);
    });
    QObject::connect(process, &QProcess::errorOccurred, ctx.window.widget(), [ctx, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return; // a crash is reported by finished()
        process->deleteLater();
        reportResult(ctx, false);
    });
    process->start();
}

} // namespace

void sendDiary(const context::Context &ctx)
{
    ctx.speech.use(speech::Role::Decision);
    const Settings settings = readSettings(ctx.window.settings());
    if (!settings.complete()) {
        ctx.speech.say(settingsMissingMessage(), speech::Role::Decision);
        return;
    }
    const QDate today = QDate::currentDate();
    const QString whole = textmodel::wholeText(&ctx.text.display());
    if (whole.isEmpty()) {
        ctx.speech.say(noTextMessage(), speech::Role::Decision);
        ctx.window.notice(noTextMessage());
        return;
    }
    startMailer(ctx, ctx.window.places().mailer, mailerArguments(settings, today), mailText(whole).toUtf8());
}

std::chrono::milliseconds setMailerTimeLimit(std::chrono::milliseconds limit)
{
    return std::exchange(mailerLimit, limit);
}

bool startMailerAlone(const QString &mailer)
{
    return QProcess::startDetached(mailer, {});
}

} // namespace mail
