#include "mail/callsend.h"

#include "base/context.h"
#include "input/call.h"
#include "mail/mailsettings.h"
#include "mail/sending.h"

#include <utility>

namespace mail {

namespace {

std::chrono::milliseconds commandLimit{10000};

void sendMail(const context::Context &ctx, input::Call &call, const QDateTime &at)
{
    const Settings settings = readSettings(ctx.window.settings());
    if (!settings.complete()) {
        call.tell(QStringLiteral("メールのせっていが　できていないので、よびだしの　メールは　おくれません"),
                  QStringLiteral("メールの設定ができていないので、よびだしのメールはおくれません"), true);
        return;
    }
    startMailer(ctx.window.widget(), ctx.window.places().mailer, callMailArguments(settings, at),
                mailText(call.settings().text + u'\n').toUtf8(), [&call](bool delivered) {
                    if (delivered)
                        call.tell(QStringLiteral("よびだしの　メールを　おくりました"),
                                  QStringLiteral("よびだしのメールをおくりました"), false);
                    else
                        call.tell(QStringLiteral("よびだしの　メールが　おくれませんでした"),
                                  QStringLiteral("よびだしのメールがおくれませんでした"), true);
                });
}

void runCommand(const context::Context &ctx, input::Call &call, const QString &program, const QDateTime &at)
{
    runCallCommand(ctx.window.widget(), program, at, [&call](bool succeeded) {
        if (!succeeded)
            call.tell(QStringLiteral("よびだしの　コマンドが　うまく　いきませんでした"),
                      QStringLiteral("よびだしのコマンドがうまくいきませんでした"), true);
    });
}

} // namespace

QStringList callMailArguments(const Settings &settings, const QDateTime &at)
{
    const QString time = QString::asprintf("%02d時%02d分", at.time().hour(), at.time().minute());
    return {
        QStringLiteral("-h") + settings.server,
        QStringLiteral("-sよびだし ") + subjectDate(at.date()) + u' ' + time,
        settings.recipient,
        QStringLiteral("-f") + settings.sender,
        QStringLiteral("-i"),
        QStringLiteral("-m"),
    };
}

QStringList callCommandArguments(const QDateTime &at)
{
    return {at.toString(Qt::ISODate)};
}

void reachOut(const context::Context &ctx, input::Call &call, const QDateTime &at)
{
    const input::CallSettings &s = call.settings();
    if (s.mail)
        sendMail(ctx, call, at);
    if (const QString program = input::callProgram(s.command); !program.isEmpty())
        runCommand(ctx, call, program, at);
    else if (!s.command.isEmpty())
        call.tell(QStringLiteral("よびだしの　コマンドが　みつかりません"), QStringLiteral("よびだしのコマンドが見つかりません"), true);
}

void runCallCommand(QObject *owner, const QString &program, const QDateTime &at, std::function<void(bool succeeded)> done)
{
    runBounded(owner, program, callCommandArguments(at), {}, commandLimit, std::move(done));
}

std::chrono::milliseconds setCommandTimeLimit(std::chrono::milliseconds limit)
{
    return std::exchange(commandLimit, limit);
}

} // namespace mail
