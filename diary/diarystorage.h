#pragma once
#include <QString>
#include <functional>

class TMain_form;

// Keeping the text on disk, and the end of the program. Failures throw
// AppError; the window's guarded handler shows them in the error box.
namespace diary {

// Said and shown once when a save writes a file as UTF-8 (behind a
// byte-order mark) where it was not, because some character of the text has
// no Shift-JIS form.
inline const QString kFormChanged =
    QStringLiteral("ぜんぶの もじを のこすために、いつもと ちがう かたちで しまいました。");

// "しまう" and Ctrl+S: the plain text to today's diary file in the diary folder,
// "送信(&S)" enabled, "きょうのひづけでしまいました" spoken (then kFormChanged
// when the file changed its form). An empty display
// writes nothing, disables "送信(&S)" and speaks "にっきがかけていませんよ。".
void saveDated(TMain_form &form);

// "名前をつけて保存(&S)...": the plain text to a file chosen in the save
// dialog, which starts in the diary folder. Silent but for kFormChanged;
// "送信(&S)" unchanged.
void saveAs(TMain_form &form);

// "開く(&O)...": a file chosen in the open dialog, which starts in the diary
// folder, replaces the text of the display. Silent.
void openFile(TMain_form &form);

// Replaces the text of the display with a text file's content (open and the
// read-me). A file that cannot be read leaves the display as it was.
void showFile(TMain_form &form, const QString &path);

// "おわり", Ctrl+Q and the keypad's end key: the farewell is spoken, the
// notice "じゃまたね" waits for OK, then the program ends.
void endProgram(TMain_form &form);

// What ends the program once the farewell notice is closed: the end of the
// main event loop unless tests set their own; an empty function restores it.
void setProgramEnd(std::function<void()> end);

} // namespace diary
