#pragma once
#include "speech/pcm.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QThreadPool>
#include <list>
#include <optional>

// Synthesised audio kept by voice, rate of speech and text: in memory up to
// a bound (the least recently used goes first), and as files in a folder
// under the user's cache folder, so that a second start is warm from the
// first key. Used from one thread only; the files are written on a thread
// of their own, so that the speech never waits for the disk.
class SpeechCache
{
public:
    // diskDir empty: memory only.
    explicit SpeechCache(QString diskDir, qint64 memoryBytes = 16 * 1024 * 1024);
    ~SpeechCache();

    // voiceId names the voice exactly (engine, voice file, variant), so that
    // a change of the installed voices never plays stale audio.
    static QByteArray key(const QString &voiceId, int speed, int rate, const QString &text);
    // The folder under the user's cache folder (XDG_CACHE_HOME or ~/.cache).
    static QString defaultDiskDir();

    std::optional<Samples> find(const QByteArray &key);
    bool contains(const QByteArray &key) const;
    void insert(const QByteArray &key, const Samples &samples);

    // Deletes the oldest files until the folder holds at most maxBytes.
    void pruneDisk(qint64 maxBytes);
    // Waits until every file inserted so far is on the disk (or given up).
    void waitForDisk();

    qint64 memoryBytes() const { return m_bytes; }
    const QString &diskDir() const { return m_dir; }

private:
    QString fileFor(const QByteArray &key) const;
    void remember(const QByteArray &key, const Samples &samples);

    QString m_dir;
    QThreadPool m_writer; // one thread: the files are written in order
    qint64 m_limit;
    qint64 m_bytes = 0;
    std::list<QByteArray> m_order; // most recently used first
    struct Entry
    {
        Samples samples;
        std::list<QByteArray>::iterator place;
    };
    QHash<QByteArray, Entry> m_entries;
};
