// The learning history of kana–kanji conversion on large files: reading a
// file (History::readFile, as the background reader does), writing back what
// was kept, the former way of reading beside it (each line placed by
// searching the whole list, which grows with the square of the file), and on
// the real window the first "へんかん" and "しまう" while a large history is
// being read, and the time until its choices are offered.
//
//   history_bench [--runs N]
#include "base/keybutton.h"
#include "app/mainform.h"
#include "base/textdisplay.h"
#include "bench/eventwait.h"
#include "bench/resident.h"
#include "kanji/history.h"
#include "kanji/kanjiwriting.h"
#include "speech/recordingspeech.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTextCursor>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

double worst(const QList<double> &v) { return v.isEmpty() ? 0 : *std::max_element(v.begin(), v.end()); }

double timed(const std::function<void()> &work)
{
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1e6;
}

// One reading chosen `lines` ways, the first line the latest: a damaged or
// hand-made file.
QByteArray oneReading(int lines)
{
    QByteArray out = QStringLiteral("きしゃ\t汽車\n").toUtf8();
    for (int i = 1; i < lines; ++i)
        out += QStringLiteral("きしゃ\t記者%1\n").arg(i).toUtf8();
    return out;
}

// Many readings of phrase length, each with many choices, up to `bytes`.
QByteArray manyReadings(qint64 bytes)
{
    QByteArray out;
    const QString kana = QStringLiteral("あいうえおかきくけこさしすせそたちつてと");
    for (int n = 0; out.size() < bytes; ++n) {
        QString reading;
        for (int k = n; reading.size() < 6; k /= 20)
            reading += kana[k % 20];
        for (int c = 0; c < 16 && out.size() < bytes; ++c)
            out += (reading + QStringLiteral("\t漢字の候補%1番\n").arg(c)).toUtf8();
    }
    return out;
}

// The former reading: every line recorded in turn, each record searching the
// reading's choices and the list of readings for the one it replaces.
int formerRead(const QByteArray &bytes)
{
    QHash<QString, QStringList> chosen;
    QStringList order;
    const QStringList lines = QString::fromUtf8(bytes).split(u'\n', Qt::SkipEmptyParts);
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QStringList cols = it->split(u'\t');
        QStringList &texts = chosen[cols[0]];
        texts.removeAll(cols[1]);
        texts.prepend(cols[1]);
        order.removeAll(cols[0]);
        order << cols[0];
    }
    return int(order.size());
}

void write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

void files(int runs)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kanji-history.txt"));
    const struct
    {
        const char *name;
        QByteArray bytes;
    } cases[] = {
        {"100 000 lines, one reading", oneReading(100000)},
        {"5 000 readings x 16 choices (the most kept)", manyReadings(5000LL * 16 * 40)},
        {"50 MB, many readings", manyReadings(50LL * 1000 * 1000)},
    };
    std::printf("Reading and writing the history file (median / worst of %d)\n\n", runs);
    std::printf("  %-44s %9s %20s %20s %10s %12s\n", "file", "size", "read", "write back", "kept", "memory");
    for (const auto &c : cases) {
        write(path, c.bytes);
        QList<double> read, written;
        kanji::History h;
        long added = 0;
        for (int i = 0; i < runs; ++i) {
            const long before = bench::residentKb();
            read << timed([&] { h = kanji::History::readFile(path); });
            added = std::max(added, bench::residentKb() - before);
        }
        const QString back = dir.filePath(QStringLiteral("back.txt"));
        for (int i = 0; i < runs; ++i)
            written << timed([&] { (void)h.writeFile(back); });
        std::printf("  %-44s %6.1f MB %8.1f / %7.1f ms %8.1f / %7.1f ms %7.1f MB %+8.1f MiB\n", c.name,
                    c.bytes.size() / 1e6, median(read), worst(read), median(written), worst(written),
                    QFileInfo(back).size() / 1e6, added / 1024.0);
    }
    std::printf("\n  The former way (each line placed by searching the whole list), one reading:\n");
    for (int lines : {5000, 10000, 20000}) {
        const QByteArray bytes = oneReading(lines);
        std::printf("  %6d lines: %9.1f ms (now %.1f ms)\n", lines, timed([&] { formerRead(bytes); }),
                    timed([&] { (void)kanji::History::fromBytes(bytes); }));
    }
}

void window(const QByteArray &history, const char *name)
{
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    write(kanji::History::defaultPath(), history);
    auto *speech = new RecordingSpeech();
    speech->setEndsAtOnce(true);
    TMain_form form(speech);
    form.show();
    TextDisplay *display = &form.display();
    // Each conversion is taken back with "けす", so that nothing is learnt meanwhile.
    auto put = [&] {
        if (form.kanji().cycle().active())
            form.key(keys::kDelete)->click();
        display->clear();
        QTextCursor c = display->textCursor();
        for (QChar ch : QStringLiteral("きしゃ")) {
            c.insertText(QString(ch));
            display->setTextCursor(c);
        }
    };
    // The option on: the history starts being read in the background, and
    // "へんかん" is pressed at once.
    QElapsedTimer sinceOn;
    form.kanji().setEnabled(true);
    sinceOn.start();
    put();
    const double first = timed([&] { form.key(keys::kBlank1)->click(); });
    const QString firstShown = display->toPlainText();
    form.key(keys::kDelete)->click();
    const double save = timed([&] { form.key(keys::kSave)->click(); });
    // Converted again and again until the history's latest choice comes first.
    double learnt = -1;
    while (sinceOn.elapsed() < 60000) {
        put();
        form.key(keys::kBlank1)->click();
        if (display->toPlainText() == QStringLiteral("汽車")) {
            learnt = double(sinceOn.nsecsElapsed()) / 1e6;
            break;
        }
        bench::wait(5);
    }
    std::printf("  %-28s first \"へんかん\" %6.1f ms (%s), \"しまう\" %6.1f ms, its choices offered after %7.1f ms\n",
                name, first, qPrintable(firstShown), save, learnt);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = args.contains(QStringLiteral("--runs")) ? args.value(args.indexOf(QStringLiteral("--runs")) + 1).toInt() : 5;
    files(runs);
    std::printf("\nOn the window, the option switched on with the history in place\n\n");
    const QDir start = QDir::current();
    QTemporaryDir base; // the diary folder of "しまう"
    QDir(base.path()).mkdir(QStringLiteral("日記"));
    QDir::setCurrent(base.path());
    window(oneReading(100000), "100 000 lines, one reading");
    window(manyReadings(50LL * 1000 * 1000) + oneReading(1), "50 MB, the choice at its end");
    QDir::setCurrent(start.path());
    return 0;
}
