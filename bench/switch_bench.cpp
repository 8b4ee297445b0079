// Switch input's timing on the real window with the real speech control:
//  - a switch press → the selected key's operation started (the key's
//    pressed() signal, which runs just before its operation), quiet and
//    with the load running;
//  - the automatic scan's steps against their schedule: the end of the
//    highlighted place's announcement (when its last sound leaves the sound
//    server) plus the interval, with `load` busy processes on the cores;
//  - a press by resting the pointer against the set dwell time.
// Usage: switch_bench [runs (100)] [load (2)]. Start PulseAudio first.
#include "base/keybutton.h"
#include "app/mainform.h"
#include "base/profilefile.h"
#include "input/dwellinput.h"
#include "input/methods.h"
#include "input/switchinput.h"
#include "speech/audioout.h"
#include "speech/speechcontrol.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

double loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? f.readAll().split(' ').value(0).toDouble() : 0;
}

bool waitFor(const std::function<bool()> &done, int timeoutMs = 10000)
{
    const qint64 end = AudioOut::now() + qint64(timeoutMs) * 1'000'000;
    while (!done() && AudioOut::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

void print(const char *label, std::vector<double> v, const char *target)
{
    if (v.empty()) {
        std::printf("  %-58s no figures\n", label);
        return;
    }
    std::sort(v.begin(), v.end());
    const double median = v[v.size() / 2];
    const double p95 = v[std::min(v.size() - 1, v.size() * 95 / 100)];
    std::printf("  %-58s %8.3f ms %8.3f ms  (%zu runs)  %s\n", label, median, p95, v.size(), target);
}

// `n` processes that keep a core busy each, until destroyed.
struct Load
{
    std::vector<std::unique_ptr<QProcess>> busy;
    explicit Load(int n)
    {
        for (int i = 0; i < n; ++i) {
            busy.push_back(std::make_unique<QProcess>());
            busy.back()->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("while :; do :; done")});
            busy.back()->waitForStarted();
        }
    }
    ~Load()
    {
        for (auto &p : busy) {
            p->kill();
            p->waitForFinished();
        }
    }
};

struct Bench
{
    TMain_form &form;
    SpeechControl &speech;
    input::ScanPlace shown;
    int shownCount = 0;

    void key(Qt::Key k)
    {
        QTest::keyPress(form.windowHandle(), k);
        QTest::keyRelease(form.windowHandle(), k);
    }
    bool waitShown(input::ScanPlace::Level level, int group, int tag = input::kBack)
    {
        return waitFor([&] { return shown.level == level && shown.group == group && (tag < 0 || shown.tag == tag); });
    }

    // Two switches: to あ, then the timed press of the select switch.
    std::vector<double> presses(int runs)
    {
        std::vector<double> out;
        qint64 operationAt = 0;
        KeyButton *a = form.key(1);
        const auto c = QObject::connect(a, &QPushButton::pressed, [&] { operationAt = AudioOut::now(); });
        for (int i = 0; i < runs; ++i) {
            if (!waitShown(input::ScanPlace::Group, 0))
                break;
            key(Qt::Key_Space);
            key(Qt::Key_Return);
            if (!waitShown(input::ScanPlace::Key, 1, 1))
                break;
            operationAt = 0;
            const qint64 t0 = AudioOut::now();
            QTest::keyPress(form.windowHandle(), Qt::Key_Return);
            if (operationAt)
                out.push_back(double(operationAt - t0) / 1e6);
            QTest::keyRelease(form.windowHandle(), Qt::Key_Return);
            if (i % 40 == 39)
                form.clearAll(); // the text stays short
        }
        QObject::disconnect(c);
        return out;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(5, atoi(argv[1])) : 100;
    const int loadProcesses = argc > 2 ? std::max(0, atoi(argv[2])) : 2;
    QFile::remove(ProfileFile::pathForProgram(QCoreApplication::applicationFilePath()));
    const ProfileFile ini(ProfileFile::pathForProgram(QCoreApplication::applicationFilePath()));
    ini.write(input::schema::kMethod, 4);

    auto *speech = new SpeechControl(SpeechControl::defaultOptions());
    if (!speech->hasSound()) {
        std::printf("no sound device: start PulseAudio first (. scripts/services)\n");
        return 1;
    }
    TMain_form form(speech);
    Bench bench{form, *speech, {}, 0};
    QObject::connect(&form.methods().switches(), &input::SwitchInput::placeShown, [&](const input::ScanPlace &p, qint64) {
        bench.shown = p;
        ++bench.shownCount;
    });
    input::SwitchSettings s;
    s.style = input::SwitchStyle::TwoSwitches;
    s.ignore = 0;
    form.applySwitchSettings(s);
    form.showCentred();
    std::printf("switch bench: %d runs, load average %.2f, %d cores, sound buffer %d ms\n", runs, loadAverage(),
                QThread::idealThreadCount(), speech->bufferMs());
    std::printf("  %-58s %11s %11s\n", "", "median", "p95");

    print("switch press → operation started, quiet", bench.presses(runs), "target ≤ 16 ms");
    {
        Load load(loadProcesses);
        print("switch press → operation started, under load", bench.presses(runs / 2), "target ≤ 16 ms");

        // The automatic scan: every step against the end of the last
        // announcement plus the interval. Loops enough not to pause.
        s.style = input::SwitchStyle::OneSwitch;
        s.interval = 300;
        s.firstWait = 0;
        s.loops = 10;
        form.applySwitchSettings(s);
        std::vector<double> late, timerLate;
        const auto c = QObject::connect(&form.methods().switches(), &input::SwitchInput::placeShown,
                                        [&](const input::ScanPlace &, qint64 due) {
                                            if (due < 0)
                                                return;
                                            const qint64 now = AudioOut::now();
                                            late.push_back(double(now - (speech->endedAt() + s.interval * 1'000'000LL)) / 1e6);
                                            timerLate.push_back(double(now - due) / 1e6);
                                        });
        waitFor([&] { return int(late.size()) >= std::min(runs, 130); }, runs * 3000);
        QObject::disconnect(c);
        std::printf("  load average now %.2f with %d busy processes\n", loadAverage(), loadProcesses);
        print("scan step − (announcement end + interval), under load", late, "target p95 ≤ 20 ms");
        print("  of which the step timer (speech's end told → step)", timerLate, "");
    }

    // Dwell: the pointer moved onto a key and left there.
    s.dwell = true;
    s.dwellTime = 800;
    form.applySwitchSettings(s);
    form.chooseMethod(input::MethodId::Mouse);
    qint64 pressedAt = 0;
    QObject::connect(&form.methods().pointer(), &input::DwellInput::pressedByDwell, [&](int) { pressedAt = AudioOut::now(); });
    std::vector<double> dwell;
    for (int i = 0; i < std::max(5, runs / 5); ++i) {
        KeyButton *key = form.key(1 + i % 2);
        pressedAt = 0;
        const qint64 t0 = AudioOut::now();
        QTest::mouseMove(form.windowHandle(), key->mapTo(&form, key->rect().center()));
        if (!waitFor([&] { return pressedAt != 0; }, 5000))
            break;
        dwell.push_back(double(pressedAt - t0) / 1e6 - s.dwellTime);
        QTest::qWait(50);
    }
    print("dwell press − set dwell time (800 ms), quiet", dwell, "");
    std::printf("load average at the end %.2f\n", loadAverage());
    return 0;
}
