// Where the program's files lie, in the portable folder and installed, from
// the program file, the start folder and the user's environment.
#include "base/places.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using places::Places;
using places::UserEnvironment;

Q_DECLARE_METATYPE(std::optional<QString>)

class TestPlaces : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    void touch(const QString &relative)
    {
        const QString path = m_dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot prepare %s", qPrintable(path));
    }

private slots:
    void resolve_data()
    {
        QTest::addColumn<std::optional<QString>>("prefix");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("configHome");
        QTest::addColumn<QByteArray>("userDirs");
        QTest::addColumn<QStringList>("expected"); // settings, diaries, read-me, mailer, mailer settings

        const std::optional<QString> portable;
        const std::optional<QString> usr = QStringLiteral("/usr");
        const QStringList installedDefaults = {"/home/u/.config/mojipot/mojipot.ini",
                                               "/home/u/Documents/もじぽっと帳/日記",
                                               "/usr/share/mojipot/ReadMe日記.txt", "/usr/lib/mojipot/smail",
                                               "/home/u/.config/mojipot/smail.ini"};
        QTest::newRow("portable, started in its folder")
            << portable << "/opt/dist/mojipot" << "/opt/dist" << "/home/u/cfg" << QByteArray()
            << QStringList{"/opt/dist/mojipot.ini", "/opt/dist/日記", "/opt/dist/ReadMe日記.txt",
                           "/opt/dist/smail/smail", "/opt/dist/smail/smail.ini"};
        QTest::newRow("portable, started elsewhere: settings stay beside the program")
            << portable << "/opt/dist/mojipot" << "/home/u/work" << "" << QByteArray()
            << QStringList{"/opt/dist/mojipot.ini", "/home/u/work/日記", "/home/u/work/ReadMe日記.txt",
                           "/home/u/work/smail/smail", "/home/u/work/smail/smail.ini"};
        QTest::newRow("installed, no XDG settings") << usr << "/usr/bin/mojipot" << "/home/u" << ""
                                                   << QByteArray() << installedDefaults;
        QTest::newRow("installed, start folder plays no part")
            << usr << "/usr/bin/mojipot" << "/tmp" << "" << QByteArray() << installedDefaults;
        QTest::newRow("installed, relative XDG_CONFIG_HOME ignored")
            << usr << "/usr/bin/mojipot" << "/home/u" << "cfg" << QByteArray() << installedDefaults;
        QTest::newRow("installed, XDG_CONFIG_HOME")
            << usr << "/usr/bin/mojipot" << "/home/u" << "/home/u/cfg/" << QByteArray()
            << QStringList{"/home/u/cfg/mojipot/mojipot.ini", "/home/u/Documents/もじぽっと帳/日記",
                           "/usr/share/mojipot/ReadMe日記.txt", "/usr/lib/mojipot/smail",
                           "/home/u/cfg/mojipot/smail.ini"};
        QTest::newRow("installed, Japanese documents folder of user-dirs.dirs")
            << usr << "/usr/bin/mojipot" << "/home/u" << ""
            << QByteArray("# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/デスクトップ\"\n"
                          "XDG_DOCUMENTS_DIR=\"$HOME/ドキュメント\"\n")
            << QStringList{"/home/u/.config/mojipot/mojipot.ini", "/home/u/ドキュメント/もじぽっと帳/日記",
                           "/usr/share/mojipot/ReadMe日記.txt", "/usr/lib/mojipot/smail",
                           "/home/u/.config/mojipot/smail.ini"};
        const auto docsOnly = [](const char *documents) {
            return QStringList{"/home/u/.config/mojipot/mojipot.ini", QString::fromUtf8(documents),
                               "/usr/share/mojipot/ReadMe日記.txt", "/usr/lib/mojipot/smail",
                               "/home/u/.config/mojipot/smail.ini"};
        };
        QTest::newRow("installed, absolute documents folder, escaped quote, last line wins")
            << usr << "/usr/bin/mojipot" << "/home/u" << ""
            << QByteArray("XDG_DOCUMENTS_DIR=\"$HOME/first\"\n  XDG_DOCUMENTS_DIR=\"/srv/docs/a\\\"b\"  \n")
            << docsOnly("/srv/docs/a\"b/もじぽっと帳/日記");
        QTest::newRow("installed, documents folder is home")
            << usr << "/usr/bin/mojipot" << "/home/u" << "" << QByteArray("XDG_DOCUMENTS_DIR=\"$HOME/\"\n")
            << docsOnly("/home/u/もじぽっと帳/日記");
        QTest::newRow("installed, invalid and commented lines ignored")
            << usr << "/usr/bin/mojipot" << "/home/u" << ""
            << QByteArray("#XDG_DOCUMENTS_DIR=\"$HOME/no\"\nXDG_DOCUMENTS_DIR=\"docs\"\nXDG_DOCUMENTS_DIR=$HOME/x\n"
                          "XDG_DOCUMENTS_DIR=\"\"\nXDG_DOCUMENTS_DIRS=\"$HOME/no\"\n")
            << docsOnly("/home/u/Documents/もじぽっと帳/日記");
        QTest::newRow("installed under /usr/local")
            << std::optional<QString>(QStringLiteral("/usr/local")) << "/usr/local/bin/mojipot" << "/" << ""
            << QByteArray()
            << QStringList{"/home/u/.config/mojipot/mojipot.ini", "/home/u/Documents/もじぽっと帳/日記",
                           "/usr/local/share/mojipot/ReadMe日記.txt", "/usr/local/lib/mojipot/smail",
                           "/home/u/.config/mojipot/smail.ini"};
    }
    void resolve()
    {
        QFETCH(std::optional<QString>, prefix);
        QFETCH(QString, program);
        QFETCH(QString, start);
        QFETCH(QString, configHome);
        QFETCH(QByteArray, userDirs);
        QFETCH(QStringList, expected);
        const Places p = places::resolve(prefix, program, start, UserEnvironment{"/home/u", configHome, userDirs});
        QCOMPARE(p.installed, prefix.has_value());
        QCOMPARE((QStringList{p.settingsFile, p.diaryFolder, p.readMe, p.mailer, p.mailerSettings}), expected);
    }

    // The rule on a real folder tree: the marker in the prefix, the program
    // in bin/ or the mailer in lib/mojipot/.
    void installedPrefix_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("prefix"); // relative to the tree; "-" for none
        const QString marker = QStringLiteral("usr/share/mojipot/installed");
        QTest::newRow("program in bin with marker") << QStringList{marker} << "usr/bin/mojipot" << "usr";
        QTest::newRow("mailer in lib/mojipot with marker") << QStringList{marker} << "usr/lib/mojipot/smail" << "usr";
        QTest::newRow("program in bin, no marker") << QStringList{} << "usr/bin/mojipot" << "-";
        QTest::newRow("marker is a folder") << QStringList{marker + "/x"} << "usr/bin/mojipot" << "-";
        QTest::newRow("portable folder beside a prefix") << QStringList{marker} << "usr/dist/mojipot" << "-";
        QTest::newRow("portable mailer") << QStringList{marker} << "usr/dist/smail/smail" << "-";
        QTest::newRow("mailer in bin") << QStringList{marker} << "usr/bin/smail" << "-";
        QTest::newRow("program of another name in bin") << QStringList{marker} << "usr/bin/mojipot2" << "-";
        QTest::newRow("mailer in another lib folder") << QStringList{marker} << "usr/libexec/mojipot/smail" << "-";
    }
    void installedPrefix()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, program);
        QFETCH(QString, prefix);
        QVERIFY(QDir(m_dir.path()).removeRecursively() && QDir().mkpath(m_dir.path()));
        for (const QString &f : files)
            touch(f);
        touch(program);
        const auto found = places::installedPrefix(m_dir.filePath(program));
        QCOMPARE(found.value_or(QStringLiteral("-")), prefix == u'-' ? prefix : m_dir.filePath(prefix));
        // The mailer finds its settings by the same rule.
        const UserEnvironment env{"/home/u", "", {}};
        QCOMPARE(places::mailerSettingsFile(m_dir.filePath(program), env),
                 found ? QStringLiteral("/home/u/.config/mojipot/smail.ini")
                       : QFileInfo(m_dir.filePath(program)).path() + QStringLiteral("/smail.ini"));
    }

    void foldersMadeOnlyWhenInstalled_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("diariesThere"); // the diary folder was there before, open to all
        QTest::newRow("installed: the diary folders made owner-only") << true << false;
        QTest::newRow("installed: a diary folder already there keeps its permissions") << true << true;
        QTest::newRow("portable") << false << false;
    }
    void foldersMadeOnlyWhenInstalled()
    {
        QFETCH(bool, installed);
        QFETCH(bool, diariesThere);
        QTemporaryDir home;
        const auto prefix = installed ? std::optional<QString>(QStringLiteral("/usr")) : std::nullopt;
        const Places p = places::resolve(prefix, home.filePath("dist/mojipot"), home.filePath("dist"),
                                         UserEnvironment{home.path(), "", {}});
        const auto open = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                          | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
        if (diariesThere)
            QVERIFY(QDir().mkpath(p.diaryFolder) && QFile::setPermissions(p.diaryFolder, open));
        places::createFolders(p);
        QCOMPARE(QFileInfo(p.diaryFolder).isDir(), installed);
        QCOMPARE(QFileInfo(QFileInfo(p.settingsFile).path()).isDir(), installed);
        if (!installed)
            return;
        const auto others = QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
        QCOMPARE(bool(QFileInfo(p.diaryFolder).permissions() & others), diariesThere);
        if (!diariesThere) // もじぽっと帳 as well
            QCOMPARE(QFileInfo(QFileInfo(p.diaryFolder).path()).permissions() & others, QFileDevice::Permissions());
        QVERIFY(QFileInfo(p.diaryFolder).permissions() & QFileDevice::WriteOwner);
    }
};

QTEST_GUILESS_MAIN(TestPlaces)
#include "tst_places.moc"
