#include "app/menus.h"

#include <QActionGroup>
#include <QMenuBar>

namespace {

QAction *item(QMenu *menu, const char *name, const char *caption, const QKeySequence &shortcut = {})
{
    QAction *a = menu->addAction(QString::fromUtf8(caption));
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcut(shortcut);
    // Short-cuts work wherever the focus is in the window, also on a key.
    a->setShortcutContext(Qt::WindowShortcut);
    return a;
}

QAction *check(QMenu *menu, const char *name, const char *caption, QActionGroup *group = nullptr)
{
    QAction *a = item(menu, name, caption);
    a->setCheckable(true);
    if (group)
        group->addAction(a);
    return a;
}

QMenu *menu(QMenuBar *bar, const char *name, const char *caption)
{
    QMenu *m = bar->addMenu(QString::fromUtf8(caption));
    m->setObjectName(QString::fromLatin1(name));
    return m;
}

} // namespace

MenuItems buildMenus(QMenuBar *bar)
{
    MenuItems m{};
    m.File1 = menu(bar, "File1", "ファイル(&F)");
    m.N2 = item(m.File1, "N2", "開く(&O)...", QKeySequence(Qt::CTRL | Qt::Key_O));
    m.Save1 = item(m.File1, "Save1", "保存(&S)", QKeySequence(Qt::CTRL | Qt::Key_S));
    m.Exit1 = item(m.File1, "Exit1", "名前をつけて保存(&S)...");
    m.Print1 = item(m.File1, "Print1", "印刷(&P)", QKeySequence(Qt::CTRL | Qt::Key_P));
    m.Exit2 = item(m.File1, "Exit2", "終了(&X)", QKeySequence(Qt::CTRL | Qt::Key_Q));

    m.Edit1 = menu(bar, "Edit1", "編集(&E)");
    m.Del = item(m.Edit1, "Del", "一文字消す(&D)", QKeySequence(Qt::Key_Delete));
    m.A1 = item(m.Edit1, "A1", "全部消す(&A)", QKeySequence(Qt::CTRL | Qt::Key_Delete));
    m.Undo1 = item(m.Edit1, "Undo1", "元に戻す(&U)", QKeySequence(Qt::CTRL | Qt::Key_Z));
    m.Copy1 = item(m.Edit1, "Copy1", "コピー(&C)", QKeySequence(Qt::CTRL | Qt::Key_C));
    m.N19 = item(m.Edit1, "N19", "貼り付け(&P)", QKeySequence(Qt::CTRL | Qt::Key_V));

    m.Read = menu(bar, "Read", "読む(&R)");
    m.R1 = item(m.Read, "R1", "文章を読む(&R)", QKeySequence(Qt::CTRL | Qt::Key_R));
    m.N7 = item(m.Read, "N7", "音声設定(&S)...");
    m.ScreenReader1 = check(m.Read, "ScreenReader1", "スクリーンリーダーがよむ");

    m.Mail = menu(bar, "Mail", "メール設定(&M)");
    m.Send1 = item(m.Mail, "Send1", "送信(&S)", QKeySequence(Qt::CTRL | Qt::Key_M));
    m.N6 = item(m.Mail, "N6", "メール設定(&C)...");

    m.N1 = menu(bar, "N1", "練習モード(&T)");
    auto *practice = new QActionGroup(m.N1);
    m.N3 = check(m.N1, "N3", "あ行", practice);
    m.N4 = check(m.N1, "N4", "あ・か行", practice);
    m.N5 = check(m.N1, "N5", "あ・か・さ行", practice);
    m.N8 = check(m.N1, "N8", "あ・か・さ・た・な行", practice);
    m.N9 = check(m.N1, "N9", "制限なし", practice);
    m.N9->setChecked(true);

    m.N10 = menu(bar, "N10", "入力方法(&I)");
    m.N11 = check(m.N10, "N11", "矢印キー入力");
    m.N12 = check(m.N10, "N12", "マウス入力");
    m.N13 = check(m.N10, "N13", "携帯入力");
    m.Switch1 = check(m.N10, "Switch1", "スイッチ入力");
    m.N14 = item(m.N10, "N14", "ホバリング");
    m.N14->setVisible(false);
    m.N10->addSeparator();
    m.Dwell1 = check(m.N10, "Dwell1", "マウスでとどまっておす");
    m.SwitchSetup1 = item(m.N10, "SwitchSetup1", "スイッチの設定...");
    m.N11->setChecked(true);

    m.N15 = menu(bar, "N15", "文字（&C）");
    m.I1 = check(m.N15, "I1", "反転（&I）");
    auto *sizes = new QActionGroup(m.N15);
    m.N16 = check(m.N15, "N16", "大きい", sizes);
    m.N17 = check(m.N15, "N17", "標準", sizes);
    m.N18 = check(m.N15, "N18", "小さい", sizes);
    m.N17->setChecked(true);
    m.N15->addSeparator();
    m.Kanji1 = check(m.N15, "Kanji1", "漢字変換");
    m.Engine1 = m.N15->addMenu(QStringLiteral("変換エンジン"));
    m.Engine1->setObjectName(QStringLiteral("Engine1"));
    auto *engines = new QActionGroup(m.Engine1);
    m.EngineAnthy1 = check(m.Engine1, "EngineAnthy1", "Anthy", engines);
    m.EngineMozc1 = check(m.Engine1, "EngineMozc1", "Mozc", engines);
    m.EngineAuto1 = check(m.Engine1, "EngineAuto1", "自動", engines);
    m.KanjiForget1 = item(m.N15, "KanjiForget1", "変換の学習を忘れる");
    m.N15->addSeparator();
    m.Words1 = check(m.N15, "Words1", "ことばのよそく");
    m.WordsForget1 = item(m.N15, "WordsForget1", "よそくの学習を忘れる");
    m.Phrases1 = item(m.N15, "Phrases1", "定型文の設定...");
    m.SpeakOnly1 = check(m.N15, "SpeakOnly1", "えらんだら はなすだけ");

    m.Help1 = menu(bar, "Help1", "ヘルプ(&H)");
    m.ReadMeH1 = item(m.Help1, "ReadMeH1", "ReadMe日記(&H)");
    m.About1 = item(m.Help1, "About1", "バージョン情報(&A)...");
    return m;
}
