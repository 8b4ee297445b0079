// The call for help: from the moment a held switch reaches the hold time to
// the moment the chime's first samples are handed to the sound server, on
// the program's own path: the threshold timer of the window's thread
// (input::CallRules, a precise timer as input::Call arms it), the chime
// handed to the sound thread as SpeechControl::playChime does and mixed
// into the output there (AudioOut::playTone, which writes at once when the
// server has room). The chime's samples are made once when the output
// opens, as the speaker makes them; that making is timed apart. Real PulseAudio output (run
// ". scripts/services" first); a silent stream keeps the null sink awake as
// a desktop's sounds keep a card awake (bench/keepawake.h).
// Usage: call_bench [runs (100)]
#include "bench/keepawake.h"
#include "input/callrules.h"
#include "speech/audioout.h"
#include "speech/pcm.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QAudioFormat monoFormat()
{
    QAudioFormat f;
    f.setSampleRate(48000);
    f.setChannelCount(1);
    f.setSampleFormat(QAudioFormat::Int16);
    return f;
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    bench::KeepAwake awake;

    QThread soundThread;
    soundThread.start();
    const QAudioFormat format = monoFormat();
    AudioOut *out = nullptr;
    bool opened = false;
    Samples chime;
    double makingMs = 0;
    auto *holder = new QObject;
    holder->moveToThread(&soundThread);
    QMetaObject::invokeMethod(
        holder,
        [&] {
            out = new AudioOut(QMediaDevices::defaultAudioOutput(), format);
            opened = out->open();
            const qint64 begin = AudioOut::now();
            chime = pcm::chime(format.sampleRate());
            makingMs = double(AudioOut::now() - begin) / 1e6;
        },
        Qt::BlockingQueuedConnection);
    if (!opened) {
        std::fprintf(stderr, "call_bench: no sound device (run \". scripts/services\" first)\n");
        soundThread.quit();
        soundThread.wait();
        return 1;
    }
    constexpr int kHoldMs = 300; // the threshold's own length does not matter; kept short
    std::vector<double> toFirst;
    for (int run = 0; run < runs; ++run) {
        input::CallRules rules;
        rules.setHold(kHoldMs);
        const qint64 pressedNs = AudioOut::now();
        rules.pressed(1, true, pressedNs / 1'000'000);
        const qint64 thresholdNs = pressedNs + qint64(kHoldMs) * 1'000'000;
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
            if (!rules.reached(AudioOut::now() / 1'000'000))
                return timer.start(1);
            QMetaObject::invokeMethod(holder, [&] {
                out->playTone(chime);
                const qint64 written = AudioOut::now();
                QMetaObject::invokeMethod(&loop, [&, written] {
                    toFirst.push_back(double(written - thresholdNs) / 1e6);
                    loop.quit();
                });
            });
        });
        timer.start(int(std::max<qint64>(0, (*rules.due() * 1'000'000 - AudioOut::now()) / 1'000'000)));
        loop.exec();
        QThread::msleep(1600); // the chime (about 1.5 s) has played out
    }
    std::printf("call_bench: %d runs, threshold → first chime sample handed to the sound server\n", runs);
    std::printf("  median %.1f ms, 90th percentile %.1f ms, worst %.1f ms\n", percentile(toFirst, 0.5),
                percentile(toFirst, 0.9), percentile(toFirst, 1.0));
    std::printf("  the chime's samples made once when the output opened: %.1f ms\n", makingMs);
    QMetaObject::invokeMethod(holder, [&] { delete out; }, Qt::BlockingQueuedConnection);
    soundThread.quit();
    soundThread.wait();
    delete holder;
    return 0;
}
