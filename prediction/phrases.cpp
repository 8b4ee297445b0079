#include "prediction/phrases.h"

#include "base/plaintext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>

namespace prediction {

PhraseList defaultPhrases()
{
    // Headings start with "#", as in the file.
    static const char *const lines[] = {
        "#あいさつ",
        "おはようございます。", "こんにちは。", "こんばんは。", "おやすみなさい。",
        "ありがとうございます。", "ごめんなさい。",
        "#へんじ",
        "はい。", "いいえ。", "わかりました。", "もういちどいってください。",
        "#おねがい",
        "みずをください。", "トイレにいきたいです。", "たすけてください。", "ちょっとまってください。",
        "だれかよんでください。",
        "#からだ",
        "いたいです。", "くるしいです。", "さむいです。", "あついです。", "つかれました。",
    };
    PhraseList out;
    for (const char *line : lines) {
        const QString text = QString::fromUtf8(line);
        out.append(text.startsWith(u'#') ? PhraseLine{text.mid(1), true} : PhraseLine{text, false});
    }
    return out;
}

QString phraseFile(const QString &settingsFile)
{
    return QFileInfo(settingsFile).dir().filePath(QStringLiteral("定型文.txt"));
}

PhraseFile phrasesFromBytes(const QByteArray &bytes)
{
    PhraseFile out;
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(view);
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        // A bad byte shows as the replacement mark, which isPlain refuses.
        if (!plaintext::isPlain(line)) {
            out.status = PhraseFile::BadBytes;
            out.badLine = i + 1;
            out.reason = QStringLiteral("%1行目に　読めない文字が　あります").arg(i + 1);
            out.lines = defaultPhrases();
            return out;
        }
        line = line.trimmed();
        if (line.startsWith(u'#')) {
            const QString heading = line.mid(1).trimmed();
            if (!heading.isEmpty())
                out.lines.append({heading, true});
        } else if (!line.isEmpty()) {
            out.lines.append({line, false});
        }
    }
    out.status = PhraseFile::Read;
    return out;
}

PhraseFile readPhraseFile(const QString &path)
{
    PhraseFile out;
    out.lines = defaultPhrases();
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return out;
    out.status = PhraseFile::Unreadable;
    if (!info.isFile()) {
        out.reason = QStringLiteral("ふつうの　ファイルでは　ありません");
        return out;
    }
    if (info.size() > kMaxPhraseFileBytes) {
        out.status = PhraseFile::TooLarge;
        out.reason = QStringLiteral("1 MiB より　大きい　ファイルです");
        return out;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out.reason = QStringLiteral("ひらけません");
        return out;
    }
    const QByteArray bytes = file.read(kMaxPhraseFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        out.reason = QStringLiteral("読めません");
        return out;
    }
    if (bytes.size() > kMaxPhraseFileBytes) { // it grew meanwhile
        out.status = PhraseFile::TooLarge;
        out.reason = QStringLiteral("1 MiB より　大きい　ファイルです");
        return out;
    }
    return phrasesFromBytes(bytes);
}

QByteArray phraseBytes(const PhraseList &lines)
{
    QByteArray out;
    for (const PhraseLine &line : lines)
        out += (line.heading ? QStringLiteral("# ") + line.text : line.text).toUtf8() + '\n';
    return out;
}

QStringList phrasesOf(const PhraseList &lines)
{
    QStringList out;
    for (const PhraseLine &line : lines)
        if (!line.heading)
            out << line.text;
    return out;
}

PhrasePage phrasePage(const QStringList &phrases, int page, int places)
{
    PhrasePage out;
    if (places <= 0 || phrases.isEmpty())
        return out;
    if (phrases.size() <= places) {
        out.phrases = phrases;
        return out;
    }
    const int perPage = std::max(1, places - 1);
    out.next = true;
    out.pages = int((phrases.size() + perPage - 1) / perPage);
    out.page = ((page % out.pages) + out.pages) % out.pages;
    out.phrases = phrases.mid(qsizetype(out.page) * perPage, perPage);
    return out;
}

} // namespace prediction
