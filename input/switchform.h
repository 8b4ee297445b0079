#pragma once
#include "base/context.h"
#include "input/switchpace.h"
#include "input/switchsettings.h"

#include <QDialog>

class PaceChart;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

// The switch settings dialog "スイッチの設定": the style, the two switches
// (each caught by pressing it), the automatic scan's times, where the scan
// starts again after a press, the scan's order and its groups' names, and
// the dwell time; the pace learned from the presses (自動 or 手動, what was
// learned, a chart of the last 14 days, and a button that begins it again)
// and whether a late press is taken for the place just left. OK puts the values into
// effect and writes them to the settings file; ESC or キャンセル changes
// nothing. Created once with the main window, filled at every opening.
class TSwitch_form : public QDialog
{
    Q_OBJECT

public:
    // `current` gives the values in effect when the dialog opens.
    TSwitch_form(const context::Context &ctx, std::function<input::SwitchSettings()> current);

    QComboBox *Style_box = nullptr;
    QPushButton *Move_btn = nullptr;   // catches the move switch
    QPushButton *Select_btn = nullptr; // catches the select switch
    QPushButton *MoveReset_btn = nullptr;
    QPushButton *SelectReset_btn = nullptr;
    QSpinBox *Interval_spin = nullptr;
    QSpinBox *FirstWait_spin = nullptr;
    QSpinBox *Loops_spin = nullptr;
    QSpinBox *Hold_spin = nullptr;
    QSpinBox *Ignore_spin = nullptr;
    QComboBox *After_box = nullptr;
    QComboBox *Order_box = nullptr; // "並び": 1 to 3
    QComboBox *Names_box = nullptr; // the groups' names: long or short
    QSpinBox *Dwell_spin = nullptr;
    QComboBox *Pace_box = nullptr;  // "はやさ": 自動 or 手動
    QComboBox *Late_box = nullptr;  // "おそいおし": the place just left or the next
    QLabel *PaceFigures_label = nullptr;
    PaceChart *Pace_chart = nullptr;
    QPushButton *PaceReset_btn = nullptr; // "はやさを　もとにもどす"
    QPushButton *Ok_btn = nullptr;
    QPushButton *Esc_btn = nullptr;

    // What the pace has learned, asked at every opening.
    void setPaceSource(std::function<input::SwitchPace()> pace) { m_pace = std::move(pace); }
    void showPace(const input::SwitchPace &pace);
    // The figures line: the learned 間隔, the usual and slow press times.
    static QString paceFigures(const input::SwitchPace &pace, int interval);

    // Shows the values in effect, then the dialog, modally.
    void showModal();
    void fill(const input::SwitchSettings &settings);
    // The values as the dialog shows them.
    input::SwitchSettings chosen() const;
    // Whether a switch is being caught.
    bool catching() const { return m_catching >= 0; }

    // What a switch is called in the dialog.
    static QString switchName(int value, bool move, input::SwitchStyle style);

    void Ok_btnClick();

signals:
    // OK: the values to put into effect (then written to the settings file).
    void settingsChosen(const input::SwitchSettings &settings);
    // OK after "はやさを　もとにもどす": the learned presses are forgotten,
    // learning begins again from the 間隔 chosen (after settingsChosen).
    void paceReset();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void startCatching(int which);
    void stopCatching();
    void showNames();

    context::Context m_ctx;
    std::function<input::SwitchSettings()> m_current;
    std::function<input::SwitchPace()> m_pace;
    bool m_resetPace = false;
    int m_switches[2] = {input::kDefaultSwitch, input::kDefaultSwitch}; // move, select
    int m_catching = -1;
    input::SwitchSettings m_shown;
};
