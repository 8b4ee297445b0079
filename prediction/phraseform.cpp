#include "prediction/phraseform.h"

#include "base/messageboxes.h"
#include "prediction/wordrow.h"

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace prediction {

namespace {

constexpr int kHeadingRole = Qt::UserRole;

QPushButton *button(QWidget *parent, const char *name, const char *caption)
{
    auto *b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

PhraseForm::PhraseForm(const context::Context &ctx, WordRow &row)
    : QDialog(ctx.window.widget(), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_ctx(ctx), m_row(row)
{
    setObjectName(QStringLiteral("Phrase_form"));
    setWindowTitle(QStringLiteral("定型文の設定"));
    setModal(true);
    QFont f = font();
    f.setPixelSize(18);
    setFont(f);

    Warning_label = new QLabel(this);
    Warning_label->setObjectName(QStringLiteral("Warning_label"));
    Warning_label->setWordWrap(true);
    Warning_label->setStyleSheet(QStringLiteral("color: #b00000"));
    auto *listLabel = new QLabel(QStringLiteral("定型文(&L)　■は見出し"), this);
    List_box = new QListWidget(this);
    List_box->setObjectName(QStringLiteral("List_box"));
    List_box->setMinimumSize(520, 320);
    listLabel->setBuddy(List_box);
    auto *textLabel = new QLabel(QStringLiteral("文(&T)"), this);
    Text_edit = new QLineEdit(this);
    Text_edit->setObjectName(QStringLiteral("Text_edit"));
    textLabel->setBuddy(Text_edit);
    Heading_check = new QCheckBox(QStringLiteral("見出し(&H)"), this);
    Heading_check->setObjectName(QStringLiteral("Heading_check"));

    Add_btn = button(this, "Add_btn", "追加(&A)");
    Change_btn = button(this, "Change_btn", "変更(&C)");
    Up_btn = button(this, "Up_btn", "上へ(&U)");
    Down_btn = button(this, "Down_btn", "下へ(&D)");
    Remove_btn = button(this, "Remove_btn", "削除(&R)");
    Defaults_btn = button(this, "Defaults_btn", "はじめの定型文(&B)");
    Ok_btn = new QPushButton(QStringLiteral("保存(&S)"), this);
    Ok_btn->setObjectName(QStringLiteral("Ok_btn"));
    Ok_btn->setDefault(true);
    Esc_btn = button(this, "Esc_btn", "キャンセル");

    auto *side = new QVBoxLayout;
    for (QPushButton *b : {Up_btn, Down_btn, Remove_btn, Defaults_btn})
        side->addWidget(b);
    side->addStretch();
    auto *edit = new QHBoxLayout;
    edit->addWidget(textLabel);
    edit->addWidget(Text_edit, 1);
    edit->addWidget(Heading_check);
    edit->addWidget(Add_btn);
    edit->addWidget(Change_btn);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Ok_btn);
    buttons->addWidget(Esc_btn);
    auto *grid = new QGridLayout(this);
    grid->addWidget(Warning_label, 0, 0, 1, 2);
    grid->addWidget(listLabel, 1, 0, 1, 2);
    grid->addWidget(List_box, 2, 0);
    grid->addLayout(side, 2, 1);
    grid->addLayout(edit, 3, 0, 1, 2);
    grid->addLayout(buttons, 4, 0, 1, 2);

    const auto on = [this](QPushButton *b, void (PhraseForm::*handler)()) {
        connect(b, &QPushButton::clicked, this, [this, handler] { m_ctx.window.guarded([&] { (this->*handler)(); }); });
    };
    on(Add_btn, &PhraseForm::add);
    on(Change_btn, &PhraseForm::change);
    on(Remove_btn, &PhraseForm::remove);
    on(Ok_btn, &PhraseForm::Ok_btnClick);
    connect(Up_btn, &QPushButton::clicked, this, [this] { move(-1); });
    connect(Down_btn, &QPushButton::clicked, this, [this] { move(1); });
    connect(Defaults_btn, &QPushButton::clicked, this, [this] { fill(defaultPhrases()); });
    connect(Esc_btn, &QPushButton::clicked, this, &QDialog::reject);
    connect(List_box, &QListWidget::currentRowChanged, this, [this] { selected(); });
    // Enter in the text adds it (it does not close the dialog); Delete in
    // the list removes the phrase, Ctrl+Up and Ctrl+Down move it.
    Text_edit->installEventFilter(this);
    List_box->installEventFilter(this);
}

bool PhraseForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    if (watched == Text_edit && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        add();
        return true;
    }
    if (watched == List_box && key->key() == Qt::Key_Delete) {
        remove();
        return true;
    }
    if (watched == List_box && ctrl && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
        move(key->key() == Qt::Key_Up ? -1 : 1);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void PhraseForm::insertLine(int row, const PhraseLine &line)
{
    auto *item = new QListWidgetItem(line.heading ? QStringLiteral("■ ") + line.text : line.text);
    item->setData(kHeadingRole, line.heading);
    item->setData(Qt::UserRole + 1, line.text);
    if (line.heading) {
        QFont bold = font();
        bold.setBold(true);
        item->setFont(bold);
    }
    List_box->insertItem(row, item);
}

void PhraseForm::fill(const PhraseList &lines)
{
    List_box->clear();
    for (const PhraseLine &line : lines)
        insertLine(List_box->count(), line);
    if (List_box->count() > 0)
        List_box->setCurrentRow(0);
}

PhraseList PhraseForm::lines() const
{
    PhraseList out;
    for (int i = 0; i < List_box->count(); ++i) {
        const QListWidgetItem *item = List_box->item(i);
        out.append({item->data(Qt::UserRole + 1).toString(), item->data(kHeadingRole).toBool()});
    }
    return out;
}

void PhraseForm::showModal()
{
    const PhraseFile &file = m_row.phrases();
    const bool unusable = file.status != PhraseFile::Missing && file.status != PhraseFile::Read;
    Warning_label->setVisible(unusable);
    if (unusable)
        Warning_label->setText(
            QStringLiteral("定型文のファイル「%1」は読めません（%2）。ファイルはそのままにしてあります。"
                           "保存すると、そのファイルは「%3」として残し、ここにある定型文を新しく書きます。")
                .arg(QDir::toNativeSeparators(m_row.phrasePath()), file.reason,
                     QDir::toNativeSeparators(WordRow::keptName(m_row.phrasePath()))));
    m_opened = file.lines;
    fill(m_opened);
    Text_edit->clear();
    Heading_check->setChecked(false);
    adjustSize();
    boxes::centre(this);
    List_box->setFocus();
    exec();
}

void PhraseForm::selected()
{
    const QListWidgetItem *item = List_box->currentItem();
    if (!item)
        return;
    Text_edit->setText(item->data(Qt::UserRole + 1).toString());
    Heading_check->setChecked(item->data(kHeadingRole).toBool());
}

PhraseLine PhraseForm::edited() const
{
    return {Text_edit->text().trimmed(), Heading_check->isChecked()};
}

void PhraseForm::add()
{
    const PhraseLine line = edited();
    if (line.text.isEmpty()) {
        Text_edit->setFocus();
        return;
    }
    // After the phrase selected, or at the end.
    const int row = List_box->currentRow() < 0 ? List_box->count() : List_box->currentRow() + 1;
    insertLine(row, line);
    List_box->setCurrentRow(row);
}

void PhraseForm::change()
{
    const PhraseLine line = edited();
    const int row = List_box->currentRow();
    if (line.text.isEmpty() || row < 0)
        return;
    delete List_box->takeItem(row);
    insertLine(row, line);
    List_box->setCurrentRow(row);
}

void PhraseForm::move(int by)
{
    const int row = List_box->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= List_box->count())
        return;
    QListWidgetItem *item = List_box->takeItem(row);
    List_box->insertItem(to, item);
    List_box->setCurrentRow(to);
}

void PhraseForm::remove()
{
    const int row = List_box->currentRow();
    if (row < 0)
        return;
    delete List_box->takeItem(row);
    List_box->setCurrentRow(std::min(row, List_box->count() - 1));
}

void PhraseForm::Ok_btnClick()
{
    const bool unusable = m_row.phrases().status != PhraseFile::Missing && m_row.phrases().status != PhraseFile::Read;
    // Nothing changed: nothing is written (the phrases stay built in until
    // a helper first saves a change).
    if (lines() != m_opened || unusable)
        m_row.savePhrases(lines()); // throws when it cannot: the dialog stays open
    accept();
}

} // namespace prediction
