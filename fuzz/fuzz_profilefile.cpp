// Fuzzes the settings file's rules: any bytes as a file, a section, key and
// value taken from the input. A read after a write gives what was written,
// and the write changes one line only, keeping every other byte.
#include "base/profilefile.h"
#include "base/sjis.h"

#include "property.h"

#include <cstdint>
#include <cstdlib>

namespace {

QString takeName(QByteArrayView &data)
{
    const qsizetype n = data.isEmpty() ? 0 : qMin<qsizetype>(static_cast<unsigned char>(data[0]) % 8, data.size() - 1);
    const QString name = sjis::decode(data.sliced(data.isEmpty() ? 0 : 1, n));
    data = data.sliced(data.isEmpty() ? 0 : 1 + n);
    return name;
}

bool usableName(const QString &name)
{
    // Names the file form can hold: not empty, no brackets, equals signs,
    // line breaks or surrounding blanks, nothing that decodes lossily.
    if (name.isEmpty() || name != name.trimmed() || name.startsWith(u'[') || name.startsWith(u';'))
        return false;
    for (QChar c : name)
        if (c == u']' || c == u'=' || c == u'\r' || c == u'\n' || c == QChar::ReplacementCharacter || c.unicode() < 0x20)
            return false;
    return sjis::canEncode(name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    QByteArrayView data(reinterpret_cast<const char *>(bytes), qsizetype(size));
    const QString section = takeName(data);
    const QString key = takeName(data);
    const QString value = takeName(data);
    const QByteArrayView file = data;

    // Reading never fails on any bytes.
    const auto before = ProfileFile::lookup(file, section, key);
    (void)ProfileFile::parseInteger(before.value_or(QString()));

    if (!usableName(section) || !usableName(key) || !sjis::canEncode(value) || value.contains(QChar::ReplacementCharacter))
        return 0;
    const QByteArray out = ProfileFile::withValue(file, section, key, value);
    QString expected = value;
    expected.replace(u'\r', u' ').replace(u'\n', u' ');
    expected = expected.trimmed().left(ProfileFile::kMaxValueLength);
    if (ProfileFile::lookup(out, section, key) != expected)
        fuzz::fail("a read after a write does not give the written value");

    // One region changed: what was removed holds no line break of the old
    // file except where a new section or key was appended or inserted.
    qsizetype prefix = 0;
    const qsizetype limit = qMin(file.size(), out.size());
    while (prefix < limit && file[prefix] == out[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < limit - prefix && file[file.size() - 1 - suffix] == out[out.size() - 1 - suffix])
        ++suffix;
    const QByteArrayView removed = file.sliced(prefix, file.size() - prefix - suffix);
    if (removed.contains('\n') || removed.contains('\r'))
        fuzz::fail("a write changed more than one line");
    return 0;
}
