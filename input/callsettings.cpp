#include "input/callsettings.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <climits>

namespace input {

CallSettings CallSettings::read(const ProfileFile &ini, QStringList *problems)
{
    CallSettings s;
    const auto problem = [problems](const QString &name) {
        if (problems)
            problems->append(name);
    };
    if (!ini.hasSection(schema::kCall))
        return s; // a file from before the call: off
    s.used = true;
    const QString holdText = ini.text(schema::kCallHold);
    if (holdText.isEmpty()) {
        s.hold = kHold.standard;
    } else if (const auto v = ProfileFile::parseIntegerIn(holdText, {INT_MIN, INT_MAX, 0}); !v) {
        s.hold = kHold.standard;
        problem(schema::kCallHold.name);
    } else if (*v == 0) {
        s.hold = 0;
    } else {
        s.hold = kHold.clamp(*v);
        if (s.hold != *v)
            problem(schema::kCallHold.name);
    }
    const QString mailText = ini.text(schema::kCallMail);
    if (const auto on = ProfileFile::parseBool(mailText))
        s.mail = *on;
    else if (!mailText.isEmpty())
        problem(schema::kCallMail.name);
    s.text = ini.read(schema::kCallText);
    if (s.text.trimmed().isEmpty())
        s.text = defaultText();
    s.command = ini.read(schema::kCallCommand).trimmed();
    if (!s.command.isEmpty() && callProgram(s.command).isEmpty()) {
        s.command.clear();
        problem(schema::kCallCommand.name);
    }
    return s;
}

void CallSettings::write(const ProfileFile &ini) const
{
    ini.write(schema::kCallHold, hold);
    ini.write(schema::kCallMail, mail);
    ini.write(schema::kCallText, text);
    ini.write(schema::kCallCommand, command);
}

void CallSettings::recordForNewUser(const ProfileFile &ini)
{
    ini.write(schema::kCallHold, kHold.standard);
}

QString callProgram(const QString &command)
{
    // Never a shell: the value is one program, its path or its bare name.
    QString path = command;
    if (!command.contains(u'/'))
        path = QStandardPaths::findExecutable(command);
    else if (!QFileInfo(command).isAbsolute())
        return {};
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
}

QString callProblemMessage(const QStringList &problems)
{
    return QStringLiteral("よびだしの設定の「%1」が　つかえなかったので、それなしで　よびだします")
        .arg(problems.join(QStringLiteral("」「")));
}

QString callProblemSpoken(const QStringList &problems)
{
    Q_UNUSED(problems);
    return QStringLiteral("よびだしの　せっていに　つかえない　ものが　あったので、それなしで　よびだします");
}

} // namespace input
