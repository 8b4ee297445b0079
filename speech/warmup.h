#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// What is synthesised in the background at start, so that keys sound at
// once from the first move: the greeting, the announcement of the focused
// key, the announcements of all other keys in the selection voice, any
// further texts in the selection voice (the switch scan's group names) and
// in the decision voice (its short names), the row of words' places as
// they are at a sentence start, then the kana a key press speaks in the
// decision voice and the messages. Each (voice, text) once. Everything
// else is made when it is first said.
namespace warmup {

struct Item
{
    int mode;
    QString text;
    friend bool operator==(const Item &, const Item &) = default;
};

// The warm-up's texts: what is said when a place is reached (the greeting,
// every key, then `more` and `moreDecision`, then `rowFirst` in the selection
// voice), then what is said after a press (the kana) and the messages.
QList<Item> items(int selectionVoice, int decisionVoice, int focusedTag = 0, const QStringList &more = {},
                  const QStringList &moreDecision = {}, const QStringList &rowFirst = {});

// What a press of a kana key speaks: its kana, with "ハ" for "は" and the
// readings of "、", "。", "ー" and "くうはく"; empty for keys that speak
// otherwise.
QString pressedText(int tag);

} // namespace warmup
