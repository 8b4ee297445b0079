#include "speech/soundform.h"

#include "base/messageboxes.h"
#include "base/fonts.h"
#include "base/context.h"
#include "speech/directss.h"
#include "speech/voices.h"
#include "speech/voicelist.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

// The line chosen in a list, or -1 when none is.
int chosenLine(const QListWidget *list)
{
    const QList<QListWidgetItem *> chosen = list->selectedItems();
    return chosen.isEmpty() ? -1 : list->row(chosen.first());
}

} // namespace

TSound_form::TSound_form(const context::Context &ctx)
    : QDialog(ctx.window.widget(), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_ctx(ctx)
{
    setObjectName(QStringLiteral("Sound_form"));
    setWindowTitle(QStringLiteral("音声設定"));
    setModal(true);
    setFixedSize(311, 407);
    setFont(fonts::proportional(12, false));

    const auto label = [this](const char *name, const QString &text, QRect geometry) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(fonts::proportional(19, true));
        l->setGeometry(geometry);
        return l;
    };
    const auto list = [this](const char *name, QRect geometry) {
        auto *l = new QListWidget(this);
        l->setObjectName(QString::fromLatin1(name));
        l->setSelectionMode(QAbstractItemView::SingleSelection);
        l->setGeometry(geometry);
        return l;
    };
    const auto button = [this](const char *name, const QString &text, QRect geometry) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setFont(fonts::proportional(19, true));
        b->setGeometry(geometry);
        return b;
    };
    Select_lbl = label("Select_lbl", QStringLiteral("選択時の音声"), QRect(13, 12, 120, 19));
    Selct_list = list("Selct_list", QRect(24, 36, 265, 133));
    Enter_lbl = label("Enter_lbl", QStringLiteral("決定時の音声"), QRect(13, 180, 120, 19));
    Enter_list = list("Enter_list", QRect(24, 204, 265, 133));
    Ok_btn = button("Ok_btn", QStringLiteral("ＯＫ"), QRect(19, 348, 109, 49));
    Esc_btn = button("Esc_btn", QStringLiteral("ＥＳＣ"), QRect(168, 346, 109, 49));
    Ok_btn->setDefault(true);
    setTabOrder(Selct_list, Enter_list);
    setTabOrder(Enter_list, Ok_btn);
    setTabOrder(Ok_btn, Esc_btn);

    connect(Ok_btn, &QPushButton::clicked, this, [this] { m_ctx.window.guarded([this] { Ok_btnClick(); }); });
    connect(Esc_btn, &QPushButton::clicked, this, &TSound_form::Esc_btnClick);
}

void TSound_form::fillLists()
{
    const ProfileFile ini = m_ctx.window.settings();
    const int storedSelection = ini.read(speech::schema::kSelectionVoice);
    // Without a stored voice the lists preselect voice 1, whatever is in use.
    const int storedDecision = ini.read(speech::schema::kDecisionVoice.withStandard(1));
    Selct_list->clear();
    Enter_list->clear();
    const QList<voicelist::Line> lines = voicelist::japaneseLines(m_ctx.speech.engine());
    QList<int> &table = m_voiceTable;
    // Entries 1 to 50 as designed, and as many more as there are lines.
    table.resize(std::max<qsizetype>({table.size(), 51, lines.size() + 1}));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int line = int(i) + 1;
        table[line] = lines[i].mode;
        auto *item = new QListWidgetItem(lines[i].text, Selct_list);
        item->setSizeHint(QSize(0, 12));
        new QListWidgetItem(lines[i].text, Enter_list);
        if (lines[i].mode == storedSelection)
            Selct_list->setCurrentRow(int(i));
        if (lines[i].mode == storedDecision)
            Enter_list->setCurrentRow(int(i));
    }
}

void TSound_form::showModal()
{
    fillLists();
    boxes::centre(this);
    Selct_list->setFocus();
    exec();
}

void TSound_form::Ok_btnClick()
{
    speech::Voices &voices = m_ctx.speech;
    if (const int line = chosenLine(Selct_list); line >= 0)
        voices.setVoice(speech::Role::Selection, m_voiceTable[line + 1]);
    if (const int line = chosenLine(Enter_list); line >= 0)
        voices.setVoice(speech::Role::Decision, m_voiceTable[line + 1]);
    // The voices are in use from here on, even if the file cannot be written.
    const ProfileFile ini = m_ctx.window.settings();
    ini.write(speech::schema::kSelectionVoice, voices.voice(speech::Role::Selection));
    ini.write(speech::schema::kDecisionVoice, voices.voice(speech::Role::Decision));
    accept();
}

void TSound_form::Esc_btnClick()
{
    reject();
}

void TSound_form::keyPressEvent(QKeyEvent *event)
{
    // The Escape key is bound to no button: it leaves the dialog open.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
