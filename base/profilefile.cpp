#include "base/profilefile.h"

#include "base/apperror.h"
#include "base/sjis.h"
#include "base/wholefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

struct Line
{
    qsizetype begin;      // first byte of the line
    qsizetype contentEnd; // first byte of its line break (or end of file)
    qsizetype end;        // first byte of the next line
};

// Splits at CR LF, LF or a lone CR.
std::vector<Line> splitLines(QByteArrayView bytes)
{
    std::vector<Line> lines;
    qsizetype begin = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        qsizetype end = i + 1;
        if (c == '\r' && end < n && bytes[end] == '\n')
            ++end;
        lines.push_back({begin, i, end});
        begin = end;
        i = end - 1;
    }
    if (begin < n)
        lines.push_back({begin, n, n});
    return lines;
}

bool sameName(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= u'A' && x <= u'Z') x += 32;
        if (y >= u'A' && y <= u'Z') y += 32;
        if (x != y)
            return false;
    }
    return true;
}

// What one line of the file is.
struct Parsed
{
    enum Kind { Other, Section, Key } kind = Other;
    QString name;  // section or key name, trimmed
    QString value; // key value, trimmed
};

Parsed parse(QByteArrayView content)
{
    const QString text = sjis::decode(content).trimmed();
    Parsed p;
    if (text.startsWith(u'[')) {
        p.kind = Parsed::Section;
        const qsizetype close = text.indexOf(u']');
        p.name = (close < 0 ? text.mid(1) : text.mid(1, close - 1)).trimmed();
        return p;
    }
    const qsizetype eq = text.indexOf(u'=');
    if (eq < 0)
        return p;
    p.kind = Parsed::Key;
    p.name = text.left(eq).trimmed();
    p.value = text.mid(eq + 1).trimmed();
    return p;
}

// Index range [first, last) of the lines of the first section with that name;
// first is the header line. Returns false when there is no such section.
bool findSection(QByteArrayView bytes, const std::vector<Line> &lines, const QString &section,
                 size_t &first, size_t &last)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line &l = lines[i];
        const Parsed p = parse(bytes.sliced(l.begin, l.contentEnd - l.begin));
        if (p.kind != Parsed::Section || !sameName(p.name, section))
            continue;
        first = i;
        last = i + 1;
        while (last < lines.size()) {
            const Line &m = lines[last];
            if (parse(bytes.sliced(m.begin, m.contentEnd - m.begin)).kind == Parsed::Section)
                break;
            ++last;
        }
        return true;
    }
    return false;
}

QString cleanValue(QString value)
{
    // A value is one line: a line break inside it would forge other keys.
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return value;
}

} // namespace

ProfileFile::ProfileFile(QString path) : m_path(std::move(path)) {}

QString ProfileFile::pathForProgram(const QString &programPath)
{
    const QFileInfo info(programPath);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString stem = dot > 0 ? name.left(dot) : name;
    return info.dir().filePath(stem + QStringLiteral(".ini"));
}

QByteArray ProfileFile::readAll() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

std::optional<QString> ProfileFile::lookup(QByteArrayView file, const QString &section, const QString &key)
{
    const std::vector<Line> lines = splitLines(file);
    size_t first = 0, last = 0;
    if (!findSection(file, lines, section, first, last))
        return std::nullopt;
    for (size_t i = first + 1; i < last; ++i) {
        const Line &l = lines[i];
        Parsed p = parse(file.sliced(l.begin, l.contentEnd - l.begin));
        if (p.kind == Parsed::Key && sameName(p.name, key))
            return p.value.left(kMaxValueLength);
    }
    return std::nullopt;
}

QByteArray ProfileFile::withValue(QByteArrayView file, const QString &section, const QString &key,
                                  const QString &value)
{
    const QByteArray line = sjis::encode(QString(key + u'=' + cleanValue(value)));
    const std::vector<Line> lines = splitLines(file);
    QByteArray out(file.data(), file.size());
    size_t first = 0, last = 0;
    if (findSection(file, lines, section, first, last)) {
        qsizetype insertAt = -1;
        for (size_t i = first + 1; i < last; ++i) {
            const Line &l = lines[i];
            const Parsed p = parse(file.sliced(l.begin, l.contentEnd - l.begin));
            if (p.kind == Parsed::Key && sameName(p.name, key)) {
                out.replace(l.begin, l.contentEnd - l.begin, line);
                return out;
            }
        }
        // A new key goes after the last line of the section that is not blank.
        size_t after = first;
        for (size_t i = first + 1; i < last; ++i) {
            const Line &l = lines[i];
            if (!sjis::decode(file.sliced(l.begin, l.contentEnd - l.begin)).trimmed().isEmpty())
                after = i;
        }
        const Line &l = lines[after];
        insertAt = l.end;
        QByteArray add;
        if (l.end == l.contentEnd) // last line of the file without a line break
            add += "\r\n";
        add += line + "\r\n";
        out.insert(insertAt, add);
        return out;
    }
    if (!out.isEmpty() && !out.endsWith('\n') && !out.endsWith('\r'))
        out += "\r\n";
    out += sjis::encode(QString(u'[' + section + u']')) + "\r\n" + line + "\r\n";
    return out;
}

std::optional<int> ProfileFile::parseInteger(const QString &text)
{
    bool ok = false;
    qlonglong v = 0;
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        const QString digits = text.mid(2);
        if (digits.startsWith(u'+') || digits.startsWith(u'-'))
            return std::nullopt;
        v = digits.toLongLong(&ok, 16);
        // Eight hexadecimal digits name a 32-bit pattern, as the stored form allows.
        if (ok && v > 0xFFFFFFFFLL)
            ok = false;
        if (ok && v > std::numeric_limits<int>::max())
            v -= 0x100000000LL;
    } else {
        v = text.toLongLong(&ok, 10);
        if (ok && (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()))
            ok = false;
    }
    if (!ok)
        return std::nullopt;
    return static_cast<int>(v);
}

std::optional<int> ProfileFile::parseIntegerIn(const QString &text, const Range &range)
{
    if (const auto v = parseInteger(text))
        return range.clamp(*v);
    // Decimal digits past what 32 bits hold: still plainly a number, and
    // the nearest end is what was meant.
    QStringView digits(text);
    const bool negative = digits.startsWith(u'-');
    if (negative || digits.startsWith(u'+'))
        digits = digits.sliced(1);
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    while (digits.size() > 1 && digits.front() == u'0')
        digits = digits.sliced(1);
    if (digits.size() <= 18) {
        const qlonglong v = digits.toLongLong() * (negative ? -1 : 1);
        return v < range.low ? range.low : v > range.high ? range.high : int(v);
    }
    return negative ? range.low : range.high;
}

QString ProfileFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    return lookup(readAll(), section, key).value_or(defaultValue).left(kMaxValueLength);
}

bool ProfileFile::hasSection(const QString &section) const
{
    const QByteArray file = readAll();
    size_t first = 0, last = 0;
    return findSection(file, splitLines(file), section, first, last);
}

std::optional<bool> ProfileFile::parseBool(const QString &text)
{
    // Brought into the range, a number keeps whether it is 0.
    const auto v = parseIntegerIn(text, {std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), 0});
    return v ? std::optional<bool>(*v != 0) : std::nullopt;
}

void ProfileFile::writeString(const QString &section, const QString &key, const QString &value) const
{
    // Refused for a file or folder marked read-only, as for a failed write.
    if (!wholefile::replace(m_path, withValue(readAll(), section, key, value)))
        throw AppError(QStringLiteral("%1 に書き込めません").arg(QDir::toNativeSeparators(m_path)));
}

