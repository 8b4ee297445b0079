#include "speech/audioout.h"

#include <QAudioSink>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

// The buffer asked of the server. Pulse answers with somewhat less (about
// 45 ms), the rest being the device's own latency.
constexpr int kBufferMs = 60;
// How often the queue is topped up while there is something to play.
// While the server's buffer is full this is also how soon new speech can
// follow a stop.
constexpr int kFeedMs = 4;

} // namespace

AudioOut::AudioOut(QAudioDevice device, QAudioFormat format, QObject *parent)
    : QObject(parent), m_device(std::move(device)), m_format(format)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kFeedMs);
    connect(&m_timer, &QTimer::timeout, this, &AudioOut::feed);
}

AudioOut::~AudioOut()
{
    for (Stream &s : m_streams)
        if (s.sink)
            s.sink->stop();
}

qint64 AudioOut::now()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.nsecsElapsed();
}

bool AudioOut::open()
{
    if (m_device.isNull())
        return false;
    for (Stream &s : m_streams) {
        s.sink = new QAudioSink(m_device, m_format, this);
        if (!start(s))
            return false;
    }
    m_io = active().io;
    return true;
}

int AudioOut::bufferMs() const
{
    const QAudioSink *sink = m_streams[m_active].sink;
    return sink ? int(m_format.durationForBytes(qint32(sink->bufferSize())) / 1000) : 0;
}

bool AudioOut::start(Stream &stream)
{
    if (stream.io)
        stream.sink->reset();
    // Asked at every start: the sink otherwise keeps the size the server
    // granted last, which is smaller, and would shrink with every restart.
    stream.sink->setBufferSize(m_format.bytesForDuration(kBufferMs * 1000));
    stream.io = stream.sink->start();
    stream.lastWrite = 0;
    if (stream.io && stream.sink->error() == QAudio::NoError)
        return true;
    stream.io = nullptr;
    return false;
}

void AudioOut::play(const Samples &samples, quint64 tag, bool more)
{
    if (!m_io)
        return;
    Block b;
    b.samples = samples;
    b.tag = tag;
    b.open = true;
    m_blocks.push_back(std::move(b));
    extend(tag, {}, !more);
}

void AudioOut::extend(quint64 tag, const Samples &samples, bool last)
{
    if (m_blocks.empty() || m_blocks.back().tag != tag || !m_blocks.back().open)
        return;
    Block &b = m_blocks.back();
    b.samples += samples;
    b.open = !last;
    // Where its first sound is: a block that is complete and silent tells
    // at its last sample.
    if (!b.told) {
        b.sound = pcm::firstSound(b.samples);
        if (b.sound >= b.samples.size() && !b.open)
            b.sound = std::max<qsizetype>(b.samples.size() - 1, 0);
    }
    feed();
}

void AudioOut::playTone(const Samples &samples)
{
    if (!m_io)
        return;
    m_tone = m_tone.mid(m_tonePos);
    m_tonePos = 0;
    if (m_tone.size() < samples.size())
        m_tone.resize(samples.size());
    pcm::mixInto(m_tone.data(), samples.size(), samples.constData());
    feed();
}

int AudioOut::waitingMs() const
{
    qint64 samples = 0;
    for (const Block &b : m_blocks)
        samples += b.samples.size() - b.pos;
    return int(samples * 1000 / m_format.sampleRate());
}

bool AudioOut::tellWhenBelow(int ms)
{
    if (!m_io)
        return false;
    m_tellBelowMs = ms;
    return true;
}

void AudioOut::clear()
{
    m_blocks.clear();
    m_tellBelowMs = 0;
    m_endsAt = 0; // silent at once
    if (!m_io)
        return;
    // What the server holds plays for at most one buffer after the last
    // write; only then is there anything to throw away.
    Stream &playing = active();
    if (playing.lastWrite == 0 || now() - playing.lastWrite > qint64(kBufferMs + 100) * 1'000'000)
        return;
    m_active = 1 - m_active;
    m_io = active().io;
    if (!start(playing) || !m_io) {
        std::fprintf(stderr, "mojipot: 音の出力が止まりました。音声なしで続けます\n");
        m_io = nullptr;
        return;
    }
    if (!idle())
        feed();
}

void AudioOut::feed()
{
    if (!m_io)
        return;
    QAudioSink *sink = active().sink;
    if (sink->state() == QAudio::StoppedState && sink->error() != QAudio::NoError && !start(active())) {
        // The sound server went away during the session.
        m_io = nullptr;
        std::fprintf(stderr, "mojipot: 音の出力が止まりました。音声なしで続けます\n");
        m_blocks.clear();
        m_timer.stop();
        emit drained(now());
        if (std::exchange(m_tellBelowMs, 0))
            emit roomAhead();
        return;
    }
    const int frameBytes = m_format.bytesPerFrame();
    m_io = active().io;
    const qsizetype room = sink->bytesFree() / frameBytes;
    if (room <= 0) {
        m_timer.start();
        return;
    }
    QList<qint16> chunk;
    chunk.reserve(room);
    QList<quint64> started;
    while (chunk.size() < room && !m_blocks.empty()) {
        Block &b = m_blocks.front();
        const qsizetype n = std::min(room - chunk.size(), b.samples.size() - b.pos);
        if (!b.told && b.sound < b.pos + n) {
            b.told = true;
            started.append(b.tag);
        }
        chunk.append(b.samples.sliced(b.pos, n));
        b.pos += n;
        if (b.pos < b.samples.size() || b.open)
            break; // the server is full, or the rest is still being made
        if (!b.told)
            started.append(b.tag);
        m_blocks.pop_front();
    }
    if (m_tellBelowMs > 0 && waitingMs() < m_tellBelowMs) {
        m_tellBelowMs = 0;
        emit roomAhead(); // the receiver hands more later, not inside this feed
    }
    const qsizetype toneLeft = m_tone.size() - m_tonePos;
    if (toneLeft > 0) {
        const qsizetype n = std::min(room, toneLeft);
        if (chunk.size() < n)
            chunk.resize(n);
        pcm::mixInto(chunk.data(), n, m_tone.constData() + m_tonePos);
        m_tonePos += n;
    }
    if (chunk.isEmpty()) {
        m_timer.stop();
        return;
    }
    // When the queue runs dry, fill the rest of the buffer with silence:
    // the server starts a stream only once its buffer is full enough, and
    // the last words must leave it.
    const qsizetype heard = chunk.size();
    if (idle())
        chunk.resize(room);
    const qint64 queuedBefore = qint64(sink->bufferSize() - sink->bytesFree()) / frameBytes;
    write(chunk);
    const qint64 at = now();
    for (quint64 tag : started)
        emit sounding(tag, at);
    if (idle()) {
        m_timer.stop();
        // What the server held before this write plays first, then the
        // last real samples; the silence after them does not count.
        const qint64 frames = queuedBefore + heard;
        m_endsAt = at + frames * 1'000'000'000 / m_format.sampleRate();
        emit drained(m_endsAt);
    }
    else if (!m_timer.isActive())
        m_timer.start();
}

void AudioOut::write(const QList<qint16> &mono)
{
    const int channels = m_format.channelCount();
    QByteArray bytes;
    if (m_format.sampleFormat() == QAudioFormat::Float) {
        QList<float> out(mono.size() * channels);
        for (qsizetype i = 0; i < mono.size(); ++i)
            std::fill_n(out.begin() + i * channels, channels, float(mono[i]) / 32768.0f);
        bytes = QByteArray(reinterpret_cast<const char *>(out.constData()), out.size() * qsizetype(sizeof(float)));
    } else {
        QList<qint16> out(mono.size() * channels);
        for (qsizetype i = 0; i < mono.size(); ++i)
            std::fill_n(out.begin() + i * channels, channels, mono[i]);
        bytes = QByteArray(reinterpret_cast<const char *>(out.constData()), out.size() * qsizetype(sizeof(qint16)));
    }
    m_io->write(bytes);
    active().lastWrite = now();
}
