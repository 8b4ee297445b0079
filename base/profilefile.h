#pragma once
#include <QByteArray>
#include <QString>
#include <optional>
#include <type_traits>

// The keys of the settings file. Each feature declares its keys once, in a
// table beside its code (its `schema` namespace), and reads and writes them
// through ProfileFile::read and write.
namespace settings {

// A value kept within a range, and what stands for it when missing.
struct Range
{
    int low, high, standard;
    int clamp(int v) const { return v < low ? low : v > high ? high : v; }
};

// A key: where it is, what stands for a missing or unreadable value, and by
// that value's type how a hand-edited value is read:
// - int: decimal, or hexadecimal after "0x" when the text is longer than
//   two characters; out of 32 bits, empty or not a number is unreadable;
// - Range: as int, or decimal digits of any length after an optional sign,
//   brought to the nearest end of the range; other text (empty, words,
//   full-width digits) is unreadable;
// - bool, every on/off key alike: a number as a Range reads it is on unless
//   it is 0; other text is unreadable;
// - QString: the text as written.
template <typename Standard>
struct Key
{
    QString section;
    QString name;
    Standard standard;

    // The same key where what a missing value stands for depends on the file.
    Key withStandard(auto value) const
    {
        Key k = *this;
        if constexpr (std::is_same_v<Standard, Range>)
            k.standard.standard = value;
        else
            k.standard = value;
        return k;
    }
};
using IntKey = Key<int>;
using RangeKey = Key<Range>;
using BoolKey = Key<bool>;
using TextKey = Key<QString>;

} // namespace settings

// The settings file: sections in square brackets, one "key=value" a line,
// bytes in Shift-JIS. Nothing is kept in memory between uses: every read opens
// the file, every write rewrites it at once, so each change is on disk as soon
// as it is made.
//
// Section and key names match without regard to ASCII case; values are read
// trimmed of surrounding blanks and cut at 2047 characters. A write keeps every
// other line of the file byte for byte and replaces the file only once the new
// one is completely written.
class ProfileFile
{
public:
    explicit ProfileFile(QString path);

    // The program file's path with its extension replaced by ".ini", or with
    // ".ini" appended when the file name has no extension.
    static QString pathForProgram(const QString &programPath);

    const QString &path() const { return m_path; }

    using Range = settings::Range;

    QString readString(const QString &section, const QString &key, const QString &defaultValue) const;
    // A key read as its kind reads it (a missing key reads as empty text).
    int read(const settings::IntKey &k) const { return parseInteger(text(k)).value_or(k.standard); }
    int read(const settings::RangeKey &k) const { return parseIntegerIn(text(k), k.standard).value_or(k.standard.standard); }
    bool read(const settings::BoolKey &k) const { return parseBool(text(k)).value_or(k.standard); }
    QString read(const settings::TextKey &k) const { return readString(k.section, k.name, k.standard); }
    // A key's text as written; empty when it is missing or empty.
    template <typename S>
    QString text(const settings::Key<S> &k) const { return readString(k.section, k.name, {}); }
    // Whether the file has the section (empty or not).
    bool hasSection(const QString &section) const;

    // Each write creates the file, section or key as needed. A write the
    // system refuses throws AppError("<path> に書き込めません").
    // Numbers in decimal, on/off as 1 or 0.
    void writeString(const QString &section, const QString &key, const QString &value) const;
    void write(const settings::IntKey &k, int value) const { writeString(k.section, k.name, QString::number(value)); }
    void write(const settings::RangeKey &k, int value) const { writeString(k.section, k.name, QString::number(value)); }
    void write(const settings::BoolKey &k, bool value) const { writeString(k.section, k.name, QString::number(int(value))); }
    void write(const settings::TextKey &k, const QString &value) const { writeString(k.section, k.name, value); }

    // The pure rules on a file's bytes, used by the members above.
    static std::optional<QString> lookup(QByteArrayView file, const QString &section, const QString &key);
    static QByteArray withValue(QByteArrayView file, const QString &section, const QString &key,
                                const QString &value);
    static std::optional<int> parseInteger(const QString &text);
    static std::optional<int> parseIntegerIn(const QString &text, const Range &range);
    static std::optional<bool> parseBool(const QString &text);

    static constexpr int kMaxValueLength = 2047;

private:
    QByteArray readAll() const;

    QString m_path;
};
