#pragma once
#include "base/context.h"
#include "input/callsettings.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
namespace input {
class Call;
}

// The dialog "よびだしの設定", where a helper sets up the call for help: how
// long the switch is held (or no call by holding), a test of the chime, the
// mail and its text, and the command with a button that runs it once. OK
// puts the values into effect and writes them to the settings file; ESC or
// キャンセル changes nothing. Created once with the main window.
class CallForm : public QDialog
{
    Q_OBJECT

public:
    CallForm(const context::Context &ctx, input::Call &call);

    QCheckBox *Hold_check = nullptr;  // calling by holding the switch
    QSpinBox *Hold_spin = nullptr;    // 長さ, 1000–10000 ms
    QPushButton *Chime_btn = nullptr; // the chime once, at full volume
    QCheckBox *Mail_check = nullptr;
    QLineEdit *Text_edit = nullptr;
    QLineEdit *Command_edit = nullptr;
    QPushButton *Try_btn = nullptr;   // ためす: the command once, with the time
    QLabel *Result_lbl = nullptr;     // what ためす gave
    QPushButton *Ok_btn = nullptr;
    QPushButton *Esc_btn = nullptr;

    void showModal();
    void fill(const input::CallSettings &settings);
    input::CallSettings chosen() const;
    void Ok_btnClick();
    void tryCommand();

private:
    context::Context m_ctx;
    input::Call &m_call;
};
