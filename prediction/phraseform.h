#pragma once
#include "base/context.h"
#include "prediction/phrases.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace prediction {

class WordRow;

// "定型文の設定": a helper adds, changes, orders and removes the phrases
// (and the headings that group them) with the keyboard or the mouse. 保存
// writes them to the phrase file (only when something changed); キャンセル
// or Escape changes nothing. A phrase file that could not be read is named
// at the top, with what saving does with it.
class PhraseForm : public QDialog
{
    Q_OBJECT

public:
    PhraseForm(const context::Context &ctx, WordRow &row);

    QListWidget *List_box = nullptr;
    QLineEdit *Text_edit = nullptr;
    QCheckBox *Heading_check = nullptr;
    QLabel *Warning_label = nullptr;
    QPushButton *Add_btn = nullptr;
    QPushButton *Change_btn = nullptr;
    QPushButton *Up_btn = nullptr;
    QPushButton *Down_btn = nullptr;
    QPushButton *Remove_btn = nullptr;
    QPushButton *Defaults_btn = nullptr;
    QPushButton *Ok_btn = nullptr;
    QPushButton *Esc_btn = nullptr;

    // Shows the phrases in use, then the dialog, modally.
    void showModal();
    // The lines as the dialog shows them.
    PhraseList lines() const;

    void add();
    void change();
    void move(int by);
    void remove();
    void Ok_btnClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fill(const PhraseList &lines);
    void selected();
    void insertLine(int row, const PhraseLine &line);
    PhraseLine edited() const;

    context::Context m_ctx;
    WordRow &m_row;
    PhraseList m_opened;
};

} // namespace prediction
