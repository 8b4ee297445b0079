// Fuzzes the opened-file decoder with any bytes: it never fails, leaves no
// carriage return or stray control character in the text, and a text it
// produced is saved and read back unchanged (but for the marks of unreadable
// bytes, which Shift-JIS keeps as "?").
#include "base/filecodec.h"

#include "property.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstdio>

namespace {

bool validUtf8(QByteArrayView bytes)
{
    QStringDecoder d(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    (void)d.decode(bytes);
    return !d.hasError();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = filecodec::decode(bytes);
    for (QChar c : text) {
        if (c == u'\r')
            fuzz::fail("a carriage return survived decoding");
        if (c.category() == QChar::Other_Control && c != u'\n' && c != u'\t')
            fuzz::fail("a control character survived decoding");
    }
    const QByteArray saved = filecodec::encode(text);
    if (saved.contains("\n") && !saved.contains("\r\n"))
        fuzz::fail("a line break was saved without CR");
    // A Shift-JIS file whose bytes happen to form valid UTF-8 may be read as
    // UTF-8 when that reading is the more Japanese one: the one ambiguity of
    // unmarked files, left out of the round trip.
    const bool marked = saved.startsWith("\xEF\xBB\xBF");
    const bool markedOrAscii = marked || !validUtf8(saved)
                               || std::all_of(saved.begin(), saved.end(), [](char b) { return (unsigned char)b < 0x80; });
    // Shift-JIS keeps the marks of unreadable bytes as "?".
    QString expected = text;
    if (!marked)
        expected.replace(QChar(QChar::ReplacementCharacter), u'?');
    if (markedOrAscii && filecodec::decode(saved) != expected)
        fuzz::fail("a decoded text did not survive saving and reading back");
    return 0;
}
