#include "mail/mailform.h"

#include "base/messageboxes.h"
#include "base/apperror.h"
#include "base/fonts.h"
#include "base/context.h"
#include "mail/mailsettings.h"
#include "mail/sending.h"

#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

template <typename W>
W *placed(W *widget, const char *name, const QRect &geometry, const QFont &font)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    widget->setFont(font);
    return widget;
}

} // namespace

TMail_form::TMail_form(context::Window &owner)
    : QDialog(owner.widget(), Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                         | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_owner(owner)
{
    setObjectName(QStringLiteral("Mail_form"));
    setWindowTitle(QStringLiteral("メール設定"));
    setFixedSize(315, 292);
    setFont(fonts::proportional(12, false));
    QPalette p = palette();
    p.setColor(QPalette::Window, p.color(QPalette::Button));
    setPalette(p);
    setAutoFillBackground(true);

    const QFont caption = fonts::proportional(21, true);
    const QFont entry = fonts::proportional(16, true);
    To_lbl = placed(new QLabel(QStringLiteral("送り先のメールアドレス"), this), "To_lbl", {12, 9, 217, 21}, caption);
    To_edit = placed(new QLineEdit(this), "To_edit", {24, 33, 265, 24}, entry);
    From_lbl = placed(new QLabel(QStringLiteral("自分のメールアドレス"), this), "From_lbl", {12, 81, 200, 21}, caption);
    From_edit = placed(new QLineEdit(this), "From_edit", {24, 105, 265, 24}, entry);
    Smtp_lbl = placed(new QLabel(QStringLiteral("SMTPサーバ"), this), "Smtp_lbl", {12, 153, 123, 21}, caption);
    Smtp_edit = placed(new QLineEdit(this), "Smtp_edit", {24, 177, 265, 24}, entry);
    Ok_btn = placed(new QPushButton(QStringLiteral("ＯＫ"), this), "Ok_btn", {6, 228, 91, 49}, caption);
    Esc_btn = placed(new QPushButton(QStringLiteral("ＥＳＣ"), this), "Esc_btn", {114, 228, 91, 49}, caption);
    smail_btn = placed(new QPushButton(QStringLiteral("詳細設定"), this), "smail_btn", {219, 234, 91, 37},
                       fonts::proportional(21, false));
    // Enter in an edit box presses ＯＫ.
    Ok_btn->setDefault(true);

    setTabOrder(To_edit, From_edit);
    setTabOrder(From_edit, Smtp_edit);
    setTabOrder(Smtp_edit, Ok_btn);
    setTabOrder(Ok_btn, Esc_btn);
    setTabOrder(Esc_btn, smail_btn);

    connect(Ok_btn, &QPushButton::clicked, this, &TMail_form::Ok_btnClick);
    connect(Esc_btn, &QPushButton::clicked, this, &TMail_form::Esc_btnClick);
    connect(smail_btn, &QPushButton::clicked, this, &TMail_form::smail_btnClick);
}

void TMail_form::loadSettings()
{
    const mail::Settings s = mail::readSettings(m_owner.settings());
    To_edit->setText(s.recipient);
    From_edit->setText(s.sender);
    Smtp_edit->setText(s.server);
}

void TMail_form::showModal()
{
    loadSettings();
    boxes::centre(this);
    To_edit->setFocus(Qt::TabFocusReason);
    exec();
    // Back to the board, also where no window manager hands the activation
    // back: the keys announce themselves only in the active window.
    m_owner.widget()->activateWindow();
}

void TMail_form::Ok_btnClick()
{
    // The result is OK from the start: the dialog closes even when the
    // settings file refuses the write (the error box says so first).
    setResult(QDialog::Accepted);
    const mail::Settings s{To_edit->text(), From_edit->text(), Smtp_edit->text()};
    m_owner.guarded([&] { mail::writeSettings(m_owner.settings(), s); });
    done(QDialog::Accepted);
}

void TMail_form::Esc_btnClick()
{
    done(QDialog::Rejected);
}

void TMail_form::smail_btnClick()
{
    m_owner.guarded([&] {
        const QString mailer = m_owner.places().mailer;
        if (!mail::startMailerAlone(mailer))
            throw AppError(QStringLiteral("%1 を起動できません").arg(QDir::toNativeSeparators(mailer)));
    });
}

void TMail_form::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
