#include "mail/sending.h"

#include "app/mainform.h"
#include "app/messageboxes.h"
#include "app/textdisplay.h"
#include "app/textmodel.h"
#include "mail/mailsettings.h"
#include "speech/directss.h"

#include <QProcess>
#include <QTimer>

#include <utility>

namespace mail {

namespace {

std::chrono::milliseconds mailerLimit{45000};

void reportResult(TMain_form &form, bool delivered)
{
    form.guarded([&] {
        if (delivered) {
            form.speakMessage(sentMessage());
        } else {
            form.speakMessage(notSentMessage());
            boxes::notice(&form, notSentMessage());
        }
    });
}

// Starts the mailer with one argument per value, never through a shell, and
// returns at once; the text goes to its standard input once it runs. The
// process object has no parent: closing the window must not kill a mail on
// its way; it deletes itself when the mailer ends.
void startMailer(TMain_form &form, const QString &program, const QStringList &arguments, const QByteArray &input)
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
    QObject::connect(process, &QProcess::finished, &form, [&form](int exitCode, QProcess::ExitStatus status) {
        reportResult(form, status == QProcess::NormalExit && exitCode == 0);
    });
    QObject::connect(process, &QProcess::errorOccurred, &form, [&form, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return; // a crash is reported by finished()
        process->deleteLater();
        reportResult(form, false);
    });
    process->start();
}

} // namespace

void sendDiary(TMain_form &form)
{
    form.DirectSS1->setCurrentMode(form.state.Decision_voice);
    form.DirectSS1->setSpeed(100);

    const Settings settings = readSettings(form.settings());
    if (!settings.complete()) {
        form.speakMessage(settingsMissingMessage());
        return;
    }
    const QDate today = QDate::currentDate();
    const QString whole = textmodel::wholeText(form.Hyouji_edit);
    if (whole.isEmpty()) {
        form.speakMessage(noTextMessage());
        boxes::notice(&form, noTextMessage());
        return;
    }
    startMailer(form, form.places().mailer, mailerArguments(settings, today), mailText(whole).toUtf8());
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
