#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>

class QObject;

namespace context {
struct Context;
}
namespace input {
class Call;
}

// What the call for help sends beyond the room when it starts: a mail
// through the program's own mailer to the diary mail's recipient, and the
// helper's command run with the call's time. Each result is told through
// the call (said, and shown when it failed); neither ever stops the chime.
namespace mail {

struct Settings;

// Subject "よびだし 26年12月08日 15時40分", the helper's text on the
// mailer's standard input ("-i"), never on its command line.
QStringList callMailArguments(const Settings &settings, const QDateTime &at);
// The only argument the helper's command is given: the call's time,
// "2026-12-08T15:40:12".
QStringList callCommandArguments(const QDateTime &at);

// The call began at `at`: its mail and its command go out as its settings say.
void reachOut(const context::Context &ctx, input::Call &call, const QDateTime &at);

// Runs the helper's program (never through a shell) with the call's time
// alone; done(succeeded) once it ends, fails to start or is stopped at its
// time limit.
void runCallCommand(QObject *owner, const QString &program, const QDateTime &at, std::function<void(bool succeeded)> done);

// How long the helper's command may run (10 s). Tests shorten it; returns
// the limit it replaces.
std::chrono::milliseconds setCommandTimeLimit(std::chrono::milliseconds limit);

} // namespace mail
