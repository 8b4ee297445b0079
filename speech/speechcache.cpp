#include "speech/speechcache.h"

#include "base/wholefile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QtEndian>
#include <algorithm>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace {

// The header, little-endian: the mark (8 bytes), the kind (1) and 3 zero
// bytes, the number of samples (4), the SHA-1 of the entry's key (20), and
// the first 8 bytes of the SHA-1 of everything before them and the samples.
constexpr char kMagic[8] = {'M', 'J', 'P', 'C', 'M', '2', '\0', '\0'};
// Files of earlier versions: the mark, then the samples, nothing to check them by.
constexpr char kOldMagic[8] = {'M', 'J', 'P', 'C', 'M', '1', '\0', '\0'};
constexpr int kCountAt = 12;
constexpr int kKeyAt = 16;
constexpr int kSumAt = 36;
static_assert(kSumAt + 8 == SpeechCache::kHeaderBytes);

// A temporary file left by a program that ended while writing it is
// removed by the cut-back once it is this old.
constexpr qint64 kStaleTempMs = 10 * 60 * 1000;

const QStringList kFileNames{QStringLiteral("*.pcm"), QStringLiteral("*.tmp")};

qint64 bytesOf(const Samples &s) { return qint64(s.size()) * qint64(sizeof(qint16)); }

QByteArray keyDigest(const QByteArray &key)
{
    return QCryptographicHash::hash(key, QCryptographicHash::Sha1);
}

QByteArray checksum(QByteArrayView header, QByteArrayView samples)
{
    QCryptographicHash h(QCryptographicHash::Sha1);
    h.addData(header);
    h.addData(samples);
    return h.result().left(8);
}

QByteArray encode(const QByteArray &key, const Samples &samples, SpeechCache::Kind kind)
{
    QByteArray bytes(SpeechCache::kHeaderBytes + bytesOf(samples), '\0');
    char *b = bytes.data();
    memcpy(b, kMagic, sizeof kMagic);
    b[SpeechCache::kKindAt] = char(kind);
    qToLittleEndian(quint32(samples.size()), b + kCountAt);
    const QByteArray digest = keyDigest(key);
    memcpy(b + kKeyAt, digest.constData(), size_t(digest.size()));
    qToLittleEndian<qint16>(samples.constData(), samples.size(), b + SpeechCache::kHeaderBytes);
    const QByteArrayView all(bytes);
    const QByteArray sum = checksum(all.first(kSumAt), all.sliced(SpeechCache::kHeaderBytes));
    memcpy(b + kSumAt, sum.constData(), size_t(sum.size()));
    return bytes;
}

bool ours(QByteArrayView head)
{
    return head.startsWith(QByteArrayView(kMagic, sizeof kMagic))
           || head.startsWith(QByteArrayView(kOldMagic, sizeof kOldMagic));
}

enum class Check { Sound, Damaged, Foreign };

// Whether the bytes (the whole file, or with `whole` false its header
// alone) are the entry of this key as the program wrote it.
Check check(QByteArrayView bytes, const QByteArray &key, qint64 fileSize, bool whole)
{
    if (!ours(bytes.first(std::min<qsizetype>(bytes.size(), sizeof kMagic))))
        return Check::Foreign;
    if (!bytes.startsWith(QByteArrayView(kMagic, sizeof kMagic)) || bytes.size() < SpeechCache::kHeaderBytes)
        return Check::Damaged;
    const quint8 kind = quint8(bytes[SpeechCache::kKindAt]);
    const quint32 count = qFromLittleEndian<quint32>(bytes.data() + kCountAt);
    if (kind > quint8(SpeechCache::Kind::Own) || SpeechCache::kHeaderBytes + 2 * qint64(count) != fileSize
        || bytes.sliced(kKeyAt, 20) != keyDigest(key))
        return Check::Damaged;
    if (whole
        && (bytes.size() != fileSize
            || bytes.sliced(kSumAt, 8)
                   != checksum(bytes.first(kSumAt), bytes.sliced(SpeechCache::kHeaderBytes))))
        return Check::Damaged;
    return Check::Sound;
}

// A file found counts as used now: the cut-back goes by the time of last use.
void markUsed(const QString &path)
{
#ifdef Q_OS_UNIX
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), nullptr, AT_SYMLINK_NOFOLLOW);
#else
    Q_UNUSED(path);
#endif
}

constexpr QFileDevice::Permissions kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                                             | QFileDevice::ReadOther | QFileDevice::WriteOther
                                             | QFileDevice::ExeOther;

// The cache folder, made owner-only where missing (each folder made on the
// way too) and mended when others may enter it. False when it is a link or
// anything else that is not a folder, or cannot be made.
bool privateFolder(const QString &path, bool *refused)
{
    const QFileInfo info(path);
    *refused = info.isSymLink() || (info.exists() && !info.isDir());
    if (*refused)
        return false;
    const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    if (!info.exists()) {
        QStringList missing;
        for (QString p = QDir::cleanPath(info.absoluteFilePath()); !QFileInfo(p).exists() && !QFileInfo(p).isSymLink();
             p = QFileInfo(p).absolutePath()) {
            missing.prepend(p);
            if (QFileInfo(p).isRoot())
                break;
        }
        for (const QString &folder : std::as_const(missing))
            if (!QDir().mkdir(folder, owner))
                return false;
    } else if (info.permissions() & kOthers) {
        QFile::setPermissions(path, owner | (info.permissions() & ~kOthers));
    }
    const QFileInfo now(path);
    *refused = now.isSymLink() || !now.isDir();
    return !*refused;
}

// Writes the entry's file whole, owner-only, under a name of its own, and
// only then puts it in the entry's place (which replaces whatever stood
// there, a link too, without following it). A full disk or any failed
// write leaves nothing behind.
void writeEntry(const QString &file, const QByteArray &bytes)
{
    const QString temp =
        file + QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    QFile f(temp);
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered,
                QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return; // a folder that cannot be written only costs the warm start
    const bool written = f.write(bytes) == bytes.size();
    f.close();
    if (!written || std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(file).constData()) != 0)
        QFile::remove(temp);
}

// Every file in the folder that is not a link, one at a time.
template <typename Visit>
void eachFile(const QString &dir, Visit visit)
{
    QDirIterator it(dir, kFileNames, QDir::Files | QDir::NoSymLinks | QDir::Hidden);
    while (it.hasNext()) {
        it.next();
        if (!visit(it.fileInfo()))
            return;
    }
}

} // namespace

SpeechCache::SpeechCache(QString diskDir, qint64 memoryBytes) : m_dir(std::move(diskDir)), m_limit(memoryBytes)
{
    m_disk.setMaxThreadCount(1);
    bool refused = false;
    if (!m_dir.isEmpty() && !privateFolder(m_dir, &refused)) {
        if (refused)
            std::fprintf(stderr, "mojipot: 音声をためておくフォルダ %s がフォルダでない（リンクなど）ので、使いません\n",
                         qPrintable(QDir::toNativeSeparators(m_dir)));
        m_dir.clear();
    }
}

SpeechCache::~SpeechCache()
{
    m_closing = true; // a cut-back under way stops; what is to be written is written
    waitForDisk();
}

void SpeechCache::waitForDisk()
{
    m_disk.waitForDone();
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
    const std::optional<QByteArray> bytes = readFile(key);
    if (!bytes)
        return std::nullopt;
    Samples samples((bytes->size() - kHeaderBytes) / 2);
    qFromLittleEndian<qint16>(bytes->constData() + kHeaderBytes, samples.size(), samples.data());
    remember(key, samples, Kind(quint8(bytes->at(kKindAt))));
    return samples;
}

bool SpeechCache::contains(const QByteArray &key)
{
    return m_entries.contains(key) || readFile(key).has_value();
}

std::optional<QByteArray> SpeechCache::readFile(const QByteArray &key)
{
    if (m_dir.isEmpty())
        return std::nullopt;
    const QString file = fileFor(key);
    std::optional<QByteArray> bytes = wholefile::readPlain(file, kMaxFileBytes);
    const Check found = bytes ? check(*bytes, key, bytes->size(), true) : Check::Foreign;
    if (found == Check::Sound) {
        if (forgotten(Kind(quint8(bytes->at(kKindAt)))))
            return std::nullopt;
        markUsed(file);
        return bytes;
    }
    // A damaged file of ours, or a plain file too large to be one, goes
    // (once the disk thread has seen it is still so); anything else at its
    // name is replaced when the entry is made again.
    const QFileInfo info(file);
    if (found == Check::Damaged || (!bytes && !info.isSymLink() && info.isFile()))
        m_disk.start([file, key] {
            qint64 size = 0;
            const std::optional<QByteArray> now = wholefile::readPlain(file, kMaxFileBytes);
            const std::optional<QByteArray> head = wholefile::readHead(file, kHeaderBytes, &size);
            if (now ? check(*now, key, now->size(), true) == Check::Damaged
                    : head && ours(*head) && size > kMaxFileBytes)
                QFile::remove(file);
        });
    return std::nullopt;
}

void SpeechCache::insert(const QByteArray &key, const Samples &samples, Kind kind)
{
    remember(key, samples, kind);
    const qint64 bytes = kHeaderBytes + bytesOf(samples);
    if (m_dir.isEmpty() || bytes > kMaxFileBytes)
        return;
    m_disk.start([file = fileFor(key), key, samples, kind] { writeEntry(file, encode(key, samples, kind)); });
    m_writtenSince += bytes;
    if (m_diskLimit > 0 && m_writtenSince > m_diskLimit / 4)
        pruneDisk(m_diskLimit);
}

void SpeechCache::remember(const QByteArray &key, const Samples &samples, Kind kind)
{
    if (auto it = m_entries.find(key); it != m_entries.end()) {
        m_bytes -= bytesOf(it->samples);
        m_order.erase(it->place);
        m_entries.erase(it);
    }
    if (bytesOf(samples) > m_limit)
        return;
    // A copy of its own, just as large as the samples: what the engine grew
    // as it made them may hold twice as much, and is freed at once.
    Samples kept = samples;
    kept.squeeze();
    m_order.push_front(key);
    m_entries.insert(key, Entry{kept, kind, m_order.begin()});
    m_bytes += bytesOf(samples);
    while (m_bytes > m_limit && !m_order.empty()) {
        const auto last = m_entries.find(m_order.back());
        m_bytes -= bytesOf(last->samples);
        m_entries.erase(last);
        m_order.pop_back();
    }
}

void SpeechCache::forgetOwn()
{
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->kind != Kind::Own) {
            ++it;
            continue;
        }
        m_bytes -= bytesOf(it->samples);
        m_order.erase(it->place);
        it = m_entries.erase(it);
    }
    if (m_dir.isEmpty())
        return;
    ++m_forgetting;
    m_disk.start([this] {
        removeOwnFiles();
        --m_forgetting;
    });
}

bool SpeechCache::forgotten(Kind kind) const
{
    return kind != Kind::Fixed && m_forgetting > 0;
}

void SpeechCache::removeOwnFiles()
{
    // Done whole even when the program is ending: the user asked for it.
    eachFile(m_dir, [](const QFileInfo &f) {
        const std::optional<QByteArray> head = wholefile::readHead(f.filePath(), kKindAt + 1);
        if (head && ours(*head)
            && (!head->startsWith(QByteArrayView(kMagic, sizeof kMagic)) || head->size() <= kKindAt
                || quint8(head->at(kKindAt)) != quint8(Kind::Fixed)))
            QFile::remove(f.filePath());
        return true;
    });
}

void SpeechCache::pruneDisk(qint64 maxBytes)
{
    m_diskLimit = maxBytes;
    m_writtenSince = 0;
    if (!m_dir.isEmpty())
        m_disk.start([this, maxBytes] { cutBack(maxBytes); });
}

void SpeechCache::cutBack(qint64 maxBytes)
{
    struct File
    {
        QString path;
        qint64 size;
        qint64 used;
    };
    std::vector<File> files;
    qint64 total = 0;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    eachFile(m_dir, [&](const QFileInfo &f) {
        const std::optional<QByteArray> head = wholefile::readHead(f.filePath(), sizeof kMagic);
        if (!head || !ours(*head))
            return !m_closing;
        if (f.permissions() & kOthers)
            QFile::setPermissions(f.filePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const qint64 used = f.lastModified().toMSecsSinceEpoch();
        if (f.fileName().endsWith(QLatin1String(".tmp"))) {
            if (now - used > kStaleTempMs)
                QFile::remove(f.filePath());
        } else {
            files.push_back({f.filePath(), f.size(), used});
            total += f.size();
        }
        return !m_closing;
    });
    if (total <= maxBytes || m_closing)
        return;
    std::sort(files.begin(), files.end(), [](const File &a, const File &b) { return a.used < b.used; });
    for (const File &f : files) {
        if (total <= maxBytes || m_closing)
            break;
        if (QFile::remove(f.path))
            total -= f.size;
    }
}
