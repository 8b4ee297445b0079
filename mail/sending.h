#pragma once
#include <QString>
#include <QStringList>

#include <chrono>

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
