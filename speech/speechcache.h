#pragma once
#include "speech/pcm.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <list>
#include <optional>

// Synthesised audio kept by voice, rate of speech and text: in memory up to
// a bound (the least recently used goes first), and as files in a folder
// under the user's cache folder, so that a second start is warm from the
// first key. Used from one thread only; everything that goes through the
// folder as a whole (writing, cutting back, forgetting) is done on a disk
// thread of its own, in the order asked, so that the speech never waits for
// the disk.
//
// The folder and its files are the user's alone (made and mended so), never
// used through a link. Each file begins with a header: a mark, whose words it
// holds (Kind), the number of samples, the entry's key and a checksum of all
// of it; a file that does not match its header is no audio, and is removed.
class SpeechCache
{
public:
    // Whose words an entry holds: what the program itself says (key names,
    // the scan's names, messages, built-in phrases) or the user's own (a text
    // read aloud, the row's completions, conversion candidates, anything else).
    enum class Kind : quint8 { Fixed = 0, Own = 1 };

    // diskDir empty: memory only. A folder that is a link, or anything else
    // that is not a folder, is not used either (memory only, said on the
    // standard error).
    explicit SpeechCache(QString diskDir, qint64 memoryBytes = 16 * 1024 * 1024);
    ~SpeechCache();

    // voiceId names the voice exactly (engine, voice file, variant), so that
    // a change of the installed voices never plays stale audio.
    static QByteArray key(const QString &voiceId, int speed, int rate, const QString &text);
    // The folder under the user's cache folder (XDG_CACHE_HOME or ~/.cache).
    static QString defaultDiskDir();

    // The entry's audio from memory or from its file; a file that is not a
    // plain file of at most kMaxFileBytes, or does not match its header, is
    // treated as absent (and a damaged one of ours removed on the disk thread).
    std::optional<Samples> find(const QByteArray &key);
    // Whether the entry is in memory, or its file is sound (checked as find
    // checks it, and not kept in memory). A file found counts as used: the
    // cut-back deletes it after older ones.
    bool contains(const QByteArray &key);
    void insert(const QByteArray &key, const Samples &samples, Kind kind = Kind::Own);

    // The user's own entries are forgotten: at once from memory, and their
    // files (and the files of earlier versions, whose kind is unknown) on
    // the disk thread, after every file inserted so far is written.
    void forgetOwn();
    // On the disk thread: deletes the least recently used of the program's
    // own files until they take at most maxBytes (files that are not the
    // program's are never deleted); the files' permissions are mended on the
    // way. Afterwards it is done again each time a quarter of maxBytes has
    // been written. Returns at once.
    void pruneDisk(qint64 maxBytes);
    // Waits until everything asked of the disk thread so far is done.
    void waitForDisk();

    qint64 memoryBytes() const { return m_bytes; }
    const QString &diskDir() const { return m_dir; }

    // What the folder is cut back to once a start has settled: far above
    // what the start's warm-up makes (about 10 MiB), so that none of that
    // is cut away.
    static constexpr qint64 kDiskBytes = 128LL * 1024 * 1024;
    // The largest file read, and written: an utterance piece at the slowest
    // rate of speech takes about 17 MiB.
    static constexpr qint64 kMaxFileBytes = 32 * 1024 * 1024;
    // The header's size and the place of its kind byte in it.
    static constexpr int kHeaderBytes = 44;
    static constexpr int kKindAt = 8;

private:
    struct Entry
    {
        Samples samples;
        Kind kind;
        std::list<QByteArray>::iterator place;
    };
    QString fileFor(const QByteArray &key) const;
    std::optional<QByteArray> readFile(const QByteArray &key);
    void remember(const QByteArray &key, const Samples &samples, Kind kind);
    void cutBack(qint64 maxBytes);
    void removeOwnFiles();
    bool forgotten(Kind kind) const;

    QString m_dir;
    QThreadPool m_disk; // one thread: what is asked of the folder is done in order
    std::atomic_bool m_closing{false};
    // Forgettings asked for and not yet done on the disk thread: meanwhile
    // a file of the user's own found in the folder is one to be forgotten.
    std::atomic_int m_forgetting{0};
    qint64 m_limit;
    qint64 m_bytes = 0;
    qint64 m_diskLimit = 0;      // what pruneDisk was last asked for; 0: not yet
    qint64 m_writtenSince = 0;   // bytes given to the disk thread since then
    std::list<QByteArray> m_order; // most recently used first
    QHash<QByteArray, Entry> m_entries;
};
