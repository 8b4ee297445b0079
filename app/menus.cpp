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
    m.file = menu(bar, "file", "ファイル(&F)");
    m.open = item(m.file, "open", "開く(&O)...", QKeySequence(Qt::CTRL | Qt::Key_O));
    m.save = item(m.file, "save", "保存(&S)", QKeySequence(Qt::CTRL | Qt::Key_S));
    m.saveAs = item(m.file, "saveAs", "名前をつけて保存(&S)...");
    m.print = item(m.file, "print", "印刷(&P)", QKeySequence(Qt::CTRL | Qt::Key_P));
    m.quit = item(m.file, "quit", "終了(&X)", QKeySequence(Qt::CTRL | Qt::Key_Q));

    m.edit = menu(bar, "edit", "編集(&E)");
    m.deleteOne = item(m.edit, "deleteOne", "一文字消す(&D)", QKeySequence(Qt::Key_Delete));
    m.clearAll = item(m.edit, "clearAll", "全部消す(&A)", QKeySequence(Qt::CTRL | Qt::Key_Delete));
    m.undo = item(m.edit, "undo", "元に戻す(&U)", QKeySequence(Qt::CTRL | Qt::Key_Z));
    m.copy = item(m.edit, "copy", "コピー(&C)", QKeySequence(Qt::CTRL | Qt::Key_C));
    m.paste = item(m.edit, "paste", "貼り付け(&P)", QKeySequence(Qt::CTRL | Qt::Key_V));

    m.read = menu(bar, "read", "読む(&R)");
    m.readAloud = item(m.read, "readAloud", "文章を読む(&R)", QKeySequence(Qt::CTRL | Qt::Key_R));
    m.voiceSettings = item(m.read, "voiceSettings", "音声設定(&S)...");
    m.screenReader = check(m.read, "screenReader", "スクリーンリーダーがよむ");

    m.mail = menu(bar, "mail", "メール設定(&M)");
    m.send = item(m.mail, "send", "送信(&S)", QKeySequence(Qt::CTRL | Qt::Key_M));
    m.mailSettings = item(m.mail, "mailSettings", "メール設定(&C)...");
    m.callSettings = item(m.mail, "callSettings", "よびだしの設定(&Y)...");

    m.practice = menu(bar, "practice", "練習モード(&T)");
    auto *practice = new QActionGroup(m.practice);
    m.practiceA = check(m.practice, "practiceA", "あ行", practice);
    m.practiceAToKa = check(m.practice, "practiceAToKa", "あ・か行", practice);
    m.practiceAToSa = check(m.practice, "practiceAToSa", "あ・か・さ行", practice);
    m.practiceAToNa = check(m.practice, "practiceAToNa", "あ・か・さ・た・な行", practice);
    m.practiceAll = check(m.practice, "practiceAll", "制限なし", practice);
    m.practiceAll->setChecked(true);

    m.inputMethod = menu(bar, "inputMethod", "入力方法(&I)");
    m.arrowKeys = check(m.inputMethod, "arrowKeys", "矢印キー入力");
    m.mouse = check(m.inputMethod, "mouse", "マウス入力");
    m.keypad = check(m.inputMethod, "keypad", "携帯入力");
    m.switchInput = check(m.inputMethod, "switchInput", "スイッチ入力");
    m.hovering = item(m.inputMethod, "hovering", "ホバリング");
    m.hovering->setVisible(false);
    m.inputMethod->addSeparator();
    m.dwell = check(m.inputMethod, "dwell", "マウスでとどまっておす");
    m.switchSettings = item(m.inputMethod, "switchSettings", "スイッチの設定...");
    m.inputMethod->addSeparator();
    m.call = item(m.inputMethod, "call", "よびだす(&Y)");
    m.arrowKeys->setChecked(true);

    m.characters = menu(bar, "characters", "文字（&C）");
    m.inverted = check(m.characters, "inverted", "反転（&I）");
    auto *sizes = new QActionGroup(m.characters);
    m.largeSize = check(m.characters, "largeSize", "大きい", sizes);
    m.standardSize = check(m.characters, "standardSize", "標準", sizes);
    m.smallSize = check(m.characters, "smallSize", "小さい", sizes);
    m.standardSize->setChecked(true);
    m.characters->addSeparator();
    m.kanji = check(m.characters, "kanji", "漢字変換");
    m.engines = m.characters->addMenu(QStringLiteral("変換エンジン"));
    m.engines->setObjectName(QStringLiteral("engines"));
    auto *engines = new QActionGroup(m.engines);
    m.anthy = check(m.engines, "anthy", "Anthy", engines);
    m.mozc = check(m.engines, "mozc", "Mozc", engines);
    m.automatic = check(m.engines, "automatic", "自動", engines);
    m.kanjiForget = item(m.characters, "kanjiForget", "変換の学習を忘れる");
    m.characters->addSeparator();
    m.words = check(m.characters, "words", "ことばのよそく");
    m.wordsForget = item(m.characters, "wordsForget", "よそくの学習を忘れる");
    m.phrases = item(m.characters, "phrases", "定型文の設定...");
    m.speakOnly = check(m.characters, "speakOnly", "えらんだら はなすだけ");
    // Last, so that the items before it keep their places for those who reach them by count.
    m.kanjiWords = check(m.characters, "kanjiWords", "漢字のよそく");

    m.help = menu(bar, "help", "ヘルプ(&H)");
    m.readMe = item(m.help, "readMe", "ReadMe日記(&H)");
    m.about = item(m.help, "about", "バージョン情報(&A)...");
    return m;
}
