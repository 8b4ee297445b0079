#pragma once
#include <QAction>
#include <QMenu>

class QMenuBar;

// The menu bar as designed: every menu and item under its design name.
struct MenuItems
{
    QMenu *File1, *Edit1, *Read, *Mail, *N1, *N10, *N15, *Help1;
    // ファイル
    QAction *N2, *Save1, *Exit1, *Print1, *Exit2;
    // 編集
    QAction *Del, *A1, *Undo1, *Copy1, *N19;
    // 読む; the names of reached places left to a screen reader
    QAction *R1, *N7, *ScreenReader1;
    // メール設定
    QAction *Send1, *N6;
    // 練習モード (one radio group)
    QAction *N3, *N4, *N5, *N8, *N9;
    // 入力方法 (ticks set by the selection operations themselves); switch
    // input, its settings and dwell for the mouse
    QAction *N11, *N12, *N13, *N14, *Switch1, *Dwell1, *SwitchSetup1;
    // 文字
    QAction *I1, *N16, *N17, *N18;
    // 文字: kana–kanji conversion, and forgetting what it learnt
    QAction *Kanji1, *KanjiForget1;
    // 文字 → 変換エンジン (one radio group)
    QMenu *Engine1;
    QAction *EngineAnthy1, *EngineMozc1, *EngineAuto1;
    // 文字: the row of words and phrases, forgetting what it learnt, the
    // phrases, and phrases said without being written
    QAction *Words1, *WordsForget1, *Phrases1, *SpeakOnly1;
    // ヘルプ
    QAction *ReadMeH1, *About1;
};

MenuItems buildMenus(QMenuBar *bar);
