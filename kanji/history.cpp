#include "kanji/history.h"

#include "base/wholefile.h"
#include "kanji/candidatecycle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kanji {

namespace {

// No control or formatting character (a NUL, a bell, a direction override,
// a zero-width mark), no half of a character, no mark of an unreadable
// byte, no line or paragraph separator: none of these could have come from
// a conversion, and each would reach a saved diary unseen.
bool plainText(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        switch (c.category()) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Other_Surrogate:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            return false;
        default:
            if (c == QChar::ReplacementCharacter)
                return false;
        }
    }
    return true;
}

} // namespace

QString History::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/mojipot/kanji-history.txt");
}

bool History::acceptable(const QString &reading, const QString &text)
{
    if (reading.isEmpty() || reading.size() > kMaxPhraseLength || text.isEmpty() || text.size() > kMaxPhraseLength
        || text == reading)
        return false;
    for (QChar c : reading)
        if (!isRunCharacter(c))
            return false;
    return plainText(text);
}

void History::apply(QList<Phrase> &phrases) const
{
    for (Phrase &p : phrases) {
        const QStringList chosen = m_chosen.value(p.reading);
        for (auto it = chosen.crbegin(); it != chosen.crend(); ++it) {
            p.candidates.removeAll(*it);
            p.candidates.prepend(*it);
        }
    }
}

void History::record(const QString &reading, const QString &text)
{
    if (!acceptable(reading, text))
        return;
    QStringList &chosen = m_chosen[reading];
    chosen.removeAll(text);
    chosen.prepend(text);
    if (chosen.size() > kMaxChoices)
        chosen.resize(kMaxChoices);
    m_order.removeAll(reading);
    m_order << reading;
    while (m_order.size() > kMaxReadings)
        m_chosen.remove(m_order.takeFirst());
}

void History::clear()
{
    m_chosen.clear();
    m_order.clear();
}

QByteArray History::toBytes() const
{
    QByteArray out;
    for (const QString &reading : m_order)
        for (const QString &text : m_chosen.value(reading))
            out += (reading + u'\t' + text + u'\n').toUtf8();
    return out;
}

History History::fromBytes(const QByteArray &bytes)
{
    // Readings come oldest first, each one's texts latest first. A reading
    // met again further down (a file put together by hand) adds its texts
    // to its first place. Each line costs the same whatever came before.
    QStringList readings;
    QHash<QString, QStringList> texts;
    for (qsizetype from = 0; from < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', from);
        if (end < 0)
            end = bytes.size();
        QByteArrayView line = QByteArrayView(bytes).sliced(from, end - from);
        from = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        const qsizetype tab = line.indexOf('\t');
        if (tab < 0)
            continue;
        const QString reading = QString::fromUtf8(line.first(tab));
        const QString text = QString::fromUtf8(line.sliced(tab + 1));
        if (!acceptable(reading, text)) // a second tab makes the text unacceptable
            continue;
        auto it = texts.find(reading);
        if (it == texts.end()) {
            readings << reading;
            it = texts.insert(reading, {});
        }
        if (it->size() < kMaxChoices && !it->contains(text))
            it->append(text);
    }
    History h;
    const qsizetype first = qMax<qsizetype>(0, readings.size() - kMaxReadings); // the latest are kept
    for (qsizetype i = first; i < readings.size(); ++i) {
        h.m_order << readings[i];
        h.m_chosen.insert(readings[i], texts.value(readings[i]));
    }
    return h;
}

History History::readFile(const QString &path)
{
    QFile file;
#ifdef Q_OS_UNIX
    // Not through a link, and without waiting for a writer: a pipe opens at
    // once and is then refused with anything else that is not a plain file.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !file.open(fd, QIODevice::ReadOnly, QFile::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
#else
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isFile())
        return {};
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
#endif
    const qint64 size = file.size();
    const bool tail = size > kMaxFileBytes;
    if (tail && !file.seek(size - kMaxFileBytes))
        return {};
    QByteArray bytes = file.read(kMaxFileBytes);
    if (tail) { // the first line read is likely cut: reading starts after the first line break
        const qsizetype whole = bytes.indexOf('\n');
        bytes.remove(0, whole < 0 ? bytes.size() : whole + 1);
    }
    return fromBytes(bytes);
}

bool History::writeFile(const QString &path) const
{
    const QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    if (info.isSymLink() && !QFile::remove(path))
        return false;
    return wholefile::replace(path, toBytes(), wholefile::Access::OwnerOnly);
}

} // namespace kanji
