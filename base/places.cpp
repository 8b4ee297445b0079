#include "base/places.h"

#include "base/profilefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace places {

namespace {

const QString kMarker = QStringLiteral("share/mojipot/installed");

QString appFolder(const UserEnvironment &env)
{
    return configBase(env) + QStringLiteral("/mojipot");
}

// The value of one line 'XDG_DOCUMENTS_DIR="..."', backslash escapes undone.
std::optional<QString> documentsLine(const QString &line)
{
    static const QString key = QStringLiteral("XDG_DOCUMENTS_DIR=\"");
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(key) || !trimmed.endsWith(u'"') || trimmed.size() <= key.size())
        return std::nullopt;
    const QString quoted = trimmed.mid(key.size(), trimmed.size() - key.size() - 1);
    QString value;
    for (qsizetype i = 0; i < quoted.size(); ++i) {
        if (quoted[i] == u'\\' && i + 1 < quoted.size())
            ++i;
        value += quoted[i];
    }
    return value;
}

} // namespace

QString under(const QString &folder, const QString &name)
{
    // The start folder is kept as the system reported it; one separator joins.
    if (folder.endsWith(u'/') || folder.endsWith(QDir::separator()))
        return folder + name;
    return folder + QDir::separator() + name;
}

QString mailerSettingsIn(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("smail.ini"));
}

std::optional<QString> installedPrefix(const QString &programFile)
{
    const QFileInfo file(programFile);
    QDir dir = file.absoluteDir();
    // The program in <prefix>/bin, the mailer in <prefix>/lib/mojipot.
    if (file.fileName() == QStringLiteral("mojipot") && dir.dirName() == QStringLiteral("bin")) {
        dir.cdUp();
    } else if (file.fileName() == QStringLiteral("smail") && dir.dirName() == QStringLiteral("mojipot")
               && dir.cdUp() && dir.dirName() == QStringLiteral("lib")) {
        dir.cdUp();
    } else {
        return std::nullopt;
    }
    if (!QFileInfo(dir.filePath(kMarker)).isFile())
        return std::nullopt;
    return dir.absolutePath();
}

QString configBase(const UserEnvironment &env)
{
    if (QDir::isAbsolutePath(env.configHome))
        return QDir::cleanPath(env.configHome);
    return QDir::cleanPath(env.home + QStringLiteral("/.config"));
}

QString documentsFolder(const UserEnvironment &env)
{
    // The file is a shell fragment: the last assignment counts. Only
    // "$HOME/..." and absolute paths are valid values.
    std::optional<QString> found;
    for (const QString &line : QString::fromUtf8(env.userDirs).split(u'\n')) {
        const auto value = documentsLine(line);
        if (!value)
            continue;
        if (*value == QStringLiteral("$HOME") || value->startsWith(QStringLiteral("$HOME/")))
            found = env.home + value->mid(5);
        else if (value->startsWith(u'/'))
            found = *value;
    }
    return QDir::cleanPath(found.value_or(env.home + QStringLiteral("/Documents")));
}

Places resolve(const std::optional<QString> &prefix, const QString &programFile, const QString &startFolder,
               const UserEnvironment &env)
{
    Places p;
    if (!prefix) {
        p.settingsFile = ProfileFile::pathForProgram(programFile);
        p.diaryFolder = under(startFolder, QStringLiteral("日記"));
        p.readMe = under(startFolder, QStringLiteral("ReadMe日記.txt"));
        p.mailer = QDir(startFolder).filePath(QStringLiteral("smail/smail"));
        p.mailerSettings = mailerSettingsIn(QFileInfo(p.mailer).path());
        return p;
    }
    p.installed = true;
    p.settingsFile = appFolder(env) + QStringLiteral("/mojipot.ini");
    p.diaryFolder = documentsFolder(env) + QStringLiteral("/もじぽっと帳/日記");
    p.readMe = *prefix + QStringLiteral("/share/mojipot/ReadMe日記.txt");
    p.mailer = *prefix + QStringLiteral("/lib/mojipot/smail");
    p.mailerSettings = mailerSettingsIn(appFolder(env));
    return p;
}

QString mailerSettingsFile(const QString &mailerFile, const UserEnvironment &env)
{
    if (installedPrefix(mailerFile))
        return mailerSettingsIn(appFolder(env));
    return mailerSettingsIn(QFileInfo(mailerFile).absolutePath());
}

UserEnvironment userEnvironment()
{
    UserEnvironment env;
    env.home = QDir::homePath();
    env.configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    QFile dirs(configBase(env) + QStringLiteral("/user-dirs.dirs"));
    if (dirs.open(QIODevice::ReadOnly))
        env.userDirs = dirs.read(64 * 1024);
    return env;
}

Places forThisProgram(const QString &startFolder)
{
    const QString program = QCoreApplication::applicationFilePath();
    return resolve(installedPrefix(program), program, startFolder, userEnvironment());
}

void createFolders(const Places &places)
{
    if (!places.installed)
        return; // the portable folder is laid out by whoever unpacked it
    // Diaries are private: the folders made for them (もじぽっと帳 and 日記)
    // are the owner's alone. A folder that is there already keeps what its
    // owner chose, and so does the documents folder itself.
    const QString diaries = QDir::cleanPath(places.diaryFolder);
    const QString ours = QFileInfo(QFileInfo(diaries).path()).path(); // the documents folder
    QDir().mkpath(ours);
    for (const QString &folder : {QFileInfo(diaries).path(), diaries})
        if (!QFileInfo::exists(folder))
            QDir().mkdir(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QDir().mkpath(QFileInfo(places.settingsFile).path());
}

} // namespace places
