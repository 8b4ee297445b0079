#include "app/practicemode.h"

#include "base/context.h"
#include "base/keybutton.h"
#include "input/methods.h"

namespace practice {

namespace {
constexpr int kLastKana = 55;
}

void showFirstKeys(context::Keys &board, input::Methods &methods, int shownKeys)
{
    // Moving the focus before the key disappears keeps the window from
    // passing it on to whichever key comes next in the Tab order.
    if (KeyButton *focused = board.focusedKey()) {
        const int tag = focused->Tag();
        if (tag > shownKeys && tag <= kLastKana) {
            const int target = keys::rowOf(tag); // the あ column holds Tags 1 to 5
            board.key(target)->setFocus(Qt::OtherFocusReason);
            // The walk goes on from there only if it had put the focus on
            // the hidden key; a key reached by the pointer or Tab leaves the
            // walk where it was.
            if (methods.scanPos() == tag)
                methods.walkFrom(target);
        }
    }
    for (int tag = 1; tag <= kLastKana; ++tag)
        board.key(tag)->setVisible(tag <= shownKeys);
}

} // namespace practice
