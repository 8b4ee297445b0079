#pragma once
#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;
#include "base/context.h"

// The voice settings dialog "音声設定": the engine's Japanese voices in two
// lists, one for the voice heard when a key is reached and one for the
// voice of everything that follows a decision. Created once with the main
// window; its lists are rebuilt at every opening. It speaks nothing.
class TSound_form : public QDialog
{
    Q_OBJECT

public:
    explicit TSound_form(const context::Context &ctx);

    QLabel *Select_lbl = nullptr;
    QListWidget *Selct_list = nullptr;
    QLabel *Enter_lbl = nullptr;
    QListWidget *Enter_list = nullptr;
    QPushButton *Ok_btn = nullptr;
    QPushButton *Esc_btn = nullptr;

    // Rebuilds both lists from the engine's modes and selects the lines of
    // the voices stored in the settings file. An error of the speech control
    // ends it (AppError) before the dialog is shown.
    void fillLists();
    // The work of the menu item: fills the lists and shows the dialog
    // modally, centred on the desktop.
    void showModal();

    // Applies the chosen lines to the main window's voices, writes both to
    // the settings file and closes.
    void Ok_btnClick();
    // Closes; nothing changes.
    void Esc_btnClick();
    // The engine modes the lines stand for, from index 1.
    const QList<int> &Voice_table() const { return m_voiceTable; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    context::Context m_ctx;
    QList<int> m_voiceTable; // the engine modes the lines stand for, from index 1
};
