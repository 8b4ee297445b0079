#include "speech/speaker.h"

#include "speech/audioout.h"
#include "speech/espeakengine.h"
#include "speech/htsengine.h"
#include "speech/openjtalkengine.h"
#include "speech/sentences.h"
#include "speech/speechcache.h"

#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kWarmSpeed = 100;
// How much audio may wait for the output before the next piece is taken
// from the cache or made: a long text read aloud keeps only this much of
// its audio ahead of what is heard.
constexpr int kAheadMs = 4000;
// How many of the warm-up's texts are looked for in the cache at one go.
constexpr int kLookedATurn = 4;
// The cut-back waits this long for a warm-up to be given.
constexpr int kNoWarmUpMs = 10000;

} // namespace

Speaker::Speaker(Config config) : m_config(std::move(config)), m_rate(m_config.format.sampleRate())
{
}

Speaker::~Speaker() = default;

bool Speaker::init()
{
    m_cache = std::make_unique<SpeechCache>(m_config.cacheDir);
    // A program that gives no warm-up has the cache cut back all the same.
    QTimer::singleShot(kNoWarmUpMs, this, [this] {
        m_warmGiven = true;
        cutBackWhenSettled();
    });
    for (const voicecatalog::Voice &v : std::as_const(m_config.voices)) {
        if (v.engine == voicecatalog::Engine::OpenJTalk && !m_openJTalk)
            m_openJTalk = m_config.openJTalkInProgram
                              ? static_cast<SynthEngine *>(new HtsEngine(m_config.openJTalk, m_rate, this))
                              : new OpenJTalkEngine(m_config.openJTalk, m_rate, this);
        if (v.engine == voicecatalog::Engine::ESpeak && !m_espeak)
            m_espeak = new ESpeakEngine(m_rate, this);
    }
    for (SynthEngine *e : {m_openJTalk, m_espeak}) {
        if (!e)
            continue;
        connect(e, &SynthEngine::finished, this, &Speaker::finished);
        connect(e, &SynthEngine::partial, this, &Speaker::partial);
    }
    m_out = new AudioOut(m_config.device, m_config.format, this);
    connect(m_out, &AudioOut::sounding, this, &Speaker::onSounding);
    connect(m_out, &AudioOut::drained, this, &Speaker::checkQuiet);
    // Later, not inside the output's own feeding.
    connect(m_out, &AudioOut::roomAhead, this, &Speaker::schedule, Qt::QueuedConnection);
    m_sound = m_out->open();
    if (m_sound)
        m_chime = pcm::chime(m_rate); // made once: a call's first chime is not kept waiting for it
    if (!m_sound)
        std::fprintf(stderr, "mojipot: 音を出す装置がありません。音声なしで動きます\n");
    return m_sound;
}

int Speaker::bufferMs() const
{
    return m_out ? m_out->bufferMs() : 0;
}

void Speaker::shutdown()
{
    stop();
    m_warm.clear();
    for (auto it = m_jobs.cbegin(); it != m_jobs.cend(); ++it)
        it->engine->cancel(it.key());
    m_jobs.clear();
    delete m_openJTalk;
    delete m_espeak;
    delete m_out;
    m_openJTalk = m_espeak = nullptr;
    m_out = nullptr;
}

SynthEngine *Speaker::engineFor(int mode) const
{
    return voice(mode).engine == voicecatalog::Engine::OpenJTalk ? m_openJTalk : m_espeak;
}

QByteArray Speaker::keyOf(int mode, int speed, const QString &text) const
{
    return SpeechCache::key(voice(mode).id, speed, m_rate, text);
}

void Speaker::speak(quint64 id, int mode, int speed, const QString &text)
{
    m_lastReceived = id;
    if (!m_sound)
        return checkQuiet(AudioOut::now());
    Utterance u;
    u.id = id;
    u.mode = mode;
    u.speed = speed;
    // Each piece's audio is looked for in the cache when its turn comes.
    for (const QString &piece : sentences::split(text)) {
        Piece p;
        p.text = piece;
        p.key = keyOf(mode, speed, piece);
        u.pieces.append(p);
    }
    if (u.pieces.isEmpty())
        return checkQuiet(AudioOut::now());
    m_queue.push_back(u);
    schedule();
    engineFor(mode)->prepare(voice(mode), speed);
}

void Speaker::prepare(int mode, int speed)
{
    if (m_sound)
        engineFor(mode)->prepare(voice(mode), speed);
}

void Speaker::stop()
{
    for (auto it = m_jobs.begin(); it != m_jobs.end();) {
        if (it->warm) {
            ++it;
            continue;
        }
        it->engine->cancel(it.key());
        m_making.remove(it->key);
        it = m_jobs.erase(it);
    }
    m_queue.clear();
    m_handed.clear();
    if (m_out)
        m_out->clear();
    emit silenced(AudioOut::now());
    schedule();
    checkQuiet(AudioOut::now());
}

void Speaker::warmUp(const QList<warmup::Item> &items, const QStringList &fixed)
{
    for (const QString &text : fixed)
        for (const QString &piece : sentences::split(text))
            m_fixed.insert(piece);
    m_warmGiven = true;
    if (!m_sound)
        return cutBackWhenSettled();
    m_warmTelling = true;
    for (const warmup::Item &item : items)
        for (const QString &piece : sentences::split(item.text))
            m_warm.append({item.mode, piece});
    schedule();
}

void Speaker::forgetOwnTexts()
{
    ++m_generation; // what is being made now is not kept when it is the user's
    m_cache->forgetOwn();
}

void Speaker::tone()
{
    if (m_out)
        m_out->playTone(pcm::tone(m_rate));
}

void Speaker::chime()
{
    if (m_out)
        m_out->playTone(m_chime);
}

void Speaker::schedule()
{
    handReadyPieces();
    startWaitingPieces();
    startWarmPieces();
    checkQuiet(AudioOut::now()); // all handed over and nothing left to sound (or no sound at all)
}

void Speaker::handReadyPieces()
{
    while (!m_queue.empty()) {
        Utterance &u = m_queue.front();
        while (u.next < u.pieces.size()) {
            Piece &p = u.pieces[u.next];
            if (p.state == Piece::Making) {
                // Heard while the rest is made.
                if (p.audio.size() > p.sent)
                    send(u, p, false);
                return;
            }
            if (p.state == Piece::Waiting)
                return;
            if (p.state == Piece::Ready)
                send(u, p, true);
            p.audio = {};
            ++u.next;
        }
        m_queue.pop_front();
    }
}

void Speaker::send(const Utterance &u, Piece &p, bool complete)
{
    const Samples more = p.audio.mid(p.sent);
    p.sent = p.audio.size();
    if (!p.tag) {
        p.tag = ++m_lastTag;
        m_handed.insert(p.tag, {u.id, u.mode, p.text, p.audio, complete});
        m_out->play(more, p.tag, !complete);
        return;
    }
    if (const auto it = m_handed.find(p.tag); it != m_handed.end()) {
        it->samples = p.audio;
        it->complete = complete;
        if (complete && it->sounded) {
            const Handed h = *it;
            m_handed.erase(it);
            emit completed(h.utterance, h.mode, h.text, h.samples);
        }
    }
    m_out->extend(p.tag, more, complete);
}

void Speaker::startWaitingPieces()
{
    // The next piece is taken from the cache (the warm-up may have made it
    // meanwhile) and handed over, piece after piece, while the audio waiting
    // for the output is within a few seconds; a piece the cache lacks is
    // made. Only one is made at a time: a second job at the same time would
    // slow it down, and the rest is made while it plays.
    while (!m_queue.empty()) {
        Utterance &u = m_queue.front();
        Piece &p = u.pieces[u.next];
        if (p.state != Piece::Waiting || m_making.contains(p.key) || !roomAhead())
            return; // being made already (perhaps by the warm-up), or enough is ahead
        if (auto audio = m_cache->find(p.key)) {
            p.audio = *audio;
            p.state = Piece::Ready;
            handReadyPieces();
            continue;
        }
        SynthEngine *engine = engineFor(u.mode);
        while (!freeSlot(engine, engine->capacity()))
            if (!pushAsideWarmJob(engine))
                return;
        startJob(u.mode, u.speed, p.text, p.key, false);
        p.state = Piece::Making;
        return;
    }
}

bool Speaker::roomAhead()
{
    // The output says when it has played enough of what waits.
    return m_out->waitingMs() < kAheadMs || !m_out->tellWhenBelow(kAheadMs);
}

void Speaker::startWarmPieces()
{
    // The warm-up waits while anything that is to be spoken is not ready.
    if (!m_queue.empty())
        return;
    int looked = 0;
    while (!m_warm.isEmpty()) {
        const warmup::Item item = m_warm.first();
        const QByteArray key = keyOf(item.mode, kWarmSpeed, item.text);
        if (m_making.contains(key)) {
            m_warm.removeFirst();
            continue;
        }
        // Each file found is read and checked: a few at a time, so that
        // what is to be heard never waits behind all of them.
        if (++looked > kLookedATurn) {
            if (!m_warmTurnDue) {
                m_warmTurnDue = true;
                QTimer::singleShot(0, this, [this] {
                    m_warmTurnDue = false;
                    schedule();
                });
            }
            return;
        }
        if (m_cache->contains(key)) {
            m_warm.removeFirst();
            continue;
        }
        SynthEngine *engine = engineFor(item.mode);
        if (!freeSlot(engine, engine->aheadCapacity()))
            return;
        m_warm.removeFirst();
        const quint64 job = startJob(item.mode, kWarmSpeed, item.text, key, true);
        m_jobs[job].item = item;
    }
    // Everything given is in the cache, found there or made.
    if (m_warmTelling && std::none_of(m_jobs.cbegin(), m_jobs.cend(), [](const Job &j) { return j.warm; })) {
        m_warmTelling = false;
        emit warmedUp(AudioOut::now());
    }
}

bool Speaker::freeSlot(SynthEngine *engine, int capacity)
{
    int busy = 0;
    for (const Job &j : std::as_const(m_jobs))
        busy += j.engine == engine;
    return busy < capacity;
}

bool Speaker::pushAsideWarmJob(SynthEngine *engine)
{
    // The oldest is the one most likely holding a worker.
    auto oldest = m_jobs.end();
    for (auto it = m_jobs.begin(); it != m_jobs.end(); ++it)
        if (it->warm && it->engine == engine && (oldest == m_jobs.end() || it.key() < oldest.key()))
            oldest = it;
    if (oldest == m_jobs.end())
        return false;
    engine->cancel(oldest.key());
    m_making.remove(oldest->key);
    m_warm.prepend(oldest->item);
    m_jobs.erase(oldest);
    return true;
}

quint64 Speaker::startJob(int mode, int speed, const QString &text, const QByteArray &key, bool warm)
{
    const quint64 job = ++m_lastJob;
    SynthEngine *engine = engineFor(mode);
    m_jobs.insert(job, Job{engine, key, text, m_generation, warm, {}, {}});
    m_making.insert(key, job);
    if (warm)
        engine->startInBackground(job, voice(mode), speed, text);
    else
        engine->start(job, voice(mode), speed, text);
    return job;
}

void Speaker::finished(quint64 job, const Samples &samples)
{
    const auto it = m_jobs.constFind(job);
    if (it == m_jobs.cend())
        return;
    const QByteArray key = it->key;
    const SpeechCache::Kind kind = m_fixed.contains(it->text) ? SpeechCache::Kind::Fixed : SpeechCache::Kind::Own;
    // The user's own text begun before they asked to forget is not kept.
    const bool keep = kind == SpeechCache::Kind::Fixed || it->generation == m_generation;
    m_jobs.erase(it);
    m_making.remove(key);
    // Only the piece being made takes the audio; a later piece of the same
    // text finds it in the cache when its turn comes (holding it from now
    // on would keep every piece made of a long text with repeats).
    if (Piece *p = pieceMaking(key)) {
        // A piece already partly heard keeps what it has when the engine
        // ends with nothing more.
        if (!samples.isEmpty() || p->sent == 0)
            p->audio = samples;
        p->state = p->audio.isEmpty() ? Piece::Empty : Piece::Ready;
    }
    handReadyPieces(); // heard first, stored after
    if (m_out && m_out->idle()) // the rest of the utterance made nothing to hear
        checkQuiet(AudioOut::now());
    if (!samples.isEmpty() && keep)
        m_cache->insert(key, samples, kind);
    schedule();
}

void Speaker::partial(quint64 job, const Samples &samples)
{
    // Only a piece made because it is to be heard now is heard while it is
    // made; the warm-up's pieces are heard once complete.
    const auto it = m_jobs.find(job);
    if (it == m_jobs.end() || it->warm)
        return;
    it->made += samples;
    if (Piece *p = pieceMaking(it->key))
        p->audio = it->made;
    handReadyPieces();
}

Speaker::Piece *Speaker::pieceMaking(const QByteArray &key)
{
    // Only the first piece still to come is ever made to be heard.
    if (m_queue.empty())
        return nullptr;
    Utterance &u = m_queue.front();
    Piece &p = u.pieces[u.next];
    return p.key == key && p.state == Piece::Making ? &p : nullptr;
}

void Speaker::checkQuiet(qint64 endsAt)
{
    cutBackWhenSettled();
    if (m_toldQuiet == m_lastReceived || !m_queue.empty() || (m_out && !m_out->idle()))
        return;
    m_toldQuiet = m_lastReceived;
    emit quiet(m_lastReceived, std::max(endsAt, m_out ? m_out->soundEndsAt() : endsAt));
}

void Speaker::cutBackWhenSettled()
{
    // Once the greeting has been handed over and the warm-up has found or
    // made what it was given (which marks it used), on the cache's disk
    // thread: nothing that is to be heard waits for it.
    if (m_cutBack || !m_warmGiven || m_lastReceived == 0 || !m_queue.empty() || !m_warm.isEmpty()
        || std::any_of(m_jobs.cbegin(), m_jobs.cend(), [](const Job &j) { return j.warm; }))
        return;
    m_cutBack = true;
    m_cache->pruneDisk(m_config.cacheBytes);
}

void Speaker::onSounding(quint64 tag, qint64 at)
{
    const auto it = m_handed.find(tag);
    if (it == m_handed.end())
        return;
    const Handed h = *it;
    if (h.complete)
        m_handed.erase(it);
    else
        it->sounded = true;
    emit sounding(h.utterance, h.mode, h.text, h.samples, at);
    if (h.complete)
        emit completed(h.utterance, h.mode, h.text, h.samples);
}
