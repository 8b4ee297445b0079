#pragma once
#include <QList>
#include <QPoint>
#include <QString>

// The window-wide variables that the parts of the main window share. Each
// lives as long as the window.
struct MainState
{
    int Scan_pos = 0;            // Tag treated as current by arrow-key and keypad moves
    int Last_key = 0;            // Tag of the key last pressed through ButtonClick
    int Framed_key = -1;         // Tag of the key round which the frame was last drawn, -1 none
    int Input_mode = 0;          // 0 arrow keys, 1 mouse, 2 multi-tap keypad, 3 switch
    bool Greeting_pending = true;
    QString Undo_text;           // whole-text snapshot for undo
    int Line_before = 0;         // display line of the insertion point before the last edit
    int Line_memory = 0;         // display line recorded by new line and delete
    int Saved_sel = 0;           // insertion position remembered during an edit
    QPoint Caret_point;          // insertion bar position in display pixels
    bool Caret_shown = false;
    int Char_step = 0;
    int Line_step = 0;
    QString Base_dir;            // the current folder at start; in the portable layout diaries, read-me and mailer lie under it
    int Chars_per_line = 17;
    int Selection_voice = 0;     // voice announcing keys as they are reached
    int Decision_voice = 0;      // voice of everything that follows a decision
    QString Speech_text;         // the text about to be spoken
    QList<int> Voice_table;      // engine modes standing for the voice dialog's lines, from index 1
    int Last_width = 0;
    int Last_height = 0;
};
