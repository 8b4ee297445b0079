#include "base/sjis.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace sjis {

namespace {

constexpr const char *kName = "windows-31j";

// The converter swaps three control codes among themselves (0x1A, 0x1C and
// 0x7F), where Windows leaves every control code as it is. They never belong
// to a two-byte character, so they are taken out and mapped here, and the
// converter sees only the runs between them.
bool isSwappedControl(char16_t c)
{
    return c == 0x1A || c == 0x1C || c == 0x7F;
}

} // namespace

QByteArray encode(QStringView text, bool *lossless)
{
    QStringEncoder encoder(kName, QStringConverter::Flag::Stateless);
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    bool ok = true;
    qsizetype begin = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isSwappedControl(text[i].unicode()))
            continue;
        if (i > begin) {
            bytes += encoder.encode(text.sliced(begin, i - begin));
            ok = ok && !encoder.hasError();
        }
        if (i < text.size())
            bytes += char(text[i].unicode());
        begin = i + 1;
    }
    if (lossless)
        *lossless = ok;
    return bytes;
}

bool canEncode(QStringView text)
{
    bool ok = true;
    encode(text, &ok);
    return ok;
}

QString decode(QByteArrayView bytes, bool *clean)
{
    // The converter marks bytes it cannot map with the ASCII substitute
    // control (U+001A); as the real control never reaches it, every one it
    // gives is such a mark and becomes U+FFFD. A blank is appended to each
    // run so that a lead byte at its very end is judged like any other.
    QStringDecoder decoder(kName, QStringConverter::Flag::Stateless);
    QString text;
    text.reserve(bytes.size());
    bool ok = true;
    qsizetype begin = 0;
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && !isSwappedControl(static_cast<unsigned char>(bytes[i])))
            continue;
        if (i > begin) {
            QByteArray run(bytes.data() + begin, i - begin);
            run.append(' ');
            QString part = decoder.decode(run);
            if (part.endsWith(u' '))
                part.chop(1);
            ok = ok && !decoder.hasError();
            text += part.replace(QChar(0x1A), QChar(QChar::ReplacementCharacter));
        }
        if (i < bytes.size())
            text += QChar(char16_t(static_cast<unsigned char>(bytes[i])));
        begin = i + 1;
    }
    if (clean)
        *clean = ok;
    return text;
}

} // namespace sjis
