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

} // namespace

void startMailer(QObject *owner, const QString &program, const QStringList &arguments, const QByteArray &input,
                 std::function<void(bool delivered)> done)
{
    runBounded(owner, program, arguments, input, mailerLimit, std::move(done));
}

void runBounded(QObject *owner, const QString &program, const QStringList &arguments, const QByteArray &input,
                std::chrono::milliseconds timeLimit, std::function<void(bool succeeded)> done)
{
    auto *process = new QProcess;
    process->setProgram(program);
    process->setArguments(arguments);
    QObject::connect(process, &QProcess::started, process, [process, input] {
        process->write(input);
        process->closeWriteChannel(); // written as the pipe takes it; then the end of the text
    });
    // The program's reason for a failure goes to our own error output.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    // One still running after the limit is stopped, so the result is always
    // heard (the mailer ends by itself within about 30 seconds whatever the
    // server does).
    auto *limit = new QTimer(process);
    limit->setSingleShot(true);
    QObject::connect(limit, &QTimer::timeout, process, &QProcess::kill);
    limit->start(timeLimit);
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::finished, owner, [done](int exitCode, QProcess::ExitStatus status) {
        done(status == QProcess::NormalExit && exitCode == 0);
    });
    QObject::connect(process, &QProcess::errorOccurred, owner, [done, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return; // a crash is reported by finished()
        process->deleteLater();
        done(false);
    });
    process->start();
}

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
    startMailer(ctx.window.widget(), ctx.window.places().mailer, mailerArguments(settings, today), mailText(whole).toUtf8(),
                [ctx](bool delivered) { reportResult(ctx, delivered); });
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
