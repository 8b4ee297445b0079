#include "speech/speechcache.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

namespace {

constexpr char kMagic[8] = {'M', 'J', 'P', 'C', 'M', '1', '\0', '\0'};

qint64 bytesOf(const Samples &s) { return qint64(s.size()) * qint64(sizeof(qint16)); }

} // namespace

SpeechCache::SpeechCache(QString diskDir, qint64 memoryBytes) : m_dir(std::move(diskDir)), m_limit(memoryBytes)
{
    m_writer.setMaxThreadCount(1);
    if (!m_dir.isEmpty())
        QDir().mkpath(m_dir);
}

SpeechCache::~SpeechCache()
{
    waitForDisk();
}

void SpeechCache::waitForDisk()
{
    m_writer.waitForDone();
}

QByteArray SpeechCache::key(const QString &voiceId, int speed, int rate, const QString &text)
{
    QCryptographicHash h(QCryptographicHash::Sha1);
    h.addData(QStringLiteral("1\n%1\n%2\n%3\n").arg(voiceId).arg(speed).arg(rate).toUtf8());
    h.addData(text.toUtf8());
    return h.result().toHex();
}

QString SpeechCache::defaultDiskDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/mojipot/speech");
}

QString SpeechCache::fileFor(const QByteArray &key) const
{
    return m_dir + u'/' + QString::fromLatin1(key) + QStringLiteral(".pcm");
}

std::optional<Samples> SpeechCache::find(const QByteArray &key)
{
    if (auto it = m_entries.find(key); it != m_entries.end()) {
        m_order.splice(m_order.begin(), m_order, it->place);
        return it->samples;
    }
    if (m_dir.isEmpty())
        return std::nullopt;
    QFile f(fileFor(key));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = f.readAll();
    if (bytes.size() < qsizetype(sizeof kMagic) || !bytes.startsWith(QByteArrayView(kMagic, sizeof kMagic))
        || (bytes.size() - sizeof kMagic) % 2 != 0)
        return std::nullopt;
    Samples samples((bytes.size() - sizeof kMagic) / 2);
    memcpy(samples.data(), bytes.constData() + sizeof kMagic, bytes.size() - sizeof kMagic);
    remember(key, samples);
    return samples;
}

bool SpeechCache::contains(const QByteArray &key) const
{
    return m_entries.contains(key) || (!m_dir.isEmpty() && QFileInfo::exists(fileFor(key)));
}

void SpeechCache::insert(const QByteArray &key, const Samples &samples)
{
    remember(key, samples);
    if (m_dir.isEmpty())
        return;
    m_writer.start([file = fileFor(key), samples] {
        // A folder that cannot be written only costs the warm start.
        // Unbuffered, so that a full disk fails the write that meets it: an
        // entry is kept only when every byte of it was written, never cut
        // short.
        QSaveFile f(file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        if (f.write(kMagic, sizeof kMagic) != qint64(sizeof kMagic)
            || f.write(reinterpret_cast<const char *>(samples.constData()), bytesOf(samples)) != bytesOf(samples))
            return; // the cut file goes with `f`
        f.commit();
    });
}

void SpeechCache::remember(const QByteArray &key, const Samples &samples)
{
    if (auto it = m_entries.find(key); it != m_entries.end()) {
        m_bytes -= bytesOf(it->samples);
        m_order.erase(it->place);
        m_entries.erase(it);
    }
    if (bytesOf(samples) > m_limit)
        return;
    m_order.push_front(key);
    m_entries.insert(key, Entry{samples, m_order.begin()});
    m_bytes += bytesOf(samples);
    while (m_bytes > m_limit && !m_order.empty()) {
        const auto last = m_entries.find(m_order.back());
        m_bytes -= bytesOf(last->samples);
        m_entries.erase(last);
        m_order.pop_back();
    }
}

void SpeechCache::pruneDisk(qint64 maxBytes)
{
    if (m_dir.isEmpty())
        return;
    waitForDisk();
    QFileInfoList files = QDir(m_dir).entryInfoList({QStringLiteral("*.pcm")}, QDir::Files);
    qint64 total = 0;
    for (const QFileInfo &f : files)
        total += f.size();
    if (total <= maxBytes)
        return;
    std::sort(files.begin(), files.end(),
              [](const QFileInfo &a, const QFileInfo &b) { return a.lastModified() < b.lastModified(); });
    for (const QFileInfo &f : files) {
        if (total <= maxBytes)
            break;
        if (QFile::remove(f.absoluteFilePath()))
            total -= f.size();
    }
}
