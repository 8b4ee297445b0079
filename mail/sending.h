#pragma once
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

class QObject;

namespace context {
struct Context;
}

// Sending the diary: the mail settings, the text of the display and the date
// are handed to the mailer program, which runs on its own while the window
// goes on; its end is reported by voice.
namespace mail {

// The spoken results, all in the decision voice.
inline QString settingsMissingMessage() { return QStringLiteral("メールのせっていができていないので、めーるがおくれません。"); }
inline QString noTextMessage() { return QStringLiteral("にっきをかいてから、おくってね。"); }
inline QString sentMessage() { return QStringLiteral("メールをおくったよ！"); }
inline QString notSentMessage() { return QStringLiteral("メールがおくれませんでした。"); }

// Starts the mailer with one argument per value, never through a shell, and
// returns at once; `input` goes to its standard input once it runs. The
// process has no parent: closing the window must not kill a mail on its
// way. done(delivered) follows on `owner`'s thread when it ends, fails to
// start or is stopped at the time limit.
void startMailer(QObject *owner, const QString &program, const QStringList &arguments, const QByteArray &input,
                 std::function<void(bool delivered)> done);

// The same for any program the program runs and waits for (the call's
// command): stopped once it has run `timeLimit`, which counts as a failure.
void runBounded(QObject *owner, const QString &program, const QStringList &arguments, const QByteArray &input,
                std::chrono::milliseconds timeLimit, std::function<void(bool succeeded)> done);

// The send operation of the "めーる" key and the menu item.
void sendDiary(const context::Context &ctx);

// How long a send waits for the mailer before stopping it and reporting the
// mail as not sent (45 s; the mailer itself gives up within about 30 s).
// Tests shorten it; returns the limit it replaces.
std::chrono::milliseconds setMailerTimeLimit(std::chrono::milliseconds limit);

// Starts the mailer program without arguments (its own settings window) and
// does not wait for it. False when it could not be started.
bool startMailerAlone(const QString &mailer);

} // namespace mail
