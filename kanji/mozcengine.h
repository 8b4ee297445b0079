#pragma once
#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>

#include "kanji/engine.h"
#include "kanji/mozcprotocol.h"

class QProcess;
class QTimer;

namespace kanji {

// Mozc through its helper program (Debian's emacs-mozc-bin), which starts
// Mozc's server (mozc-server) and speaks S-expressions on its standard input
// and output. Started in the background; one session; the helper's home is
// a profile folder of our own, so that a desktop Mozc of the user is neither
// read nor changed. Nothing is ever committed through it: only our own
// history learns. Every answer is awaited at most kAnswerLimitMs; an answer
// later than that, or a helper that ends, is taken as the engine gone: it is
// stopped and started once more; after a second loss it stays stopped.
class MozcEngine : public Engine
{
public:
    static constexpr int kAnswerLimitMs = 1000;
    // A start that gives no session within this time counts as a loss.
    static constexpr int kStartLimitMs = 10000;

    // The helper program: $MOJIPOT_MOZC_HELPER when set, else
    // mozc_emacs_helper from the search path; empty when there is none.
    static QString helperProgram();
    // The server the helper starts (Debian's place for it).
    static QString serverProgram();
    // Why Mozc is not there, in Japanese; empty when its helper and server are.
    static QString notInstalledReason();
    // Why Mozc cannot convert here, in Japanese; empty when it can: its
    // helper and server installed, and not run as the administrator (the
    // server refuses to run so).
    static QString unavailableReason();
    // $XDG_DATA_HOME/mojipot/mozc
    static QString defaultProfile();

    explicit MozcEngine(const QString &profile = defaultProfile(), const QString &helper = helperProgram());
    ~MozcEngine() override;

    // Starts the helper in the background (at once: the window never waits).
    void start();
    // Whether a session is open, so that convert() can ask it.
    bool ready() const { return m_session > 0; }
    // Waits for the session and the first conversion (for benches and tests).
    bool waitUntilReady(int ms);
    // The phrases, or nothing when the engine is not ready, gone or late.
    QList<Phrase> convert(const QString &reading) override;
    // The words Mozc suggests for the hiragana typed in; bounded as convert().
    QList<Form> suggest(const QString &reading) override;

    // Helper and server as seen by the system: process numbers (0: none).
    qint64 helperProcess() const;
    quint32 serverProcess() const;
    QString profile() const { return m_profile; }
    // Losses so far (a helper that ended or answered late).
    int losses() const { return m_losses; }
    bool givenUp() const { return m_givenUp; }

private:
    void launch();
    void readAnswers();
    void lost();
    void stop(bool gracefully = true);
    void stopServer();
    bool isOurServer(quint32 pid) const;
    quint32 send(const QByteArray &line);
    quint32 sendKey(const QString &key);
    // The hiragana typed in at once (the helper restarted first if it was
    // lost); the request's number, none when it cannot be asked now.
    std::optional<quint32> typeIn(const QString &reading, QElapsedTimer &since);
    std::optional<mozc::SExpr> await(quint32 id, const QElapsedTimer &since);

    QString m_profile;
    QString m_helper;
    QProcess *m_process = nullptr;
    QTimer *m_startLimit = nullptr;
    QByteArray m_pending; // an answer's first part, its line not ended yet
    QHash<quint32, mozc::SExpr> m_answers;
    quint32 m_nextId = 1;
    quint32 m_createId = 0;
    quint32 m_warmId = 0; // the last request of the first conversion
    bool m_warm = false;
    quint32 m_serverPid = 0; // the server that answered the first conversion
    qint64 m_session = 0;
    int m_losses = 0;
    bool m_givenUp = false;
    bool m_restartDue = false;
};

} // namespace kanji
