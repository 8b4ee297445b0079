#include "mail/callform.h"

#include "base/apperror.h"
#include "base/messageboxes.h"
#include "input/call.h"
#include "mail/callsend.h"
#include "speech/voices.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>

using input::CallSettings;

CallForm::CallForm(const context::Context &ctx, input::Call &call)
    : QDialog(ctx.window.widget(), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_ctx(ctx), m_call(call)
{
    setObjectName(QStringLiteral("Call_form"));
    setWindowTitle(QStringLiteral("よびだしの設定"));
    setModal(true);
    QFont f = font();
    f.setPixelSize(18);
    setFont(f);

    const auto named = [](QWidget *w, const char *name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    Hold_check = new QCheckBox(QStringLiteral("スイッチを長くおすと　よびだす(&C)"), this);
    named(Hold_check, "Hold_check");
    Hold_spin = new QSpinBox(this);
    named(Hold_spin, "Hold_spin");
    Hold_spin->setRange(CallSettings::kHold.low, CallSettings::kHold.high);
    Hold_spin->setSingleStep(500);
    Hold_spin->setSuffix(QStringLiteral(" ミリ秒"));
    Chime_btn = new QPushButton(QStringLiteral("おとを　ためす(&T)"), this);
    named(Chime_btn, "Chime_btn");
    Mail_check = new QCheckBox(QStringLiteral("メールでも　しらせる（メール設定の送り先へ）(&M)"), this);
    named(Mail_check, "Mail_check");
    Text_edit = new QLineEdit(this);
    named(Text_edit, "Text_edit");
    Command_edit = new QLineEdit(this);
    named(Command_edit, "Command_edit");
    Command_edit->setPlaceholderText(QStringLiteral("/usr/local/bin/よびだし（なくてもよい）"));
    Try_btn = new QPushButton(QStringLiteral("ためす(&R)"), this);
    named(Try_btn, "Try_btn");
    Result_lbl = new QLabel(this);
    named(Result_lbl, "Result_lbl");
    for (QPushButton *b : {Chime_btn, Try_btn})
        b->setAutoDefault(false);

    auto *commandRow = new QHBoxLayout;
    commandRow->addWidget(Command_edit, 1);
    commandRow->addWidget(Try_btn);
    auto *form = new QFormLayout;
    form->addRow(Hold_check);
    form->addRow(QStringLiteral("長さ(&L)"), Hold_spin);
    form->addRow(QStringLiteral("よびだしの　おと"), Chime_btn);
    form->addRow(Mail_check);
    form->addRow(QStringLiteral("メールの　ぶん(&B)"), Text_edit);
    form->addRow(QStringLiteral("コマンド(&P)"), commandRow);
    form->addRow(QString(), Result_lbl);

    QHBoxLayout *buttons = boxes::okAndCancel(this, Ok_btn, Esc_btn);
    auto *all = new QVBoxLayout(this);
    all->addLayout(form);
    all->addLayout(buttons);

    connect(Hold_check, &QCheckBox::toggled, Hold_spin, &QWidget::setEnabled);
    connect(Mail_check, &QCheckBox::toggled, Text_edit, &QWidget::setEnabled);
    connect(Chime_btn, &QPushButton::clicked, this, [this] { m_call.chimeOnce(); });
    connect(Try_btn, &QPushButton::clicked, this, [this] { m_ctx.window.guarded([this] { tryCommand(); }); });
    connect(Ok_btn, &QPushButton::clicked, this, [this] { m_ctx.window.guarded([this] { Ok_btnClick(); }); });
    connect(Esc_btn, &QPushButton::clicked, this, &QDialog::reject);
}

void CallForm::fill(const CallSettings &s)
{
    Hold_check->setChecked(s.hold > 0);
    Hold_spin->setEnabled(s.hold > 0);
    Hold_spin->setValue(s.hold > 0 ? s.hold : CallSettings::kHold.standard);
    Mail_check->setChecked(s.mail);
    Text_edit->setEnabled(s.mail);
    Text_edit->setText(s.text);
    Command_edit->setText(s.command);
    Result_lbl->clear();
}

CallSettings CallForm::chosen() const
{
    CallSettings s = m_call.settings();
    s.used = true;
    s.hold = Hold_check->isChecked() ? Hold_spin->value() : 0;
    s.mail = Mail_check->isChecked();
    s.text = Text_edit->text().trimmed().isEmpty() ? CallSettings::defaultText() : Text_edit->text().trimmed();
    s.command = Command_edit->text().trimmed();
    return s;
}

void CallForm::showModal()
{
    fill(m_call.settings());
    adjustSize();
    boxes::centre(this);
    Hold_check->setFocus(Qt::TabFocusReason);
    exec();
    m_ctx.window.widget()->activateWindow();
}

void CallForm::tryCommand()
{
    const QString program = input::callProgram(Command_edit->text().trimmed());
    const auto show = [this](const QString &text) {
        Result_lbl->setText(text);
        m_ctx.speech.say(text, speech::Role::Decision);
    };
    if (program.isEmpty())
        return show(QStringLiteral("コマンドが　みつかりません"));
    show(QStringLiteral("ためしています…"));
    Try_btn->setEnabled(false);
    QPointer<CallForm> self(this);
    mail::runCallCommand(this, program, QDateTime::currentDateTime(), [self, show](bool succeeded) {
        if (!self)
            return;
        self->Try_btn->setEnabled(true);
        show(succeeded ? QStringLiteral("コマンドが　うごきました") : QStringLiteral("コマンドが　うまく　いきませんでした"));
    });
}

void CallForm::Ok_btnClick()
{
    const CallSettings s = chosen();
    // A command that cannot run is refused here, as the file's would be at start.
    if (!s.command.isEmpty() && input::callProgram(s.command).isEmpty()) {
        Result_lbl->setText(QStringLiteral("コマンドが　みつかりません"));
        m_ctx.speech.say(Result_lbl->text(), speech::Role::Decision);
        Command_edit->setFocus(Qt::OtherFocusReason);
        return;
    }
    s.write(m_ctx.window.settings());
    m_call.setSettings(s);
    accept();
}
