#pragma once
#include <QString>
#include <functional>

#include "base/context.h"

// Keeping the text on disk, and the end of the program. Failures throw
// AppError; the window's guarded handler shows them in the error box.
namespace diary {

// Said and shown once when a save writes a file as UTF-8 (behind a
// byte-order mark) where it was not, because some character of the text has
// no Shift-JIS form.
inline const QString kFormChanged =
    QStringLiteral("ぜんぶの もじを のこすために、いつもと ちがう かたちで しまいました。");

// "しまう" and Ctrl+S: the plain text to today's diary file in the diary folder,
// "きょうのひづけでしまいました" spoken (then kFormChanged when the file changed
// its form); true, "送信(&S)" is to be enabled. An empty display writes
// nothing, speaks "にっきがかけていませんよ。" and gives false: "送信(&S)" is to be
// disabled.
bool saveDated(const context::Context &ctx);

// "名前をつけて保存(&S)...": the plain text to a file chosen in the save
// dialog, which starts in the diary folder. Silent but for kFormChanged;
// "送信(&S)" unchanged.
void saveAs(const context::Context &ctx);

// "開く(&O)...": a file chosen in the open dialog, which starts in the diary
// folder, replaces the text of the display. Silent.
void openFile(const context::Context &ctx);

// Replaces the text of the display with a text file's content (open and the
// read-me). A file that cannot be read leaves the display as it was.
void showFile(const context::Context &ctx, const QString &path);

// "おわり", Ctrl+Q and the keypad's end key: the farewell is spoken, the
// notice "じゃまたね" waits for OK, then the program ends.
void endProgram(const context::Context &ctx);

// What ends the program once the farewell notice is closed: the end of the
// main event loop unless tests set their own; an empty function restores it.
void setProgramEnd(std::function<void()> end);

} // namespace diary
