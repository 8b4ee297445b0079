// Measures the user-interface time of writing on long texts: entering a
// kana, a voicing mark, deleting, a new line and undo, each from the key
// press to the repainted display. Prints one line per case: median and
// worst of the repeated presses, and the first press after the text was
// loaded (which lays out the part of the text the display has not shown),
// and, for undo, the first undo, which splits every wrapped line.
#include "base/fonts.h"
#include "base/keybutton.h"
#include "app/mainform.h"
#include "base/textdisplay.h"
#include "base/textmodel.h"
#include "speech/recordingspeech.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTextCursor>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// A text of `chars` kana in lines of `lineLength` characters (0: one line).
QString kanaText(int chars, int lineLength)
{
    const QString kana = QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねの");
    QString text;
    text.reserve(chars + chars / qMax(1, lineLength) + 1);
    for (int i = 0; i < chars; ++i) {
        text += kana.at(i % kana.size());
        if (lineLength > 0 && (i + 1) % lineLength == 0 && i + 1 < chars)
            text += u'\n';
    }
    return text;
}

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// One press, timed until the display has repainted.
double timed(const std::function<void()> &press)
{
    QElapsedTimer t;
    t.start();
    press();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    return msSince(t);
}

struct Figures
{
    double first = 0, median = 0, worst = 0;
};

Figures series(int repeats, const std::function<void()> &press)
{
    Figures f;
    std::vector<double> all;
    for (int i = 0; i < repeats; ++i) {
        all.push_back(timed(press));
        // A user's next press comes later; what the display does meanwhile
        // in idle time (laying out text ahead) is not part of a press.
        QTest::qWait(30);
    }
    f.first = all.front();
    if (all.size() > 1)
        all.erase(all.begin());
    std::sort(all.begin(), all.end());
    f.median = all[all.size() / 2];
    f.worst = all.back();
    return f;
}

void report(const char *what, const Figures &f)
{
    std::printf("  %-34s first %8.2f ms   median %7.2f ms   worst %7.2f ms\n", what, f.first, f.median, f.worst);
    std::fflush(stdout);
}

int idleMs = 1000;

void load(TMain_form &form, const QString &text, bool insertionAtMiddle)
{
    form.display().setPlainText(text);
    QTextCursor c = form.display().textCursor();
    c.setPosition(insertionAtMiddle ? int(text.size() / 2) : int(text.size()));
    form.display().setTextCursor(c);
    // A user takes a moment before the first key press; the display lays
    // out the rest of the text meanwhile.
    QTest::qWait(idleMs);
}

void runCase(TMain_form &form, const char *title, const QString &text)
{
    std::printf("%s (%lld characters, %d lines)\n", title, qlonglong(text.size()), int(text.count(u'\n')) + 1);
    KeyButton *ka = form.key(6);
    KeyButton *mark = form.key(49);
    const int repeats = 60;

    idleMs = 0;
    load(form, text, false);
    report("kana right after loading, no pause", series(1, [&] { ka->click(); }));
    idleMs = 1000;
    load(form, text, false);
    report("kana at the end", series(repeats, [&] { ka->click(); }));
    report("voicing mark (か then ゛)", series(repeats, [&] {
               ka->click();
               mark->click();
           }));
    load(form, text, true);
    report("kana in the middle", series(repeats, [&] { ka->click(); }));
    load(form, text, false);
    report("delete one character", series(repeats, [&] { form.deleteOne(); }));
    report("new line", series(repeats, [&] { form.newLine(); }));
    report("undo", series(repeats / 4, [&] { form.undo(); }));
    report("kana after undo", series(repeats, [&] { ka->click(); }));
    report("whole-text string alone", series(repeats, [&] { (void)textmodel::wholeText(&form.display()); }));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    fonts::installSubstitutions();
    auto *speech = new RecordingSpeech();
    TMain_form form(speech);
    form.showCentred();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;

    if (argc == 3) {
        // writing_bench <characters> <line length, 0 for one line>
        runCase(form, "chosen text", kanaText(QString::fromLatin1(argv[1]).toInt(), QString::fromLatin1(argv[2]).toInt()));
        return 0;
    }
    runCase(form, "100 000 characters in lines of 40", kanaText(100000, 40));
    runCase(form, "100 000 characters in one line", kanaText(100000, 0));
    runCase(form, "1 000 000 characters in lines of 40", kanaText(1000000, 40));
    return 0;
}
