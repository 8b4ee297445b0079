#include "base/filecodec.h"

#include "base/apperror.h"
#include "base/sjis.h"
#include "base/wholefile.h"

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

// Whether the bytes keep to the shape of Shift-JIS: every lead byte is
// followed by a byte that may end a character. Cheap, so that a long UTF-8
// file is told apart long before its end.
bool hasShiftJisShape(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
            if (++i == bytes.size())
                return false;
            const auto t = static_cast<unsigned char>(bytes[i]);
            if (t < 0x40 || t == 0x7F || t > 0xFC)
                return false;
        }
    }
    return true;
}

// How out of place a character is in a Japanese diary: kana and Japanese
// punctuation least, kanji, half-width katakana and full-width letters a
// little more, anything else (Latin letters with accents, other scripts,
// symbols) most.
int strangeness(char32_t c)
{
    if (c < 0x80)
        return 0;
    if (c >= 0x3000 && c <= 0x30FF)
        return 1;
    if ((c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xFF01 && c <= 0xFF9F) || (c >= 0xFFE0 && c <= 0xFFE6))
        return 2;
    return 5;
}

int strangeness(const QString &text)
{
    int sum = 0;
    for (char32_t c : QStringView(text).toUcs4())
        sum += strangeness(c);
    return sum;
}

// Unmarked bytes that are valid UTF-8 may be Shift-JIS all the same (short
// runs of half-width katakana often are). Shift-JIS, the program's own
// form, is taken unless the UTF-8 reading is plainly the more Japanese text.
QString decodeUnmarked(QByteArrayView bytes)
{
    if (isAscii(bytes) || !isValidUtf8(bytes))
        return sjis::decode(bytes);
    QString utf8 = decodeWith(QStringConverter::Utf8, bytes);
    if (!hasShiftJisShape(bytes))
        return utf8;
    bool clean = false;
    QString shiftJis = sjis::decode(bytes, &clean);
    if (clean && strangeness(shiftJis) <= strangeness(utf8))
        return shiftJis;
    return utf8;
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

QString cleaned(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            out += u'\n';
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else if (c.category() == QChar::Other_Control && c != u'\n' && c != u'\t') {
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

QByteArray encode(QStringView text)
{
    QString withBreaks = text.toString();
    withBreaks.replace(u'\n', QStringLiteral("\r\n"));
    bool lossless = true;
    QByteArray bytes = sjis::encode(withBreaks, &lossless);
    if (lossless)
        return bytes;
    // The marks of bytes that could not be read do not turn the file into
    // UTF-8 by themselves: they are written as "?".
    if (withBreaks.contains(QChar(QChar::ReplacementCharacter))) {
        QString marked = withBreaks;
        bytes = sjis::encode(marked.replace(QChar(QChar::ReplacementCharacter), u'?'), &lossless);
        if (lossless)
            return bytes;
    }
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
    else
        text = decodeUnmarked(bytes);
    return cleaned(text);
}

Written writeFile(const QString &path, QStringView text)
{
    const QByteArray bytes = encode(text);
    // Only a plain file is looked at: opening a pipe would wait for a writer.
    QFile old(path);
    const bool wasUtf8 = QFileInfo(path).isFile() && old.open(QIODevice::ReadOnly)
        && old.read(kUtf8Bom.size()) == kUtf8Bom;
    old.close();
    if (!wholefile::replace(path, bytes))
        throw AppError(QStringLiteral("ファイル %1 を作成できません").arg(shown(path)));
    return bytes.startsWith(kUtf8Bom) && !wasUtf8 ? Written::NowUtf8 : Written::InItsForm;
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
