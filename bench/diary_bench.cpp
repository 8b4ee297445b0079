// Measures opening and saving large diary files on the main window: from the
// start of the operation to the repainted display. Prints one line per case,
// the median and worst of several runs in milliseconds. The largest file the
// open command takes is filecodec::kMaxOpenBytes; a larger one is refused.
#include "base/apperror.h"
#include "base/fonts.h"
#include "app/mainform.h"
#include "base/messageboxes.h"
#include "base/textdisplay.h"
#include "diary/diarystorage.h"
#include "base/filecodec.h"
#include "speech/recordingspeech.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// Kana text of about `bytes` bytes in Shift-JIS, in lines of `lineLength`
// characters (0: one line).
QString kanaText(qint64 bytes, int lineLength)
{
    const QString kana = QStringLiteral("きょうはいいてんきでしたあしたもはれるといいな");
    QString text;
    qint64 size = 0;
    for (int i = 0; size + 2 < bytes; ++i) {
        text += kana.at(i % kana.size());
        size += 2;
        if (lineLength > 0 && (i + 1) % lineLength == 0 && size + 4 < bytes) {
            text += u'\n';
            size += 2;
        }
    }
    return text;
}

void measure(const char *name, int runs, const std::function<void()> &prepare, const std::function<void()> &operation,
             TMain_form &form)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QApplication::processEvents();
        QElapsedTimer t;
        t.start();
        operation();
        form.display().viewport()->repaint();
        QApplication::processEvents();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s median %8.1f ms   worst %8.1f ms\n", name, ms[ms.size() / 2], ms.back());
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    fonts::installSubstitutions();
    QTemporaryDir start;
    QDir(start.path()).mkdir(QStringLiteral("日記"));
    QDir::setCurrent(start.path());
    QStringList errors;
    boxes::setHandler([&](boxes::Kind, const QString &text) { errors << text; });

    TMain_form form(new RecordingSpeech());
    form.showCentred();
    if (!QTest::qWaitForWindowExposed(&form))
        qFatal("window not shown");

    const qint64 limit = filecodec::kMaxOpenBytes;
    const QString folder = start.path() + QStringLiteral("/日記/");
    write(folder + QStringLiteral("lines.txt"), filecodec::encode(kanaText(limit, 40)));
    write(folder + QStringLiteral("oneline.txt"), filecodec::encode(kanaText(limit, 0)));
    write(folder + QStringLiteral("utf8.txt"), kanaText(limit * 2 / 3, 40).toUtf8());
    write(folder + QStringLiteral("huge.txt"), QByteArray(10 * 1024 * 1024, 'a'));

    const auto empty = [&] { form.display().clear(); };
    const auto open = [&](const char *name) {
        return [&form, &folder, name] {
            try {
                diary::showFile(form.context(), folder + QString::fromUtf8(name));
            } catch (const AppError &e) {
                boxes::error(&form, e.message());
            }
        };
    };
    std::printf("open limit: %lld bytes\n", limit);
    measure("open 1 MiB Shift-JIS, lines of 40", 5, empty, open("lines.txt"), form);
    measure("open 1 MiB Shift-JIS, one line", 5, empty, open("oneline.txt"), form);
    measure("open 1 MiB UTF-8, lines of 40", 5, empty, open("utf8.txt"), form);
    const qsizetype before = errors.size();
    measure("open 10 MiB file (refused)", 5, empty, open("huge.txt"), form);
    if (errors.size() - before != 5)
        qFatal("the 10 MiB file was not refused");

    const auto loadLines = [&] { diary::showFile(form.context(), folder + QStringLiteral("lines.txt")); };
    measure("save 1 MiB text (しまう)", 5, loadLines, [&] { form.saveDiary(); }, form);
    const auto loadOneLine = [&] { diary::showFile(form.context(), folder + QStringLiteral("oneline.txt")); };
    measure("save 1 MiB one-line text (しまう)", 5, loadOneLine, [&] { form.saveDiary(); }, form);
    return 0;
}
