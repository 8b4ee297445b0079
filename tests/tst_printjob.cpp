// Real print jobs from the "いんさつ" key and Ctrl+P: on the machine's
// default printer (in the test set-up a CUPS printer that writes PDF files),
// on a private CUPS scheduler with no printer or with a printer that refuses
// jobs, and with a spooler that never answers.
#include "app/board.h"
#include "base/fonts.h"
#include "base/keybutton.h"
#include "app/mainform.h"
#include "base/messageboxes.h"
#include "base/pencilpicture.h"
#include "base/textdisplay.h"
#include "base/textmodel.h"
#include "diary/pagepicture.h"
#include "diary/printing.h"
#include "speech/recordingspeech.h"

#include <QCryptographicHash>
#include <QDate>
#include <QFile>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <pwd.h>
#include <unistd.h>

namespace {

const QString kTitle = QString::fromUtf8(printing::kJobTitle);
const QString kPrinting = QStringLiteral("いんさつしています");
const QString kThreeLines = QStringLiteral("あいうえお\nかきくけこ\nさしすせそ");

QString settingsPath()
{
    return ProfileFile::pathForProgram(QCoreApplication::applicationFilePath());
}

QString run(const QString &program, const QStringList &args, int *exitCode = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000))
        qFatal("%s did not finish", qPrintable(program));
    if (exitCode)
        *exitCode = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Sets an environment variable for the lifetime of the guard.
struct EnvGuard
{
    QByteArray name, old;
    bool had;
    EnvGuard(const char *n, const QByteArray &value) : name(n), old(qgetenv(n)), had(qEnvironmentVariableIsSet(n))
    {
        qputenv(n, value);
    }
    ~EnvGuard() { had ? void(qputenv(name, old)) : void(qunsetenv(name)); }
};

// Asks the machine's scheduler about a printer's jobs with an IPP request
// (ipptool), as their owner.
QString ipp(const QString &printer, const QByteArray &request, const QStringList &options)
{
    static QTemporaryDir dir;
    const QString file = dir.filePath(QString::fromLatin1(QCryptographicHash::hash(request, QCryptographicHash::Md5).toHex()));
    if (!QFile::exists(file)) {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly) || f.write(request) < 0)
            qFatal("cannot write the IPP request");
    }
    return run(QStringLiteral("ipptool"),
               options + QStringList{QStringLiteral("ipp://localhost/printers/") + printer, file});
}

const QByteArray kRequestHead = "GROUP operation-attributes-tag\n"
                                "ATTR charset attributes-charset utf-8\n"
                                "ATTR language attributes-natural-language en\n"
                                "ATTR uri printer-uri $uri\n"
                                "ATTR name requesting-user-name $user\n";

// The ids of all jobs, finished ones included.
QList<int> jobIds(const QString &printer)
{
    const QString out = ipp(printer,
                            "{\nOPERATION Get-Jobs\n" + kRequestHead +
                                "ATTR keyword which-jobs all\nATTR keyword requested-attributes job-id\n"
                                "STATUS successful-ok\nDISPLAY job-id\n}\n",
                            {QStringLiteral("-c")});
    QList<int> ids;
    for (const QString &line : out.split(u'\n', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int id = line.toInt(&ok);
        if (ok)
            ids << id;
    }
    return ids;
}

int lastJobId(const QString &printer)
{
    const QList<int> ids = jobIds(printer);
    return ids.isEmpty() ? 0 : *std::max_element(ids.begin(), ids.end());
}

// One job's state and name (the title the queue shows).
struct Job
{
    int id;
    QString state, name;
};

Job jobAttributes(const QString &printer, int id)
{
    const QString out = ipp(printer,
                            "{\nOPERATION Get-Job-Attributes\n" + kRequestHead +
                                "ATTR integer job-id $job_id\nSTATUS successful-ok\n}\n",
                            {QStringLiteral("-tv"), QStringLiteral("-d"), QStringLiteral("job_id=%1").arg(id)});
    static const QRegularExpression state(QStringLiteral("job-state \\(enum\\) = (\\S+)"));
    static const QRegularExpression name(QStringLiteral("job-name \\(name\\w*\\) = (.*)"));
    return {id, state.match(out).captured(1), name.match(out).captured(1).trimmed()};
}

// The folders where the PDF printer puts its files: its configured output
// folder for a known user, the anonymous folder otherwise.
QStringList pdfFolders()
{
    const passwd *pw = getpwuid(getuid());
    const QString home = QString::fromLocal8Bit(pw ? pw->pw_dir : "");
    const QString user = QString::fromLocal8Bit(pw ? pw->pw_name : "");
    QString out = QStringLiteral("/var/spool/cups-pdf/${USER}");
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (conf.open(QIODevice::ReadOnly)) {
        static const QRegularExpression outLine(QStringLiteral("^Out\\s+(\\S.*)$"));
        for (const QString &line : QString::fromUtf8(conf.readAll()).split(u'\n')) {
            const auto m = outLine.match(line.trimmed());
            if (m.hasMatch())
                out = m.captured(1).trimmed();
        }
    }
    out.replace(QStringLiteral("${HOME}"), home).replace(QStringLiteral("${USER}"), user);
    return {out, QStringLiteral("/var/spool/cups-pdf/ANONYMOUS")};
}

QString pdfOfJob(int id)
{
    const QStringList patterns{QStringLiteral("*-job_%1.pdf").arg(id), QStringLiteral("job_%1-*.pdf").arg(id)};
    for (const QString &folder : pdfFolders()) {
        const QStringList found = QDir(folder).entryList(patterns, QDir::Files);
        if (!found.isEmpty())
            return QDir(folder).filePath(found.first());
    }
    return {};
}

// A gray image of the PDF's first page at the given resolution.
QImage renderPdf(const QString &pdf, int dpi)
{
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    int rc = -1;
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-gray"), QStringLiteral("-singlefile"), pdf, prefix},
        &rc);
    return QImage(prefix + QStringLiteral(".pgm")).convertToFormat(QImage::Format_Grayscale8);
}

// The page as it should come out of the default printer, drawn here the
// way the printer's page is laid out, at the size of a rendered page.
QImage expectedPage(const QStringList &lines, int cell, const QString &footer, QSize size)
{
    QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::ScreenResolution);
    const printing::PageGeometry g = printing::preparePage(printer);
    pagepicture::Content content;
    content.lines = lines;
    content.cellHeight = cell;
    content.pencil = pencilPicture();
    content.footer = footer;

    QImage image(size, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.scale(double(size.width()) / g.paper.width(), double(size.height()) / g.paper.height());
    painter.translate(g.printable.topLeft() - g.paper.topLeft());
    pagepicture::drawStretched(painter, pagepicture::compose(content), g.target,
                               QRect(QPoint(0, 0), g.printable.size()));
    return image;
}

// The share of the inked parts of two gray images of one size that differ
// clearly, compared in blocks so that the anti-aliasing of two renderers
// does not count: near 0 for the same page, large for other words.
double mismatch(const QImage &a, const QImage &b, int block, int threshold)
{
    int inked = 0, differing = 0;
    for (int y = 0; y + block <= a.height(); y += block)
        for (int x = 0; x + block <= a.width(); x += block) {
            int sa = 0, sb = 0;
            for (int j = 0; j < block; ++j)
                for (int i = 0; i < block; ++i) {
                    sa += qGray(a.pixel(x + i, y + j));
                    sb += qGray(b.pixel(x + i, y + j));
                }
            sa /= block * block;
            sb /= block * block;
            if (std::min(sa, sb) > 245)
                continue;
            ++inked;
            if (std::abs(sa - sb) > threshold)
                ++differing;
        }
    return inked ? double(differing) / inked : 0.0;
}

// A CUPS scheduler of the test's own on a free local port, with its own
// folders: printers added here never touch the machine's scheduler.
class PrivateCups
{
public:
    PrivateCups()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        m_server = QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
        probe.close();
        for (const char *sub : {"spool", "tmp", "cache", "state", "log"})
            QDir(m_dir.path()).mkpath(QString::fromLatin1(sub));
        write(QStringLiteral("cups-files.conf"),
              QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/tmp\nCacheDir %1/cache\n"
                             "StateDir %1/state\nAccessLog %1/log/access_log\nErrorLog %1/log/error_log\n"
                             "PageLog %1/log/page_log\nFileDevice Yes\n")
                  .arg(m_dir.path()));
        write(QStringLiteral("cupsd.conf"),
              QStringLiteral("Listen %1\nLogLevel warn\nBrowsing No\nDefaultAuthType None\n"
                             "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                             "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n")
                  .arg(m_server));
        m_cupsd.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_cupsd.start(QStringLiteral("cupsd"), {QStringLiteral("-f"), QStringLiteral("-c"), m_dir.filePath("cupsd.conf"),
                                               QStringLiteral("-s"), m_dir.filePath("cups-files.conf")});
        if (!m_cupsd.waitForStarted())
            qFatal("cupsd cannot be started");
        for (int i = 0; i < 100 && !running(); ++i)
            QTest::qWait(100);
        if (!running())
            qFatal("the private cupsd does not answer");
    }
    ~PrivateCups()
    {
        m_cupsd.terminate();
        if (!m_cupsd.waitForFinished(10000))
            m_cupsd.kill();
        m_cupsd.waitForFinished();
    }
    const QString &server() const { return m_server; }

    // A default printer, writing nowhere, that refuses every job.
    void addRefusingDefaultPrinter(const QString &name)
    {
        int rc = 0;
        run(QStringLiteral("lpadmin"),
            {QStringLiteral("-h"), m_server, QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
             QStringLiteral("file:/dev/null"), QStringLiteral("-m"), QStringLiteral("lsb/usr/cups-pdf/CUPS-PDF_opt.ppd")},
            &rc);
        QCOMPARE_EQ(rc, 0);
        run(QStringLiteral("lpadmin"), {QStringLiteral("-h"), m_server, QStringLiteral("-d"), name}, &rc);
        QCOMPARE_EQ(rc, 0);
        run(QStringLiteral("cupsreject"), {QStringLiteral("-h"), m_server, name}, &rc);
        QCOMPARE_EQ(rc, 0);
    }

private:
    bool running()
    {
        return run(QStringLiteral("lpstat"), {QStringLiteral("-h"), m_server, QStringLiteral("-r")})
            .contains(QStringLiteral("is running"));
    }
    void write(const QString &name, const QString &text)
    {
        QFile f(m_dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(text.toUtf8()) < 0)
            qFatal("cannot write %s", qPrintable(name));
    }

    QTemporaryDir m_dir;
    QString m_server;
    QProcess m_cupsd;
};

struct Window
{
    RecordingSpeech *speech = new RecordingSpeech();
    QStringList errors;
    std::unique_ptr<TMain_form> form;

    Window()
    {
        boxes::setHandler([this](boxes::Kind kind, const QString &text) {
            if (kind == boxes::Kind::Error)
                errors << text;
        });
        form = std::make_unique<TMain_form>(speech);
        form->showCentred();
        if (!QTest::qWaitForWindowActive(form.get()))
            qFatal("window not active");
        speech->clear();
    }
    ~Window() { boxes::setHandler({}); }
    KeyButton *key(int tag) const { return form->key(tag); }
    void write(const QString &text) const
    {
        form->display().setPlainText(text);
        QCoreApplication::processEvents();
    }
    QStringList decisionTexts() const
    {
        QStringList texts;
        for (const RecordingSpeech::Event &e : speech->events())
            if (e.kind == RecordingSpeech::Event::Speak && e.mode == form->voices().voice(speech::Role::Decision) && e.speed == 100)
                texts << e.text;
        return texts;
    }
};

enum class Press { Key, CtrlP };

} // namespace

Q_DECLARE_METATYPE(Press)

class TestPrintJob : public QObject
{
    Q_OBJECT

    QString m_printer;

private slots:
    void initTestCase()
    {
        fonts::installSubstitutions();
        const QString d = run(QStringLiteral("lpstat"), {QStringLiteral("-d")});
        static const QRegularExpression dest(QStringLiteral("destination:\\s*(\\S+)"));
        m_printer = dest.match(d).captured(1);
        QVERIFY2(!m_printer.isEmpty(), "no default printer: start the services (scripts/services)");
    }
    void init() { QFile::remove(settingsPath()); }
    void cleanupTestCase() { init(); }

    void printsOnePageOnTheDefaultPrinter_data()
    {
        QTest::addColumn<Press>("press");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("points");
        QTest::newRow("three lines, the いんさつ key") << Press::Key << kThreeLines << 32;
        QTest::newRow("three lines, Ctrl+P") << Press::CtrlP << kThreeLines << 32;
        QTest::newRow("only a line break") << Press::Key << QStringLiteral("\n") << 32;
        QString many;
        for (int i = 0; i < 25; ++i)
            many += QStringLiteral("%1ぎょうめ\n").arg(QChar(u'あ' + 2 * i));
        QTest::newRow("25 lines at 48 points") << Press::Key << many << 48;
    }

    // The job reaches the scheduler titled "もじぽっと帳", the PDF holds one
    // page that looks like the page picture stretched over the printer's
    // page, and "いんさつしています" is spoken once, after the hand-over.
    void printsOnePageOnTheDefaultPrinter()
    {
        QFETCH(Press, press);
        QFETCH(QString, text);
        QFETCH(int, points);
        Window w;
        w.form->board()->setDisplayPointSize(points);
        w.write(text);
        const QStringList lines = pagepicture::linesOf(textmodel::wholeText(&w.form->display()));
        const int before = lastJobId(m_printer);

        if (press == Press::Key)
            w.key(keys::kPrint)->click();
        else
            QTest::keyClick(w.form.get(), Qt::Key_P, Qt::ControlModifier);
        QTRY_COMPARE_WITH_TIMEOUT(w.decisionTexts(), QStringList{kPrinting}, 60000);
        QCOMPARE(w.errors, QStringList());
        const QString footer = pagepicture::footerText(QDate::currentDate(), QLocale::system());

        // The scheduler has exactly one new job, under the title.
        QTRY_VERIFY_WITH_TIMEOUT(lastJobId(m_printer) > before, 30000);
        QList<int> ids = jobIds(m_printer);
        ids.removeIf([&](int id) { return id <= before; });
        QCOMPARE(ids.size(), 1);
        Job job;
        QTRY_COMPARE_WITH_TIMEOUT((job = jobAttributes(m_printer, ids[0])).state, QStringLiteral("completed"), 60000);
        QCOMPARE(job.name, kTitle);

        QString pdf;
        QTRY_VERIFY_WITH_TIMEOUT(!(pdf = pdfOfJob(job.id)).isEmpty(), 30000);
        QVERIFY(run(QStringLiteral("pdfinfo"), {pdf}).contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))));

        // What is on the paper: compared with the page drawn here, and with
        // the page carrying other words and no footer, which must look
        // clearly different.
        const QImage printed = renderPdf(pdf, 100);
        QVERIFY(!printed.isNull());
        const QImage right = expectedPage(lines, points, footer, printed.size());
        QStringList otherLines = lines;
        for (QString &l : otherLines)
            for (QChar &c : l)
                if (c.unicode() >= u'ぁ' && c.unicode() < u'ゖ')
                    c = QChar(c.unicode() + 1);
        const QImage wrong = expectedPage(otherLines, points, QString(), printed.size());
        const double near = mismatch(printed, right, 6, 64);
        const double far = mismatch(printed, wrong, 6, 64);
        qInfo("differing share of the page: %.3f from the page drawn here, %.3f from other words", near, far);
        QVERIFY2(near < 0.01, qPrintable(QString::number(near)));
        QVERIFY2(far > 0.1, qPrintable(QString::number(far)));
    }

    void emptyDisplayPrintsNothing()
    {
        Window w;
        const int before = lastJobId(m_printer);
        w.key(keys::kPrint)->click();
        QCOMPARE(w.decisionTexts(), QStringList{QStringLiteral("にっきがかけていませんよ。")});
        QTest::qWait(500);
        QCOMPARE(w.errors, QStringList());
        QCOMPARE(lastJobId(m_printer), before);
    }

    void failuresShowTheErrorAndSayNothing_data()
    {
        QTest::addColumn<bool>("withPrinter");
        QTest::addColumn<QString>("error");
        QTest::newRow("no default printer") << false << QStringLiteral("デフォルト プリンタが存在しません.");
        QTest::newRow("printer refusing the job") << true << QStringLiteral("MOJIREFUSE に印刷できません.");
    }

    void failuresShowTheErrorAndSayNothing()
    {
        QFETCH(bool, withPrinter);
        QFETCH(QString, error);
        PrivateCups cups;
        if (withPrinter)
            cups.addRefusingDefaultPrinter(QStringLiteral("MOJIREFUSE"));
        const EnvGuard server("CUPS_SERVER", cups.server().toUtf8());
        Window w;
        w.write(kThreeLines);
        w.key(keys::kPrint)->click();
        QTRY_COMPARE_WITH_TIMEOUT(w.errors, QStringList{error}, 60000);
        QTest::qWait(200);
        QCOMPARE(w.speech->spokenTexts(), QStringList());
    }

    // A scheduler that takes the connection and never answers: the window
    // goes on meanwhile; when the scheduler goes away the job ends in the
    // error box.
    void windowGoesOnWhileTheSpoolerDoesNotAnswer()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        QList<QTcpSocket *> held;
        connect(&silent, &QTcpServer::newConnection, this, [&] {
            while (QTcpSocket *s = silent.nextPendingConnection())
                held << s;
        });
        const EnvGuard server("CUPS_SERVER", QByteArray("127.0.0.1:") + QByteArray::number(silent.serverPort()));
        Window w;
        w.write(kThreeLines);
        w.key(keys::kPrint)->click();
        QTRY_VERIFY_WITH_TIMEOUT(!held.isEmpty(), 30000);

        // The key reached meanwhile is announced.
        w.key(1)->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(w.speech->spokenTexts(), QStringList{QStringLiteral("あ")});
        QTest::qWait(300);
        QCOMPARE(w.errors, QStringList());

        silent.close();
        for (QTcpSocket *s : held)
            s->abort();
        QTRY_COMPARE_WITH_TIMEOUT(w.errors, QStringList{QStringLiteral("デフォルト プリンタが存在しません.")}, 60000);
        QCOMPARE(w.speech->spokenTexts(), QStringList{QStringLiteral("あ")});
        qDeleteAll(held);
    }
};

QTEST_MAIN(TestPrintJob)
#include "tst_printjob.moc"
