#pragma once
#include "speech/pcm.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QObject>
#include <QTimer>
#include <deque>

class QAudioSink;
class QIODevice;

// The program's sound output, open in push mode for the whole session with
// a short buffer (the server grants about 45 ms). Speech is queued here and
// handed to the sound server only as fast as the server takes it, so the
// server never holds more than that one buffer.
//
// Two QAudioSink streams take turns. clear() drops the queue, moves on to
// the other, idle stream, and resets the one that was playing, which throws
// away what the server still holds of it: silence at once, and the next
// speech is handed over at once into an empty buffer. Because the other
// stream stays connected meanwhile, the sink never goes without a stream
// (a sink left without one may render far ahead before it takes a new one:
// PulseAudio's null sink, up to two seconds). The warning tone is mixed over
// whatever plays and survives clear().
class AudioOut : public QObject
{
    Q_OBJECT

public:
    AudioOut(QAudioDevice device, QAudioFormat format, QObject *parent = nullptr);
    ~AudioOut() override;

    // Opens the sink; false when there is no usable sound device.
    bool open();
    bool isOpen() const { return m_io != nullptr; }
    // The sink's buffer as the server granted it: what can still sound
    // after the last write.
    int bufferMs() const;

    // Queues samples behind what is queued; sounding(tag) follows when
    // their first sound is handed to the server. More samples of the same
    // block may follow through extend() until it is closed; nothing queued
    // behind it is heard before that.
    void play(const Samples &samples, quint64 tag, bool more = false);
    void extend(quint64 tag, const Samples &samples, bool last);
    void clear();
    void playTone(const Samples &samples);
    // True when nothing is queued.
    bool idle() const { return m_blocks.empty() && m_tonePos >= m_tone.size(); }
    // When the last sound handed to the server ends (now()).
    qint64 soundEndsAt() const { return m_endsAt; }
    // How much audio is queued here, not yet handed to the server.
    int waitingMs() const;
    // roomAhead() follows once less than `ms` of audio waits. False when
    // nothing is played (no sound): then nothing should wait for it.
    bool tellWhenBelow(int ms);

    // A monotonic clock in nanoseconds, shared with the measurements.
    static qint64 now();

signals:
    // The first sample louder than silence of a block has been written to
    // the server at the given time (now()); for a silent block, its last.
    void sounding(quint64 tag, qint64 at);
    // The queue has run dry: everything is with the sound server, whose
    // last sound ends at `endsAt` (now()).
    void drained(qint64 endsAt);
    // Less audio waits than tellWhenBelow() asked for (or the output has
    // stopped for good).
    void roomAhead();

private:
    struct Block
    {
        Samples samples;
        qsizetype pos = 0;
        qsizetype sound = 0;
        quint64 tag = 0;
        bool told = false;
        bool open = false; // more samples to come
    };
    struct Stream
    {
        QAudioSink *sink = nullptr;
        QIODevice *io = nullptr;
        qint64 lastWrite = 0;
    };
    void feed();
    void write(const QList<qint16> &mono);
    bool start(Stream &stream);
    Stream &active() { return m_streams[m_active]; }

    QAudioDevice m_device;
    QAudioFormat m_format;
    Stream m_streams[2];
    int m_active = 0;
    QIODevice *m_io = nullptr; // the active stream's device; null when there is no sound
    QTimer m_timer;
    std::deque<Block> m_blocks;
    Samples m_tone;
    qsizetype m_tonePos = 0;
    qint64 m_endsAt = 0;
    int m_tellBelowMs = 0; // 0: nobody waits for room
};
