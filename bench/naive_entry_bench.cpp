// The naive way of entering a kana, for comparison with writing_bench: the
// display's whole text is taken, the kana appended and the whole text set
// again, as a program does that keeps its document as one string and hands
// it to the display at every key press. Timed like writing_bench: from the
// press to the repainted display, on the main window's own display.
// Usage: naive_entry_bench [characters (100000)] [line length (40)] [presses (20)]
#include "base/fonts.h"
#include "app/mainform.h"
#include "base/textdisplay.h"
#include "speech/recordingspeech.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTextCursor>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int chars = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    const int lineLength = argc > 2 ? std::max(0, atoi(argv[2])) : 40;
    const int presses = argc > 3 ? std::max(2, atoi(argv[3])) : 20;
    fonts::installSubstitutions();
    TMain_form form(new RecordingSpeech());
    form.showCentred();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;

    const QString kana = QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねの");
    QString text;
    for (int i = 0; i < chars; ++i) {
        text += kana.at(i % kana.size());
        if (lineLength > 0 && (i + 1) % lineLength == 0 && i + 1 < chars)
            text += u'\n';
    }
    TextDisplay *display = &form.display();
    display->setPlainText(text);
    QTest::qWait(1000);

    std::vector<double> times;
    for (int i = 0; i < presses; ++i) {
        QElapsedTimer t;
        t.start();
        display->setPlainText(display->toPlainText() + QStringLiteral("か"));
        display->moveCursor(QTextCursor::End);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
        QTest::qWait(30);
    }
    const double first = times.front();
    times.erase(times.begin());
    std::sort(times.begin(), times.end());
    std::printf("naive entry (%d characters, lines of %d)\n", chars, lineLength);
    std::printf("  %-34s first %8.2f ms   median %7.2f ms   worst %7.2f ms\n", "kana, whole text set again", first,
                times[times.size() / 2], times.back());
    return 0;
}
