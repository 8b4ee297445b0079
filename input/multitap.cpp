#include "input/multitap.h"

namespace input {

namespace {

constexpr int kGroupSize = 5;

// First Tag of each digit's column, telephone fashion: 7 8 9 / 4 5 6 / 1 2 3 / 0.
constexpr int kDigitGroup[10] = {46, 31, 36, 41, 16, 21, 26, 1, 6, 11};

} // namespace

TapKey tapKeyFor(int key, Qt::KeyboardModifiers modifiers)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return {TapKey::Group, kDigitGroup[key - Qt::Key_0]};
    if (!(modifiers & Qt::KeypadModifier))
        return {};
    switch (key) {
    case Qt::Key_Period: return {TapKey::Group, 51};
    case Qt::Key_Minus: return {TapKey::Group, 56};
    case Qt::Key_Slash: return {TapKey::Group, 61};
    case Qt::Key_Plus: return {TapKey::ReadAloud, 0};
    case Qt::Key_Asterisk: return {TapKey::Words, kFirstWord};
    default: return {};
    }
}

std::optional<int> MultiTap::press(int first, const Reachable &shown)
{
    if (Tapped_key < first || Tapped_key >= first + kGroupSize)
        Tap_index = 1;
    const int target = first + Tap_index - 1;
    if (!shown.test(target))
        return std::nullopt;
    Tapped_key = target;
    Tap_index = Tap_index % kGroupSize + 1;
    return target;
}

std::optional<int> MultiTap::pressWords(const Reachable &shown)
{
    const int from = isWordPlace(Tapped_key) ? Tapped_key - kFirstWord + 1 : 0;
    for (int i = 0; i < kWordCount; ++i) {
        const int place = kFirstWord + (from + i) % kWordCount;
        if (shown.test(place)) {
            Tapped_key = place;
            Tap_index = 1;
            return place;
        }
    }
    return std::nullopt;
}

} // namespace input
