#include "kanji/mozcprotocol.h"

namespace kanji::mozc {

namespace {

// Reads one value from `s` at `pos`; false on a value that does not end or
// that nests deeper than any answer of the helper (`depth` levels left), so
// that a line of nothing but "(" never exhausts the stack.
bool readValue(QStringView s, qsizetype &pos, SExpr &out, int depth)
{
    while (pos < s.size() && s[pos].isSpace())
        ++pos;
    if (pos >= s.size())
        return false;
    const QChar c = s[pos];
    if (c == u'(') {
        if (depth <= 0)
            return false;
        ++pos;
        out = SExpr{SExpr::List, {}, {}};
        for (;;) {
            while (pos < s.size() && s[pos].isSpace())
                ++pos;
            if (pos >= s.size())
                return false;
            if (s[pos] == u')') {
                ++pos;
                return true;
            }
            SExpr item;
            if (!readValue(s, pos, item, depth - 1))
                return false;
            out.items << item;
        }
    }
    if (c == u')')
        return false;
    if (c == u'"') {
        out = SExpr{SExpr::String, {}, {}};
        for (++pos; pos < s.size(); ++pos) {
            if (s[pos] == u'\\' && pos + 1 < s.size())
                out.text += s[++pos];
            else if (s[pos] == u'"')
                return ++pos, true;
            else
                out.text += s[pos];
        }
        return false;
    }
    const qsizetype start = pos;
    while (pos < s.size() && !s[pos].isSpace() && s[pos] != u'(' && s[pos] != u')' && s[pos] != u'"')
        ++pos;
    out = SExpr{SExpr::Atom, s.mid(start, pos - start).toString(), {}};
    return true;
}

QString quoted(const QString &text)
{
    QString q = text;
    q.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    return u'"' + q + u'"';
}

bool isHalfWidthKana(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F)
            return true;
    return false;
}

} // namespace

std::optional<SExpr> SExpr::get(QStringView key) const
{
    if (kind != List)
        return std::nullopt;
    for (const SExpr &entry : items) {
        if (entry.kind != List || entry.items.isEmpty() || entry.items[0].kind != Atom || entry.items[0].text != key)
            continue;
        if (entry.items.size() == 3 && entry.items[1].kind == Atom && entry.items[1].text == u".")
            return entry.items[2];
        return SExpr{List, {}, entry.items.mid(1)};
    }
    return std::nullopt;
}

qint64 SExpr::number(QStringView key, qint64 otherwise) const
{
    const auto v = get(key);
    bool ok = false;
    const qint64 n = v && v->kind == Atom ? v->text.toLongLong(&ok) : 0;
    return ok ? n : otherwise;
}

QString SExpr::string(QStringView key) const
{
    const auto v = get(key);
    return v && v->kind == String ? v->text : QString();
}

std::optional<SExpr> parse(QStringView line)
{
    if (line.size() > kMaxLineLength)
        return std::nullopt;
    SExpr out;
    qsizetype pos = 0;
    if (!readValue(line, pos, out, kMaxDepth))
        return std::nullopt;
    while (pos < line.size() && line[pos].isSpace())
        ++pos;
    return pos == line.size() ? std::optional<SExpr>(out) : std::nullopt;
}

QByteArray request(quint32 id, const QString &command, const QString &arguments)
{
    QString line = u'(' + QString::number(id) + u' ' + command;
    if (!arguments.isEmpty())
        line += u' ' + arguments;
    return (line + QStringLiteral(")\n")).toUtf8();
}

QByteArray sendKey(quint32 id, quint32 session, const QString &key)
{
    return request(id, QStringLiteral("SendKey"), QString::number(session) + u' ' + key);
}

QByteArray typeText(quint32 id, quint32 session, const QString &text)
{
    return sendKey(id, session, quoted(text));
}

qint64 eventOf(const SExpr &answer)
{
    return answer.number(u"emacs-event-id");
}

QList<Phrase> phrasesOf(const SExpr &answer)
{
    QList<Phrase> phrases;
    const auto output = answer.get(u"output");
    const auto words = output ? output->get(u"all-candidate-words") : std::nullopt;
    const auto preedit = output ? output->get(u"preedit") : std::nullopt;
    const auto segments = preedit ? preedit->get(u"segment") : std::nullopt;
    if (!words || !segments || words->get(u"category").value_or(SExpr{}).text != u"conversion")
        return phrases;
    for (const SExpr &segment : segments->items) {
        const QString key = segment.string(u"key");
        const QString value = segment.string(u"value");
        if (key.isEmpty() || value.isEmpty())
            return {};
        phrases << Phrase{key, {value}};
    }
    return phrases;
}

QStringList candidatesOf(const SExpr &answer, const QString &shown)
{
    QStringList out;
    if (!shown.isEmpty())
        out << shown;
    const auto output = answer.get(u"output");
    const auto words = output ? output->get(u"all-candidate-words") : std::nullopt;
    const auto list = words ? words->get(u"candidates") : std::nullopt;
    if (!list)
        return out;
    for (const SExpr &c : list->items) {
        const QString value = c.string(u"value");
        if (!value.isEmpty() && !out.contains(value) && !isHalfWidthKana(value))
            out << value;
    }
    return out;
}

QList<Form> suggestionsOf(const SExpr &answer, const QString &typed)
{
    QList<Form> out;
    const auto output = answer.get(u"output");
    const auto words = output ? output->get(u"all-candidate-words") : std::nullopt;
    const auto list = words ? words->get(u"candidates") : std::nullopt;
    const QString category = words ? words->get(u"category").value_or(SExpr{}).text : QString();
    if (!list || (category != u"suggestion" && category != u"prediction"))
        return out;
    for (const SExpr &c : list->items) {
        const QString key = c.string(u"key");
        const Form f{key.isEmpty() ? typed : key, c.string(u"value")};
        if (!f.text.isEmpty() && !out.contains(f) && !isHalfWidthKana(f.text))
            out << f;
    }
    return out;
}

quint32 serverProcess(const QByteArray &sessionFile)
{
    // Fields of a protocol-buffer record: a key of (number << 3 | kind), then a
    // variable-length number (kind 0), a length and bytes (2), or 8 or 4 bytes.
    qsizetype pos = 0;
    auto varint = [&](quint64 &v) {
        v = 0;
        for (int shift = 0; pos < sessionFile.size() && shift < 64; shift += 7) {
            const quint8 b = quint8(sessionFile[pos++]);
            v |= quint64(b & 0x7f) << shift;
            if (!(b & 0x80))
                return true;
        }
        return false;
    };
    while (pos < sessionFile.size()) {
        quint64 key = 0, value = 0;
        if (!varint(key))
            return 0;
        switch (key & 7) {
        case 0:
            if (!varint(value))
                return 0;
            if (key >> 3 == 2)
                return value <= 0xffffffffu ? quint32(value) : 0;
            break;
        case 1: pos += 8; break;
        case 2:
            if (!varint(value) || value > quint64(sessionFile.size()))
                return 0;
            pos += qsizetype(value);
            break;
        case 5: pos += 4; break;
        default: return 0;
        }
    }
    return 0;
}

} // namespace kanji::mozc
