#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
namespace context {
class Window;
}

// The mail settings dialog: recipient, own address and SMTP server, loaded
// from the settings file at every opening and written back on OK. Created
// once with the main window and reused; it speaks nothing.
class TMail_form : public QDialog
{
    Q_OBJECT

public:
    explicit TMail_form(context::Window &owner);

    QLabel *To_lbl, *From_lbl, *Smtp_lbl;
    QLineEdit *To_edit, *From_edit, *Smtp_edit;
    QPushButton *Ok_btn, *Esc_btn, *smail_btn;

    // Fills the three boxes from the settings file, replacing what an
    // earlier opening left in them.
    void loadSettings();
    // Loads, shows the dialog modally in the centre of the desktop and
    // returns when it is closed.
    void showModal();

    void Ok_btnClick();
    void Esc_btnClick();
    void smail_btnClick();

protected:
    // Escape does not close the dialog; only ＥＳＣ and the frame do.
    void keyPressEvent(QKeyEvent *event) override;

private:
    context::Window &m_owner;
};
