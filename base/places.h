#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

// Where the program finds and keeps its files. There are two layouts.
//
// The portable folder (dist/, as unpacked): the settings file beside the
// program file; the diary folder, the read-me and the mailer under the start
// folder; the mailer's settings beside the mailer.
//
// Installed: the program file is <prefix>/bin/mojipot, the mailer
// <prefix>/lib/mojipot/smail, and the marker file <prefix>/share/mojipot/installed
// exists (the package installs it; nothing else does). Then the settings and
// the mailer's settings live in the user's configuration folder, the diaries
// in "もじぽっと帳/日記" in the user's documents folder, and the read-me and
// the mailer are taken from the prefix. The start folder plays no part.
namespace places {

// A name in a folder, joined by one separator.
QString under(const QString &folder, const QString &name);
// The mailer's own settings file in a folder.
QString mailerSettingsIn(const QString &folder);

// What the user's environment says.
struct UserEnvironment
{
    QString home;       // the home folder
    QString configHome; // XDG_CONFIG_HOME as set; empty or relative means unset
    QByteArray userDirs; // the content of <configuration base>/user-dirs.dirs, empty when missing
};

struct Places
{
    bool installed = false;
    QString settingsFile;
    QString diaryFolder;
    QString readMe;
    QString mailer;
    QString mailerSettings;
    bool operator==(const Places &) const = default;
};

// The install prefix when the program file (the program's or the mailer's)
// lies in the installed layout and the marker is there; nothing otherwise.
std::optional<QString> installedPrefix(const QString &programFile);

// XDG_CONFIG_HOME when it is an absolute path, else <home>/.config.
QString configBase(const UserEnvironment &env);
// The documents folder named by XDG_DOCUMENTS_DIR in user-dirs.dirs
// ("$HOME/..." or an absolute path), else <home>/Documents.
QString documentsFolder(const UserEnvironment &env);

// Where everything lies for the main program.
Places resolve(const std::optional<QString> &prefix, const QString &programFile, const QString &startFolder,
               const UserEnvironment &env);
// The mailer's own settings file, as the mailer program finds it.
QString mailerSettingsFile(const QString &mailerFile, const UserEnvironment &env);

// This process's environment: HOME, XDG_CONFIG_HOME and the user-dirs file.
UserEnvironment userEnvironment();
// resolve() for the running program file.
Places forThisProgram(const QString &startFolder);
// In the installed layout, the diary folder and the settings folder are
// made when missing (a failure shows later, when a file is written there);
// the diary folder and the one above it, when made here, are owner-only.
void createFolders(const Places &places);

} // namespace places
