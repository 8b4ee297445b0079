// The package's icon is the program's own pencil-and-eraser picture: the SVG,
// framed like the picture and laid on its white ground, renders (rsvg-convert,
// as the build renders the PNG sizes) to the picture the window shows.
#include "base/pencilpicture.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestIcon : public QObject
{
    Q_OBJECT

private slots:
    void svgDrawsThePencilPicture()
    {
        QFile svg(qEnvironmentVariable("MOJIPOT_SOURCE_DIR") + QStringLiteral("/packaging/org.example.mojipot.svg"));
        QVERIFY(svg.open(QIODevice::ReadOnly));
        const QImage picture = pencilPicture();
        QString text = QString::fromUtf8(svg.readAll());
        // The icon is framed square; frame it as the picture instead.
        text.replace(QRegularExpression(QStringLiteral("width=\"\\d+\" height=\"\\d+\" viewBox=\"[^\"]*\"")),
                     QStringLiteral("width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\"")
                         .arg(picture.width())
                         .arg(picture.height()));
        QTemporaryDir dir;
        QFile framed(dir.filePath(QStringLiteral("framed.svg")));
        QVERIFY(framed.open(QIODevice::WriteOnly) && framed.write(text.toUtf8()) > 0);
        framed.close();
        const QString png = dir.filePath(QStringLiteral("framed.png"));
        QCOMPARE(QProcess::execute(QStringLiteral("rsvg-convert"),
                                   {QStringLiteral("-b"), QStringLiteral("white"), QStringLiteral("-o"), png,
                                    framed.fileName()}),
                 0);
        const QImage icon = QImage(png).convertToFormat(QImage::Format_RGB888);
        QCOMPARE(icon.size(), picture.size());

        // Both are antialiased by different painters: edges differ a little,
        // shapes and colours must not.
        qint64 total = 0;
        int far = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const QColor a = picture.pixelColor(x, y), b = icon.pixelColor(x, y);
                const int d = qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue());
                total += d;
                far += d > 150;
            }
        }
        const int pixels = picture.width() * picture.height();
        QVERIFY2(total / pixels < 8, qPrintable(QStringLiteral("mean difference %1").arg(total / pixels)));
        QVERIFY2(far < pixels / 50, qPrintable(QStringLiteral("%1 pixels far apart").arg(far)));
    }
};

QTEST_MAIN(TestIcon)
#include "tst_icon.moc"
