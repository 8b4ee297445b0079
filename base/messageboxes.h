#pragma once
#include <QString>
#include <functional>

class QHBoxLayout;
class QPushButton;
class QWidget;

// The two message boxes every operation uses.
//  - the notice box: titled "もじぽっと帳", the text, no icon, one OK button
//    that Enter and Escape also press;
//  - the error box: the same title with the error icon; a full stop is
//    appended when the message's last character sorts after it.
namespace boxes {

enum class Kind { Notice, Error };

void notice(QWidget *parent, const QString &text);
void error(QWidget *parent, const QString &message);

// Moves a dialog so that it stands centred on the desktop.
void centre(QWidget *dialog);

// A settings dialog's closing row, at its right: "OK" (the default button,
// object name Ok_btn) and "キャンセル" (Esc_btn), made as children of `dialog`.
QHBoxLayout *okAndCancel(QWidget *dialog, QPushButton *&ok, QPushButton *&cancel);

// The text the error box shows for a message.
QString errorText(const QString &message);

// Tests answer the boxes themselves: while a handler is set, no box is shown
// and the handler receives what would have been.
using Handler = std::function<void(Kind, const QString &)>;
void setHandler(Handler handler);

} // namespace boxes
