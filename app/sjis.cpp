#include "app/sjis.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace sjis {

namespace {
constexpr const char *kName = "windows-31j";
}

QByteArray encode(QStringView text, bool *lossless)
{
    QStringEncoder encoder(kName, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (lossless)
        *lossless = !encoder.hasError();
    return bytes;
}

bool canEncode(QStringView text)
{
    bool ok = true;
    encode(text, &ok);
    return ok;
}

QString decode(QByteArrayView bytes)
{
    // The converter marks bytes it cannot map with the ASCII substitute
    // control (0x1A), which Shift-JIS text never holds on purpose; both it and
    // a dangling lead byte at the end become U+FFFD. A blank is appended so
    // that a lead byte at the very end is judged like any other.
    QByteArray padded(bytes.data(), bytes.size());
    padded.append(' ');
    QStringDecoder decoder(kName, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(padded);
    if (text.endsWith(u' '))
        text.chop(1);
    if (decoder.hasError())
        text.replace(QChar(0x1A), QChar(QChar::ReplacementCharacter));
    return text;
}

} // namespace sjis
