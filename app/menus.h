#pragma once
#include <QAction>
#include <QMenu>

class QMenuBar;

// The menu bar: every menu and item, named (and object-named) by what it is.
struct MenuItems
{
    QMenu *file, *edit, *read, *mail, *practice, *inputMethod, *characters, *help;
    // ファイル
    QAction *open, *save, *saveAs, *print, *quit;
    // 編集
    QAction *deleteOne, *clearAll, *undo, *copy, *paste;
    // 読む; the names of reached places left to a screen reader
    QAction *readAloud, *voiceSettings, *screenReader;
    // メール設定; the call for help's settings
    QAction *send, *mailSettings, *callSettings;
    // 練習モード (one radio group)
    QAction *practiceA, *practiceAToKa, *practiceAToSa, *practiceAToNa, *practiceAll;
    // 入力方法 (ticks set by the selection operations themselves; "ホバリング"
    // is never shown); switch input, its settings and dwell for the mouse
    QAction *arrowKeys, *mouse, *keypad, *hovering, *switchInput, *dwell, *switchSettings;
    // 入力方法: the call for help started from the menu
    QAction *call;
    // 文字: the inverted display and the sizes (one radio group)
    QAction *inverted, *largeSize, *standardSize, *smallSize;
    // 文字: kana–kanji conversion, forgetting what it learnt, its words in the row
    QAction *kanji, *kanjiForget, *kanjiWords;
    // 文字 → 変換エンジン (one radio group)
    QMenu *engines;
    QAction *anthy, *mozc, *automatic;
    // 文字: the row of words and phrases, forgetting what it learnt, the
    // phrases, and phrases said without being written
    QAction *words, *wordsForget, *phrases, *speakOnly;
    // ヘルプ
    QAction *readMe, *about;
};

MenuItems buildMenus(QMenuBar *bar);
