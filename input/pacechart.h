#pragma once
#include "input/switchpace.h"

#include <QWidget>

// The helper's chart of the last 14 days in the switch settings dialog: for
// each day, characters a minute (blue bars, above) and corrections per 100
// presses (orange bars, below), the day of the month under each pair, the
// largest figure of each row written at its left. Days without presses
// show no bar. Counts only: nothing of what was written.
class PaceChart : public QWidget
{
    Q_OBJECT

public:
    explicit PaceChart(QWidget *parent = nullptr);
    void setDays(const std::vector<input::SwitchPace::Day> &days);
    const std::vector<input::SwitchPace::Day> &days() const { return m_days; }
    QSize sizeHint() const override { return {460, 200}; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    std::vector<input::SwitchPace::Day> m_days;
};
