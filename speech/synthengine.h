#pragma once
#include "speech/pcm.h"
#include "speech/voicecatalog.h"

#include <QObject>

// One speech engine as the speaker drives it: pieces of text go in, trimmed
// audio at the session's rate comes out, asynchronously, so the thread that
// drives it never waits for synthesis.
class SynthEngine : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // How many pieces the engine makes at the same time.
    virtual int capacity() const = 0;
    // How many pieces made ahead may be given at the same time: more than
    // capacity() when a piece spends part of its time waiting for something
    // other than the engine's workers, which can meanwhile make another.
    virtual int aheadCapacity() const { return capacity(); }
    // Starts making one piece; finished(job, ...) follows unless cancelled.
    virtual void start(quint64 job, const voicecatalog::Voice &voice, int speed, const QString &text) = 0;
    // The same for a piece made ahead (the warm-up): it may wait for any
    // piece started with start().
    virtual void startInBackground(quint64 job, const voicecatalog::Voice &voice, int speed, const QString &text)
    {
        start(job, voice, speed, text);
    }
    // Ends the making of a piece at once; no finished() follows for it.
    virtual void cancel(quint64 job) = 0;
    // Gets ready for texts in this voice, so the next one starts sooner.
    virtual void prepare(const voicecatalog::Voice &voice, int speed)
    {
        Q_UNUSED(voice);
        Q_UNUSED(speed);
    }

signals:
    // The next samples of a piece still being made, from an engine that
    // hands its audio out as it makes it; finished() still follows with the
    // whole piece, which begins with everything partial() gave.
    void partial(quint64 job, const Samples &samples);
    // The voice of the piece with the silence round it cut to a short lead
    // and tail; empty when the text had nothing the engine could say.
    void finished(quint64 job, const Samples &samples);
};
