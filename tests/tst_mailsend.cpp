// The mail settings dialog and the send operation of the running window,
// with the real mailer delivering to a real SMTP server on 127.0.0.1.

#include "base/places.h"
#include "mailsink.h"

#include "base/keybutton.h"
#include "app/mainform.h"
#include "base/messageboxes.h"
#include "base/profilefile.h"
#include "base/textdisplay.h"
#include "input/call.h"
#include "input/methods.h"
#include "mail/callsend.h"
#include "mail/mailercommand.h"
#include "mail/mailform.h"
#include "mail/mailsettings.h"
#include "mail/sending.h"
#include "mail/smail/settingswindow.h"
#include "speech/recordingspeech.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <memory>

using Notices = QList<QPair<boxes::Kind, QString>>;

class MailSend : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void dialogLayout();
    void dialogOpens_data();
    void dialogOpens();
    void dialogConfirmAndCancel_data();
    void dialogConfirmAndCancel();
    void escapeKeyKeepsDialogOpen();
    void mailerWindowThatCannotStart();

    void delivered_data();
    void delivered();
    void placeholdersReachTheServer();
    void notSent_data();
    void notSent();
    void menuItemFollowsSend1();

    void mailerSettingsWindow();

    void callMail();
    void callReach_data();
    void callReach();

private:
    QString iniPath() const { return ProfileFile::pathForProgram(QCoreApplication::applicationFilePath()); }
    QString mailerDir() const { return m_base.filePath(QStringLiteral("smail")); }
    // Runs the action while the dialog is open (N6), then makes sure it is closed.
    void inDialog(const std::function<void(TMail_form &)> &action);
    QStringList spokenInDecisionVoice() const;
    void useServer(int port);

    QTemporaryDir m_base;
    RecordingSpeech *m_speech = nullptr;
    std::unique_ptr<TMain_form> m_form;
    Notices m_notices;
};

void MailSend::initTestCase()
{
    QVERIFY(layOutMailer(m_base.path()));
    QVERIFY(QDir::setCurrent(m_base.path())); // the start folder
    boxes::setHandler([this](boxes::Kind kind, const QString &text) { m_notices.append({kind, text}); });
}

void MailSend::init()
{
    QFile::remove(iniPath());
    QFile::remove(places::mailerSettingsIn(mailerDir()));
    m_notices.clear();
    m_speech = new RecordingSpeech;
    m_form = std::make_unique<TMain_form>(m_speech);
    m_form->showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QCOMPARE(m_form->startFolder(), m_base.path());
    m_speech->clear();
}

void MailSend::cleanup()
{
    m_form.reset();
}

void MailSend::inDialog(const std::function<void(TMail_form &)> &action)
{
    bool ran = false;
    QTimer::singleShot(0, m_form.get(), [&] {
        ran = true;
        action(*m_form->findChild<TMail_form *>());
        // The dialog itself is silent.
        QVERIFY(m_speech->spokenTexts().isEmpty());
        if (m_form->findChild<TMail_form *>()->isVisible())
            m_form->findChild<TMail_form *>()->done(QDialog::Rejected);
    });
    m_form->menus().mailSettings->trigger();
    QVERIFY(ran);
    QVERIFY(!m_form->findChild<TMail_form *>()->isVisible());
    // The board is active again; its key may announce itself on that.
    QTRY_VERIFY(m_form->isActiveWindow());
    m_speech->clear();
}

QStringList MailSend::spokenInDecisionVoice() const
{
    QStringList texts;
    for (const RecordingSpeech::Event &e : m_speech->events()) {
        if (e.kind != RecordingSpeech::Event::Speak)
            continue;
        texts.append(e.mode == m_form->voices().voice(speech::Role::Decision) && e.speed == 100 ? e.text : QStringLiteral("(wrong voice) ") + e.text);
    }
    return texts;
}

void MailSend::useServer(int port)
{
    mail::writeSettings(m_form->settings(), {QStringLiteral("tomodachi@example.org"), QStringLiteral("watashi@example.org"),
                                             QStringLiteral("127.0.0.1:%1").arg(port)});
}

void MailSend::dialogLayout()
{
    TMail_form &d = *m_form->findChild<TMail_form *>();
    QCOMPARE(d.windowTitle(), QStringLiteral("メール設定"));
    QCOMPARE(d.size(), QSize(315, 292));
    QCOMPARE(d.minimumSize(), d.maximumSize());
    QCOMPARE(d.To_lbl->text(), QStringLiteral("送り先のメールアドレス"));
    QCOMPARE(d.Ok_btn->text(), QStringLiteral("ＯＫ"));
    QCOMPARE(d.Esc_btn->text(), QStringLiteral("ＥＳＣ"));
    QCOMPARE(d.smail_btn->geometry(), QRect(219, 234, 91, 37));
    QVERIFY(d.Ok_btn->isDefault());
    QVERIFY(d.Ok_btn->font().bold() && !d.smail_btn->font().bold());
    QCOMPARE(d.To_edit->font().pixelSize(), 16);
    // Tab order: the three boxes, then ＯＫ, ＥＳＣ, 詳細設定.
    const QList<QWidget *> order{d.To_edit, d.From_edit, d.Smtp_edit, d.Ok_btn, d.Esc_btn, d.smail_btn, d.To_edit};
    for (qsizetype i = 0; i + 1 < order.size(); ++i) {
        QWidget *next = order[i]->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus)
            next = next->nextInFocusChain();
        QCOMPARE(next, order[i + 1]);
    }
}

void MailSend::dialogOpens_data()
{
    QTest::addColumn<bool>("stored");
    QTest::newRow("no settings file: the placeholders") << false;
    QTest::newRow("values stored by hand while the program runs") << true;
}

void MailSend::dialogOpens()
{
    QFETCH(bool, stored);
    const mail::Settings expected =
        stored ? mail::Settings{"a@example.org", "b@example.org", "mx.example.org"} : mail::placeholders();
    if (stored)
        mail::writeSettings(ProfileFile(iniPath()), expected);
    inDialog([&](TMail_form &d) {
        d.To_edit->setText(QStringLiteral("left over"));
        d.Esc_btnClick();
    });
    inDialog([&](TMail_form &d) {
        QVERIFY(d.isVisible() && d.isModal());
        QCOMPARE(mail::Settings({d.To_edit->text(), d.From_edit->text(), d.Smtp_edit->text()}), expected);
    });
}

void MailSend::dialogConfirmAndCancel_data()
{
    QTest::addColumn<QString>("how");  // "ok button", "enter", "esc button", "frame"
    QTest::addColumn<bool>("written");
    QTest::newRow("ＯＫ stores the three, one emptied") << "ok button" << true;
    QTest::newRow("Enter in a box is ＯＫ") << "enter" << true;
    QTest::newRow("ＥＳＣ stores nothing") << "esc button" << false;
    QTest::newRow("the frame's close stores nothing") << "frame" << false;
    QTest::newRow("refused write: error box, closed all the same") << "ok read-only" << false;
}

void MailSend::dialogConfirmAndCancel()
{
    QFETCH(QString, how);
    QFETCH(bool, written);
    const mail::Settings before{"a@example.org", "b@example.org", "mx.example.org"};
    mail::writeSettings(ProfileFile(iniPath()), before);
    const bool readOnly = how == u"ok read-only";
    if (readOnly)
        QFile::setPermissions(iniPath(), QFileDevice::ReadOwner | QFileDevice::ReadUser);
    const mail::Settings typed{"c@example.org", "", "127.0.0.1:2525"};
    int result = -1;
    inDialog([&](TMail_form &d) {
        d.To_edit->selectAll();
        QTest::keyClicks(d.To_edit, typed.recipient);
        d.From_edit->clear();
        d.Smtp_edit->selectAll();
        QTest::keyClicks(d.Smtp_edit, typed.server);
        if (how.startsWith(u"ok"))
            d.Ok_btn->click();
        else if (how == u"enter")
            QTest::keyClick(d.Smtp_edit, Qt::Key_Return);
        else if (how == u"esc button")
            d.Esc_btn->click();
        else
            d.close();
        result = d.isVisible() ? -1 : d.result();
    });
    QCOMPARE(result, written || readOnly ? int(QDialog::Accepted) : int(QDialog::Rejected));
    if (readOnly) {
        QCOMPARE(m_notices.size(), 1);
        QCOMPARE(m_notices[0].first, boxes::Kind::Error);
        QVERIFY(m_notices[0].second.contains(QStringLiteral("に書き込めません")));
        QFile::setPermissions(iniPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    QCOMPARE(mail::readSettings(ProfileFile(iniPath())), written ? typed : before);
    // Reopening shows what is stored, not what was typed.
    inDialog([&](TMail_form &d) { QCOMPARE(d.To_edit->text(), (written ? typed : before).recipient); });
    if (written) {
        // The emptied sender stops the next send with the settings message.
        m_form->display().setPlainText(QStringLiteral("あ"));
        m_form->sendMail();
        QCOMPARE(spokenInDecisionVoice(), QStringList{mail::settingsMissingMessage()});
    }
}

void MailSend::escapeKeyKeepsDialogOpen()
{
    bool openAfterEscape = false;
    inDialog([&](TMail_form &d) {
        QTest::keyClick(d.To_edit, Qt::Key_Escape);
        QTest::keyClick(&d, Qt::Key_Escape);
        openAfterEscape = d.isVisible();
    });
    QVERIFY(openAfterEscape);
    QVERIFY(!QFile::exists(iniPath()) || mail::readSettings(ProfileFile(iniPath())) == mail::placeholders());
}

void MailSend::mailerWindowThatCannotStart()
{
    QTemporaryDir empty;
    m_form->setStartFolder(empty.path());
    bool stillOpen = false;
    inDialog([&](TMail_form &d) {
        d.smail_btn->click();
        stillOpen = d.isVisible();
    });
    QVERIFY(stillOpen);
    QCOMPARE(m_notices.size(), 1);
    QCOMPARE(m_notices[0].first, boxes::Kind::Error);
    QVERIFY(m_notices[0].second.startsWith(places::under(empty.path(), QStringLiteral("smail/smail")) + QStringLiteral(" を起動できません")));
}

void MailSend::delivered_data()
{
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("byKey"); // the "めーる" key, else the menu item

    QTest::newRow("Japanese diary by the key") << "きょうは\nはれ" << "きょうは\r\nはれ\r\n" << true;
    QTest::newRow("two lines, the second empty, by the menu") << "あいう\n" << "あいう\r\n" << false;
    QTest::newRow("options and header lines arrive as text")
        << " -f evil@example.org\nBcc: evil@example.org\nSubject: x\n.\n-m"
        << " -f evil@example.org\r\nBcc: evil@example.org\r\nSubject: x\r\n.\r\n-m\r\n" << true;
}

void MailSend::delivered()
{
    QFETCH(QString, display);
    QFETCH(QString, body);
    QFETCH(bool, byKey);

    SmtpSink sink;
    QVERIFY(sink.start());
    useServer(sink.port());
    m_form->display().setPlainText(display);
    const QString subject = QStringLiteral("日記") + mail::subjectDate(QDate::currentDate());
    if (byKey)
        m_form->key(keys::kMail)->click();
    else
        m_form->menus().send->trigger();
    // The window has not waited for the mailer.
    QVERIFY(m_speech->spokenTexts().isEmpty());

    QTRY_COMPARE_WITH_TIMEOUT(m_speech->spokenTexts().size(), 1, 40000);
    QCOMPARE(spokenInDecisionVoice(), QStringList{mail::sentMessage()});
    QVERIFY(m_notices.isEmpty());

    const QList<QJsonObject> received = sink.messages();
    QCOMPARE(received.size(), 1);
    const QJsonObject &m = received.first();
    QCOMPARE(headerNames(m), expectedHeaderNames());
    QCOMPARE(headerValue(m, "From"), QStringLiteral("watashi@example.org"));
    QCOMPARE(headerValue(m, "To"), QStringLiteral("tomodachi@example.org"));
    // Today's date (the day may have turned while the mail was on its way).
    QVERIFY(headerValue(m, "Subject") == subject
            || headerValue(m, "Subject") == QStringLiteral("日記") + mail::subjectDate(QDate::currentDate()));
    QVERIFY(subject.size() == 11 && subject.endsWith(u'日'));
    QCOMPARE(m.value("body").toString().split(QStringLiteral("\r\n")), body.split(QStringLiteral("\r\n")));
}

void MailSend::placeholdersReachTheServer()
{
    // No settings file: the placeholder server "localhost" with the port the
    // mailer's own settings give.
    SmtpSink sink;
    QVERIFY(sink.start());
    mail::MailerSettings s;
    s.port = sink.port();
    mail::saveMailerSettings(places::mailerSettingsIn(mailerDir()), s);
    m_form->display().setPlainText(QStringLiteral("あ"));
    m_form->key(keys::kMail)->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_speech->spokenTexts().size(), 1, 40000);
    QCOMPARE(spokenInDecisionVoice(), QStringList{mail::sentMessage()});
    QCOMPARE(sink.messages().size(), 1);
    QCOMPARE(sink.messages()[0].value("mail_from").toString(), mail::placeholders().sender);
    QCOMPARE(headerValue(sink.messages()[0], "To"), mail::placeholders().recipient);
}

void MailSend::notSent_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("spoken");
    QTest::addColumn<QString>("notice"); // empty: no box

    const QString fail = mail::notSentMessage();
    QTest::newRow("server stopped") << "stopped" << "あ" << fail << fail;
    QTest::newRow("mailer missing") << "no mailer" << "あ" << fail << fail;
    QTest::newRow("mailer that never ends is stopped") << "hanging mailer" << "あ" << fail << fail;
    QTest::newRow("recipient with a blank") << "blank recipient" << "あ" << fail << fail;
    QTest::newRow("SMTP present but empty") << "empty smtp" << "あ" << mail::settingsMissingMessage() << "";
    QTest::newRow("empty display") << "running" << "" << mail::noTextMessage() << mail::noTextMessage();
    QTest::newRow("empty setting and empty display: settings first")
        << "empty smtp" << "" << mail::settingsMissingMessage() << "";
}

void MailSend::notSent()
{
    QFETCH(QString, situation);
    QFETCH(QString, display);
    QFETCH(QString, spoken);
    QFETCH(QString, notice);

    SmtpSink sink;
    QVERIFY(sink.start());
    useServer(sink.port());
    QTemporaryDir empty;
    if (situation == u"stopped")
        sink.stop();
    else if (situation == u"no mailer")
        m_form->setStartFolder(empty.path());
    std::chrono::milliseconds normalLimit{0};
    const auto restoreLimit = qScopeGuard([&] {
        if (normalLimit.count() > 0)
            mail::setMailerTimeLimit(normalLimit);
    });
    if (situation == u"hanging mailer") {
        normalLimit = mail::setMailerTimeLimit(std::chrono::milliseconds(1000));
        QVERIFY(QDir(empty.path()).mkdir(QStringLiteral("smail")));
        QFile hanging(places::under(empty.path(), QStringLiteral("smail/smail")));
        QVERIFY(hanging.open(QIODevice::WriteOnly));
        hanging.write("#!/bin/sh\nexec sleep 600\n");
        hanging.close();
        QVERIFY(hanging.setPermissions(hanging.permissions() | QFileDevice::ExeOwner));
        m_form->setStartFolder(empty.path());
    }
    else if (situation == u"empty smtp")
        ProfileFile(iniPath()).writeString(QStringLiteral("メール"), QStringLiteral("SMTP"), QString());
    else if (situation == u"blank recipient")
        ProfileFile(iniPath()).writeString(QStringLiteral("メール"), QStringLiteral("送信先"), QStringLiteral("tomo dachi@example.org"));
    m_form->display().setPlainText(display);

    m_form->key(keys::kMail)->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_speech->spokenTexts().size(), 1, 40000);
    QCOMPARE(spokenInDecisionVoice(), QStringList{spoken});
    if (notice.isEmpty())
        QVERIFY(m_notices.isEmpty());
    else
        QCOMPARE(m_notices, (Notices{{boxes::Kind::Notice, notice}}));
    QCOMPARE(sink.messages().size(), 0);
}

void MailSend::menuItemFollowsSend1()
{
    SmtpSink sink;
    QVERIFY(sink.start());
    useServer(sink.port());
    m_form->display().setPlainText(QStringLiteral("あ"));
    // A one-key save of an empty display disabled the menu item: the menu
    // does nothing, the key still sends.
    m_form->menus().send->setEnabled(false);
    m_form->menus().send->trigger();
    QTest::qWait(200);
    QVERIFY(m_speech->spokenTexts().isEmpty());
    m_form->key(keys::kMail)->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_speech->spokenTexts().size(), 1, 40000);
    QCOMPARE(spokenInDecisionVoice(), QStringList{mail::sentMessage()});
    QVERIFY(!m_form->menus().send->isEnabled()); // sending never changes it
    QCOMPARE(sink.messages().size(), 1);
}

void MailSend::mailerSettingsWindow()
{
    const QString path = places::mailerSettingsIn(mailerDir());
    mail::MailerSettings s;
    s.port = 587;
    s.security = mail::Security::StartTls;
    s.user = QStringLiteral("taro");
    s.password = QStringLiteral("secret word");
    smail::SettingsWindow w(path);
    QCOMPARE(w.values(), mail::MailerSettings{}); // no file yet
    w.setValues(s);
    w.reject();
    QVERIFY(!QFile::exists(path));
    w.accept();
    QCOMPARE(smail::SettingsWindow(path).values(), s);
}

// The call for help sends the helper's text with the call's date and time;
// the result is said once the call is stopped.
void MailSend::callMail()
{
    SmtpSink sink;
    QVERIFY(sink.start());
    useServer(sink.port());
    input::Call &call = m_form->methods().call();
    input::CallSettings s;
    s.hold = 3000;
    s.mail = true;
    s.text = QStringLiteral("へやに　きてください");
    call.setSettings(s);
    const QDateTime at = QDateTime::currentDateTime();
    call.start();
    QTRY_COMPARE_WITH_TIMEOUT(sink.messages().size(), 1, 40000);
    const QJsonObject m = sink.messages().first();
    QCOMPARE(headerValue(m, "To"), QStringLiteral("tomodachi@example.org"));
    QCOMPARE(headerValue(m, "Subject"), mail::callMailArguments({}, at).at(1).mid(2));
    QVERIFY(headerValue(m, "Subject").startsWith(QStringLiteral("よびだし ")));
    QCOMPARE(m.value("body").toString().trimmed(), s.text);
    QTest::qWait(300);
    QVERIFY(m_speech->spokenTexts().isEmpty()); // speech waits while the call sounds
    call.stop();
    QTRY_COMPARE(spokenInDecisionVoice(),
                 (QStringList{QStringLiteral("よびだしを　とめました"), QStringLiteral("よびだしの　メールを　おくりました")}));
    QVERIFY(m_notices.isEmpty());
}

// The helper's command: run without a shell with the call's time alone;
// one that fails or runs past its time limit is said and shown, after the
// call is stopped; a mail that cannot go is said the same way.
void MailSend::callReach_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("mail");
    QTest::addColumn<QStringList>("told");

    const QString stop = QStringLiteral("よびだしを　とめました");
    const QString failed = QStringLiteral("よびだしの　コマンドが　うまく　いきませんでした");
    QTest::newRow("a command that succeeds: nothing more is said")
        << "#!/bin/sh\nprintf '%s' \"$*\" > \"$0.args\"\n" << false << QStringList{stop};
    QTest::newRow("a command that fails: said and shown")
        << "#!/bin/sh\nprintf '%s' \"$*\" > \"$0.args\"\nexit 3\n" << false << QStringList{stop, failed};
    QTest::newRow("a command that hangs: ended at its time limit, said")
        << "#!/bin/sh\nprintf '%s' \"$*\" > \"$0.args\"\nexec sleep 30\n" << false << QStringList{stop, failed};
    QTest::newRow("no mail settings: the mail is said not to go, the command still runs")
        << "#!/bin/sh\nprintf '%s' \"$*\" > \"$0.args\"\n" << true
        << QStringList{stop, QStringLiteral("メールのせっていが　できていないので、よびだしの　メールは　おくれません")};
}

void MailSend::callReach()
{
    QFETCH(QString, script);
    QFETCH(bool, mail);
    QFETCH(QStringList, told);
    const auto limit = mail::setCommandTimeLimit(std::chrono::milliseconds(1500));
    const auto restore = qScopeGuard([limit] { mail::setCommandTimeLimit(limit); });
    if (mail)
        mail::writeSettings(m_form->settings(), {});
    const QString program = m_base.filePath(QStringLiteral("relay"));
    QFile::remove(program + QStringLiteral(".args"));
    QFile f(program);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(script.toUtf8());
    f.close();
    QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    input::Call &call = m_form->methods().call();
    input::CallSettings s;
    s.hold = 3000;
    s.mail = mail;
    s.command = program;
    call.setSettings(s);
    const QDateTime at = QDateTime::currentDateTime();
    call.start();
    QTest::qWait(2500); // past the time limit: the command has ended either way
    QVERIFY(m_speech->spokenTexts().isEmpty());
    call.stop();
    QTRY_COMPARE(spokenInDecisionVoice(), told);
    QCOMPARE(m_notices.size(), told.size() - 1);
    // The call's time, and nothing the user wrote, is its one argument.
    QTRY_VERIFY(QFile::exists(program + QStringLiteral(".args")));
    QFile written(program + QStringLiteral(".args"));
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QString args = QString::fromUtf8(written.readAll());
    QVERIFY2(qAbs(QDateTime::fromString(args, Qt::ISODate).secsTo(at)) <= 1, qPrintable(args));
}

QTEST_MAIN(MailSend)
#include "tst_mailsend.moc"
