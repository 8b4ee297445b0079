#include "prediction/corpus.h"

#include <QFile>

namespace prediction::corpus {

QStringList readLines(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return {};
    }
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList sentences(const QStringList &lines)
{
    QStringList out;
    for (const QString &line : lines) {
        const QString s = line.trimmed();
        if (!s.isEmpty() && !s.startsWith(u'#'))
            out << s;
    }
    return out;
}

QStringList kept(const QStringList &all, int every)
{
    QStringList out;
    for (qsizetype i = 0; i < all.size(); ++i)
        if ((i + 1) % every != 0)
            out << all[i];
    return out;
}

QStringList heldOut(const QStringList &all, int every)
{
    QStringList out;
    for (qsizetype i = 0; i < all.size(); ++i)
        if ((i + 1) % every == 0)
            out << all[i];
    return out;
}

Texts reduceEach(const QStringList &all)
{
    Texts out;
    for (const QString &s : all)
        out.push_back(reduce(s));
    return out;
}

std::vector<LineRange> dasherHeldOut(int lineCount)
{
    // Five blocks, each a twenty-fifth of the text, at the end of each fifth.
    std::vector<LineRange> out;
    const int fifth = lineCount / 5;
    const int block = fifth / 5;
    if (block == 0)
        return out;
    for (int i = 0; i < 5; ++i) {
        const int end = (i + 1) * fifth;
        out.push_back({end - block + 1, end});
    }
    return out;
}

namespace {

bool inRanges(int line, const std::vector<LineRange> &ranges)
{
    for (const LineRange &r : ranges)
        if (line >= r.first && line <= r.last)
            return true;
    return false;
}

// Blocks of consecutive lines of one part, the lines reduced one by one.
std::vector<std::vector<std::vector<Symbol>>> blocks(const QStringList &lines, const std::vector<LineRange> &held,
                                                     Part part, bool keepSpaces)
{
    std::vector<std::vector<std::vector<Symbol>>> out;
    bool open = false;
    for (int i = 0; i < lines.size(); ++i) {
        const bool wanted = inRanges(i + 1, held) == (part == Part::HeldOut);
        if (!wanted) {
            open = false;
            continue;
        }
        if (!open)
            out.emplace_back();
        open = true;
        std::vector<Symbol> line = reduce(lines[i]);
        if (!keepSpaces)
            std::erase(line, kSpace);
        out.back().push_back(std::move(line));
    }
    return out;
}

Texts joined(const std::vector<std::vector<std::vector<Symbol>>> &blockLines, bool keepSpaces)
{
    Texts out;
    for (const auto &block : blockLines) {
        std::vector<Symbol> text;
        for (const auto &line : block) {
            if (keepSpaces && !text.empty() && !line.empty() && text.back() != kSpace && line.front() != kSpace)
                text.push_back(kSpace);
            text.insert(text.end(), line.begin(), line.end());
        }
        out.push_back(std::move(text));
    }
    return out;
}

} // namespace

Texts dasherTexts(const QStringList &lines, const std::vector<LineRange> &heldOut, Part part, bool keepSpaces)
{
    return joined(blocks(lines, heldOut, part, keepSpaces), keepSpaces);
}

Texts dasherBoth(const QStringList &notation60, const QStringList &notation83, Part part, bool keepSpaces)
{
    const int count = int(std::max(notation60.size(), notation83.size()));
    const std::vector<LineRange> held = dasherHeldOut(count);
    auto a = blocks(notation60, held, part, keepSpaces);
    const auto b = blocks(notation83, held, part, keepSpaces);
    // Lines of the second notation that say something the first does not
    // are added after it; lines that agree are taken once.
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        std::vector<std::vector<Symbol>> extra;
        for (std::size_t j = 0; j < b[i].size(); ++j)
            if (j >= a[i].size() || a[i][j] != b[i][j])
                extra.push_back(b[i][j]);
        a[i].insert(a[i].end(), extra.begin(), extra.end());
    }
    return joined(a, keepSpaces);
}

} // namespace prediction::corpus
