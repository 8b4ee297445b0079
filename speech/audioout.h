#pragma once
#include "speech/pcm.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QObject>
#include <QTimer>
#include <deque>

class QAudioSink;
class QIODevice;

// The program's one sound output: a QAudioSink kept open in push mode for
// the whole session with a short buffer (about 45 ms). Speech is queued here
// and handed to the sound server only as fast as the server takes it, so
// that clear() silences it at once: the queue is dropped and the sink's
// stream is reset, which throws away the little the server still holds.
// The warning tone is mixed over whatever plays and survives clear().
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
    // their first sound is handed to the server.
    void play(const Samples &samples, quint64 tag);
    void clear();
    void playTone(const Samples &samples);
    // True when nothing is queued.
    bool idle() const { return m_blocks.empty() && m_tonePos >= m_tone.size(); }

    // A monotonic clock in nanoseconds, shared with the measurements.
    static qint64 now();

signals:
    // The first sample louder than silence of a block has been written to
    // the server at the given time (now()); for a silent block, its last.
    void sounding(quint64 tag, qint64 at);

private:
    struct Block
    {
        Samples samples;
        qsizetype pos = 0;
        qsizetype sound = 0;
        quint64 tag = 0;
        bool told = false;
    };
    void feed();
    qint64 write(const QList<qint16> &mono);
    bool restart();

    QAudioDevice m_device;
    QAudioFormat m_format;
    QAudioSink *m_sink = nullptr;
    QIODevice *m_io = nullptr;
    QTimer m_timer;
    std::deque<Block> m_blocks;
    Samples m_tone;
    qsizetype m_tonePos = 0;
    qint64 m_lastWrite = 0;
};
