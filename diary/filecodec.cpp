#include "diary/filecodec.h"

#include "app/apperror.h"
#include "app/sjis.h"
#include "app/wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace filecodec {

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);
const QByteArray kUtf16LeBom("\xFF\xFE", 2);
const QByteArray kUtf16BeBom("\xFE\xFF", 2);

// A converter of the given encoding that keeps a byte-order-mark character
// of the content (the file's own mark has been cut off already).
QString decodeWith(QStringConverter::Encoding encoding, QByteArrayView bytes)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

bool isAscii(QByteArrayView bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

bool isValidUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    (void)QString(decoder.decode(bytes));
    return !decoder.hasError();
}

// One "\n" per line break; control characters that have no place in a
// text, and halves of characters (a surrogate without its partner, as a
// UTF-16 file may hold), become the replacement character.
QString normalised(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            out += u'\n';
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else if (c.unicode() < 0x20 && c != u'\n' && c != u'\t') {
            out += QChar(QChar::ReplacementCharacter);
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
        } else if (c.isSurrogate()) {
            out += QChar(QChar::ReplacementCharacter);
        } else {
            out += c;
        }
    }
    return out;
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

QByteArray encode(QStringView text)
{
    QString withBreaks = text.toString();
    withBreaks.replace(u'\n', QStringLiteral("\r\n"));
    bool lossless = true;
    QByteArray bytes = sjis::encode(withBreaks, &lossless);
    if (lossless)
        return bytes;
    return kUtf8Bom + withBreaks.toUtf8();
}

QString decode(QByteArrayView bytes)
{
    QString text;
    if (bytes.startsWith(kUtf8Bom))
        text = decodeWith(QStringConverter::Utf8, bytes.sliced(kUtf8Bom.size()));
    else if (bytes.startsWith(kUtf16LeBom))
        text = decodeWith(QStringConverter::Utf16LE, bytes.sliced(kUtf16LeBom.size()));
    else if (bytes.startsWith(kUtf16BeBom))
        text = decodeWith(QStringConverter::Utf16BE, bytes.sliced(kUtf16BeBom.size()));
    else if (!isAscii(bytes) && isValidUtf8(bytes))
        text = decodeWith(QStringConverter::Utf8, bytes);
    else
        text = sjis::decode(bytes);
    return normalised(text);
}

void writeFile(const QString &path, QStringView text)
{
    if (!wholefile::replace(path, encode(text)))
        throw AppError(QStringLiteral("ファイル %1 を作成できません").arg(shown(path)));
}

QString readFile(const QString &path)
{
    const auto refused = [&path] {
        return AppError(QStringLiteral("ファイル %1 は開けません").arg(shown(path)));
    };
    // Only a plain file is read: a folder, a device or a pipe could never
    // be taken in, or would keep the program waiting.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxOpenBytes)
        throw refused();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw refused();
    const QByteArray bytes = file.read(kMaxOpenBytes + 1);
    if (bytes.size() > kMaxOpenBytes || file.error() != QFileDevice::NoError)
        throw refused();
    return decode(bytes);
}

} // namespace filecodec
