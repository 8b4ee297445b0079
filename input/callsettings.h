#pragma once
#include "base/profilefile.h"

#include <QString>
#include <QStringList>

// The call for help as the settings file keeps it (section "よびだし"): how
// long a switch is held to start it, whether it also sends a mail and with
// what text, and a program the helper names to be run with the call's time.
// A file without the section (one written before the call existed) has the
// call off; a new user's file is given the section with a 3 s hold at the
// first start, so that it stays.
namespace input {

struct CallSettings
{
    static constexpr ProfileFile::Range kHold{1000, 10000, 3000};

    bool used = false;  // the file has the section: the scan offers "やすむ" and "よぶ"
    int hold = 0;       // ms a switch is held to start the call; 0: no call by holding
    bool mail = false;  // the call also sends a mail to the diary mail's recipient
    QString text = defaultText();
    QString command;    // a program's path; empty: none

    static QString defaultText() { return QStringLiteral("たすけてください"); }
    bool on() const { return hold > 0; }

    // The values as the file has them. A hold that is not a number or lies
    // outside 1000–10000 (0 is off), an on/off value that is no number, or a
    // command that is not an executable file leave the call working with the
    // chime alone (the hold brought into its range, or 3000; no mail; no
    // command); each such value's name is added to *problems.
    static CallSettings read(const ProfileFile &ini, QStringList *problems = nullptr);
    // Writes every value; a refused write throws AppError.
    void write(const ProfileFile &ini) const;
    // A new user's file (no settings yet): the call on with a 3 s hold.
    static void recordForNewUser(const ProfileFile &ini);
    bool operator==(const CallSettings &) const = default;
};

// The command's program if it names an executable file: an absolute path, or
// a bare name found on the search path; empty otherwise.
QString callProgram(const QString &command);

// What is said and shown when values of the file could not be used.
QString callProblemMessage(const QStringList &problems);
QString callProblemSpoken(const QStringList &problems);

namespace schema {
inline const QString kCall = QStringLiteral("よびだし");
// 0 off, else 1000–10000 ms; a file without the section: off.
inline const settings::IntKey kCallHold{kCall, QStringLiteral("長さ"), CallSettings::kHold.standard};
inline const settings::BoolKey kCallMail{kCall, QStringLiteral("メール"), false};
inline const settings::TextKey kCallText{kCall, QStringLiteral("本文"), CallSettings::defaultText()};
inline const settings::TextKey kCallCommand{kCall, QStringLiteral("コマンド"), QString()};
} // namespace schema

} // namespace input
