#pragma once
#include <QProcess>

namespace bench {

// PulseAudio's null sink, when nothing plays into it, renders up to two
// seconds ahead and takes a new stream only after that; a sound card takes
// it at once. So that the figures are the program's and not that artefact's,
// a silent stream plays into the default sink for as long as this lives.
class KeepAwake
{
public:
    KeepAwake()
    {
        m_pacat.setStandardInputFile(QStringLiteral("/dev/zero"));
        m_pacat.start(QStringLiteral("pacat"), {QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                                                QStringLiteral("--rate=48000"), QStringLiteral("--channels=1"),
                                                QStringLiteral("--latency-msec=20")});
        m_pacat.waitForStarted();
    }
    ~KeepAwake()
    {
        m_pacat.kill();
        m_pacat.waitForFinished();
    }

private:
    QProcess m_pacat;
};

} // namespace bench
