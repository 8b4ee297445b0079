#pragma once
#include <QList>
#include <QPoint>
#include <QString>

// The window-wide variables that the parts of the main window share. Each
// lives as long as the window. The place the walk stands on and the method
// in use are input/'s (input::Methods), the voices and the text last said
// speech/'s (speech::Voices).
struct MainState
{
    int Last_key = 0;            // Tag of the key last pressed through ButtonClick
    int Framed_key = -1;         // Tag of the key round which the frame was last drawn, -1 none
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
    int Last_width = 0;
    int Last_height = 0;
};
