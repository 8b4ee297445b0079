#include "speech/voicecatalog.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

namespace voicecatalog {

OpenJTalkInstall findOpenJTalk(const QString &programDir)
{
    OpenJTalkInstall install;
    install.program = QStandardPaths::findExecutable(QStringLiteral("open_jtalk"));
    const QString dictionary = QStringLiteral("/var/lib/mecab/dic/open-jtalk/naist-jdic");
    if (QFileInfo::exists(dictionary + QStringLiteral("/sys.dic")))
        install.dictionary = dictionary;
    install.voiceDirs = {QStringLiteral("/usr/share/hts-voice"), programDir + QStringLiteral("/voices")};
    return install;
}

QStringList findVoiceFiles(const QStringList &dirs)
{
    QStringList files;
    for (const QString &dir : dirs) {
        QDirIterator it(dir, {QStringLiteral("*.htsvoice")}, QDir::Files | QDir::Readable,
                        QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (it.hasNext())
            files.append(QFileInfo(it.next()).absoluteFilePath());
    }
    files.removeDuplicates();
    std::sort(files.begin(), files.end(), [](const QString &a, const QString &b) {
        const QString fa = QFileInfo(a).fileName();
        const QString fb = QFileInfo(b).fileName();
        return fa != fb ? fa < fb : a < b;
    });
    return files;
}

QList<Voice> openJTalkVoices(const OpenJTalkInstall &install)
{
    QList<Voice> voices;
    if (install.program.isEmpty() || install.dictionary.isEmpty())
        return voices;
    for (const QString &file : findVoiceFiles(install.voiceDirs)) {
        const QFileInfo info(file);
        const QString stamp = QStringLiteral("%1|%2|%3").arg(file).arg(info.size()).arg(
            info.lastModified().toMSecsSinceEpoch());
        for (const bool raised : {false, true}) {
            Voice v;
            v.engine = Engine::OpenJTalk;
            v.voiceFile = file;
            v.raised = raised;
            v.id = QStringLiteral("openjtalk|%1|%2").arg(stamp, raised ? u"raised" : u"natural");
            v.name = QStringLiteral("Open JTalk\u3000%1（%2）")
                         .arg(info.completeBaseName(), raised ? QStringLiteral("高い声") : QStringLiteral("ふつうの声"));
            voices.append(v);
        }
    }
    return voices;
}

QList<Voice> espeakVoices()
{
    const auto voice = [](const char *name, const QString &shown, int language) {
        Voice v;
        v.engine = Engine::ESpeak;
        v.espeakName = name;
        v.id = QStringLiteral("espeak|") + QString::fromLatin1(name);
        v.name = QStringLiteral("eSpeak NG\u3000") + shown;
        v.language = language;
        return v;
    };
    return {voice("ja+m3", QStringLiteral("日本語（男性）"), kJapanese),
            voice("ja+f3", QStringLiteral("日本語（女性）"), kJapanese),
            voice("en", QStringLiteral("英語"), kEnglish)};
}

Synthesis synthesisFor(const Voice &voice, int speed)
{
    Synthesis s;
    s.speed = speed / 100.0;
    // Six half-tones up and a smaller all-pass constant, which moves the
    // formants up as well: a voice told apart from the natural one at once.
    if (voice.raised) {
        s.halfTones = 6;
        s.alpha = 0.5;
    }
    return s;
}

QStringList openJTalkArguments(const OpenJTalkInstall &install, const Voice &voice, int speed,
                               const QString &traceFile)
{
    QStringList args = {QStringLiteral("-x"), install.dictionary, QStringLiteral("-m"), voice.voiceFile,
                        QStringLiteral("-ow"), QStringLiteral("/dev/stdout"), QStringLiteral("-ot"), traceFile};
    const Synthesis s = synthesisFor(voice, speed);
    if (speed != 100)
        args << QStringLiteral("-r") << QString::number(s.speed, 'f', 2);
    if (s.halfTones != 0)
        args << QStringLiteral("-fm") << QString::number(s.halfTones);
    if (s.alpha >= 0)
        args << QStringLiteral("-a") << QString::number(s.alpha, 'f', 2);
    return args;
}

QByteArray openJTalkInput(const QString &text)
{
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("、"));
    line.replace(u'\r', u'、');
    line.replace(u'\n', u'、');
    return line.toUtf8() + '\n';
}

} // namespace voicecatalog
