// Writing as a user does it: kana keys pressed with the mouse, Enter or
// Space, the voicing marks, the insertion bar, delete, new line, clear all,
// undo, copy and paste; what is spoken, in which voice.
#include "base/fonts.h"
#include "base/keybutton.h"
#include "base/keytable.h"
#include "app/mainform.h"
#include "base/messageboxes.h"
#include "base/textdisplay.h"
#include "base/textmodel.h"
#include "speech/recordingspeech.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

namespace {

constexpr int kSelectionVoice = 1; // the defaults without a settings file
constexpr int kDecisionVoice = 2;
const QString kPair = QStringLiteral("\U0002000B"); // 𠀋, a surrogate pair

// Keys by what they show in a test's key string: kana and marks by their
// caption, "　" for くうはく, "↵" for ぎょう, "×" for けす, "■" for clear all.
int tagFor(QChar c)
{
    if (c == u'\u3000')
        return keys::kSpace;
    if (c == u'↵')
        return keys::kNewLine;
    if (c == u'×')
        return keys::kDelete;
    if (c == u'■')
        return keys::kClearAll;
    for (const KeySpec &k : keys::table())
        if (k.caption == QString(c))
            return k.tag;
    qFatal("no key for %s", qPrintable(QString(c)));
}

QString settingsPath()
{
    return ProfileFile::pathForProgram(QCoreApplication::applicationFilePath());
}

struct Window
{
    RecordingSpeech *speech = new RecordingSpeech();
    std::unique_ptr<TMain_form> form;
    QStringList errors;
    int beeps = 0;

    Window()
    {
        QFile::remove(settingsPath());
        boxes::setHandler([this](boxes::Kind, const QString &text) { errors << text; });
        form = std::make_unique<TMain_form>(speech);
        QObject::connect(form.get(), &TMain_form::beeped, [this] { ++beeps; });
        form->showCentred();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qFatal("window not exposed");
        speech->clear();
    }
    ~Window() { boxes::setHandler({}); }

    TextDisplay *display() const { return &form->display(); }
    KeyButton *key(int tag) const { return form->key(tag); }
    QString text() const { return display()->toPlainText(); }
    int position() const { return display()->textCursor().position(); }

    // The user clicks each key in turn.
    void click(const QString &keysToPress)
    {
        for (QChar c : keysToPress)
            QTest::mouseClick(key(tagFor(c)), Qt::LeftButton);
    }
    // The user reaches a key and presses it with Enter (or Space).
    void press(int tag, Qt::Key with = Qt::Key_Return)
    {
        key(tag)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(key(tag), with);
    }
    // A text as a file or the clipboard would bring it, insertion point at
    // `pos` (-1: the end).
    void setText(const QString &text, int pos = -1)
    {
        display()->setPlainText(text);
        QTextCursor c = display()->textCursor();
        c.setPosition(pos < 0 ? int(display()->document()->characterCount() - 1) : pos);
        display()->setTextCursor(c);
    }
    // A click into the display at a position of the text.
    void clickDisplayAt(int pos)
    {
        QTextCursor c(display()->document());
        c.setPosition(pos);
        const QRect r = display()->cursorRect(c);
        QTest::mouseClick(display()->viewport(), Qt::LeftButton, {}, QPoint(r.left() + 1, r.center().y()));
    }
    // What was passed to the engine in one voice, in order.
    QStringList spokenIn(int voice) const
    {
        QStringList out;
        for (const auto &e : speech->events())
            if (e.kind == RecordingSpeech::Event::Speak && e.mode == voice)
                out << e.text;
        return out;
    }
    void shortcut(QKeyCombination keys)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
        QTest::keyClick(target, keys.key(), keys.keyboardModifiers());
    }
};

// How many characters of the display's font fit on one display line,
// worked out from the font and the width the display gives its text.
int charactersPerLine(const TextDisplay *display)
{
    const QFontMetricsF fm(display->font());
    const qreal width = display->viewport()->width() - 2 * display->document()->documentMargin();
    int n = 0;
    while (fm.horizontalAdvance(QString(n + 1, u'あ')) <= width)
        ++n;
    return n;
}

QString kana(int n)
{
    const QString row = QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほ");
    QString out;
    for (int i = 0; i < n; ++i)
        out += row.at(i % row.size());
    return out;
}

} // namespace

class TestWriting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { fonts::installSubstitutions(); }
    void cleanupTestCase() { QFile::remove(settingsPath()); }

    // Kana and marks clicked in turn: the text, the decision-voice texts,
    // the beeps.
    void typing_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("spoken");
        QTest::addColumn<int>("beeps");
        QTest::newRow("か゛ gives が") << "か゛" << "が" << QStringList{"か", "が"} << 0;
        QTest::newRow("は゛ gives ば") << "は゛" << "ば" << QStringList{"ハ", "ば"} << 0;
        QTest::newRow("は゜ gives ぱ") << "は゜" << "ぱ" << QStringList{"ハ", "ぱ"} << 0;
        QTest::newRow("か゜ beeps") << "か゜" << "か" << QStringList{"か"} << 1;
        QTest::newRow("あ゛ beeps") << "あ゛" << "あ" << QStringList{"あ"} << 1;
        QTest::newRow("ば゜ beeps and stays ば") << "は゛゜" << "ば" << QStringList{"ハ", "ば"} << 1;
        QTest::newRow("゛ twice beeps the second time") << "か゛゛" << "が" << QStringList{"か", "が"} << 1;
        QTest::newRow("゛ before any entry beeps") << "゛" << "" << QStringList{} << 1;
        QTest::newRow("mark after a delete voices the kana now before") << "あか×゛" << "が"
                                                                      << QStringList{"あ", "か", "が"} << 0;
        QTest::newRow("mark after a new line joins the lines") << "か↵゛" << "かが"
                                                               << QStringList{"か", "かいぎょうしました", "が"} << 0;
        QTest::newRow("くうはく enters U+3000") << "あ\u3000" << "あ\u3000" << QStringList{"あ", "くうはく"} << 0;
    }
    void typing()
    {
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(QStringList, spoken);
        QFETCH(int, beeps);
        Window w;
        w.click(keys);
        QCOMPARE(w.text(), text);
        QCOMPARE(w.spokenIn(kDecisionVoice), spoken);
        QCOMPARE(w.beeps, beeps);
        QCOMPARE(w.position(), int(text.size()));
        QVERIFY(w.errors.isEmpty());
    }

    // A mark that cannot apply still takes the undo snapshot, selects the
    // decision voice without speaking, and becomes the key last entered.
    void refusedMark()
    {
        Window w;
        w.click(QStringLiteral("あい"));
        w.press(keys::kSemiVoicedMark);
        const int spokenBefore = int(w.speech->spokenTexts().size());
        QTest::keyClick(w.key(keys::kSemiVoicedMark), Qt::Key_Space);
        QCOMPARE(w.beeps, 2); // Enter, then Space
        QCOMPARE(w.speech->spokenTexts().size(), spokenBefore);
        QCOMPARE(w.speech->currentMode(), kDecisionVoice);
        QCOMPARE(w.text(), QStringLiteral("あい"));
        QCOMPARE(w.form->text().undoText, QStringLiteral("あい\n"));
        QCOMPARE(w.form->composer().lastKey, int(keys::kSemiVoicedMark));
    }

    // A mark next to what the file or the clipboard brought: only a whole
    // two-byte character or a line break is replaced.
    void markNextTo_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("beeps");
        QTest::newRow("ASCII letter") << "あa" << "あa" << 1;
        QTest::newRow("tab") << "あ\t" << "あ\t" << 1;
        QTest::newRow("half-width katakana") << "ｶ" << "ｶ" << 1;
        QTest::newRow("start of the text") << "" << "" << 1;
        QTest::newRow("surrogate pair replaced whole") << "あ" + kPair << "あが" << 0;
        QTest::newRow("line break") << "あ\n" << "あが" << 0;
        QTest::newRow("kanji") << "漢" << "が" << 0;
    }
    void markNextTo()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(int, beeps);
        Window w;
        w.click(QStringLiteral("か×"));
        w.setText(before);
        w.click(QStringLiteral("゛"));
        QCOMPARE(w.text(), after);
        QCOMPARE(w.beeps, beeps);
        QCOMPARE(w.position(), int(after.size()));
    }

    // A click into the display chooses where the next kana goes; the bar
    // shows there until the next entry.
    void entryInsideText()
    {
        Window w;
        w.setText(QStringLiteral("あいう"));
        w.clickDisplayAt(1);
        QCOMPARE(w.position(), 1);
        QVERIFY(w.form->display().bar().follows);
        QVERIFY(w.display()->barShown());
        w.click(QStringLiteral("か"));
        QCOMPARE(w.text(), QStringLiteral("あかいう"));
        QCOMPARE(w.position(), 2);
        QVERIFY(!w.form->display().bar().follows);
        QVERIFY(!w.display()->barShown());
        QCOMPARE(w.form->text().undoText, QStringLiteral("あいう\n"));
    }

    // After copy the whole text is selected: the next kana goes in at the
    // start and nothing is deleted.
    void entryAfterCopy()
    {
        Window w;
        w.click(QStringLiteral("あい"));
        w.shortcut(Qt::CTRL | Qt::Key_C);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("あい"));
        QCOMPARE(w.display()->textCursor().selectedText(), QStringLiteral("あい"));
        w.click(QStringLiteral("か"));
        QCOMPARE(w.text(), QStringLiteral("かあい"));
        QCOMPARE(w.position(), 1);
        QVERIFY(!w.display()->textCursor().hasSelection());
    }

    // Delete by the "けす" key reached and pressed with Enter: it speaks in
    // the voice set last, here the announcement's selection voice.
    void deleteOne_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("posAfter");
        QTest::addColumn<QStringList>("spoken");
        QTest::newRow("last kana") << "あい" << -1 << "あ" << 1 << QStringList{"い"};
        QTest::newRow("kana inside") << "あいう" << 2 << "あう" << 1 << QStringList{"い"};
        QTest::newRow("ideographic space") << "あ\u3000" << -1 << "あ" << 1 << QStringList{"くうはく", "\u3000"};
        QTest::newRow("line break joins lines") << "あ\nい" << 2 << "あい" << 1 << QStringList{"上の行へ", "\n"};
        QTest::newRow("start of the text") << "あい" << 0 << "あい" << 0 << QStringList{"けすもじがありません"};
        QTest::newRow("empty display") << "" << 0 << "" << 0 << QStringList{"けすもじがありません"};
        QTest::newRow("surrogate pair whole") << "あ" + kPair << -1 << "あ" << 1 << QStringList{kPair};
        QTest::newRow("ASCII letter") << "あa" << -1 << "あ" << 1 << QStringList{"a"};
        QTest::newRow("tab") << "あ\t" << -1 << "あ" << 1 << QStringList{"\t"};
        QTest::newRow("half-width katakana") << "ｱｲ" << -1 << "ｱ" << 1 << QStringList{"ｲ"};
        QTest::newRow("、 said by its key") << "あ、" << -1 << "あ" << 1 << QStringList{"てん"};
        QTest::newRow("。 said by its key") << "あ。" << -1 << "あ" << 1 << QStringList{"まる"};
        QTest::newRow("ー said by its key") << "あー" << -1 << "あ" << 1 << QStringList{"のばす"};
        QTest::newRow("half-width space said as くうはく") << "あ " << -1 << "あ" << 1 << QStringList{"くうはく"};
        QTest::newRow("line break from a lone CR") << "あ\rい" << 2 << "あい" << 1 << QStringList{"上の行へ", "\n"};
    }
    void deleteOne()
    {
        QFETCH(QString, text);
        QFETCH(int, pos);
        QFETCH(QString, after);
        QFETCH(int, posAfter);
        QFETCH(QStringList, spoken);
        Window w;
        w.setText(text, pos);
        const QString snapshot = textmodel::wholeText(w.display());
        w.key(keys::kDelete)->setFocus(Qt::TabFocusReason);
        w.speech->clear();
        QTest::keyClick(w.key(keys::kDelete), Qt::Key_Return);
        QCOMPARE(w.text(), after);
        QCOMPARE(w.position(), posAfter);
        QCOMPARE(w.speech->spokenTexts(), spoken);
        for (const auto &e : w.speech->events())
            QCOMPARE(e.mode, kSelectionVoice);
        QCOMPARE(w.form->text().undoText, snapshot);
    }

    // The Delete short-cut right after a kana speaks in the decision voice.
    void deleteAfterEntrySpeaksInDecisionVoice()
    {
        Window w;
        w.click(QStringLiteral("あい"));
        w.speech->clear();
        w.shortcut(Qt::Key_Delete);
        QCOMPARE(w.text(), QStringLiteral("あ"));
        QCOMPARE(w.spokenIn(kDecisionVoice), QStringList{"い"});
        QCOMPARE(w.form->composer().lastKey, tagFor(u'い'));
    }

    // Delete leaves bar().follows alone: after a click into the display the
    // bar stays shown at the new insertion point.
    void deleteKeepsTheBar()
    {
        Window w;
        w.setText(QStringLiteral("あいう"));
        w.clickDisplayAt(2);
        w.form->deleteOne();
        QCOMPARE(w.text(), QStringLiteral("あう"));
        QVERIFY(w.display()->barShown());
        QCOMPARE(w.display()->barRect().left(), w.display()->cursorRect().left());
        QCOMPARE(w.form->display().bar().recorded, w.display()->barRect().topLeft());
    }

    void newLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("posAfter");
        QTest::newRow("at the end appends") << "あい" << -1 << "あい\n" << 3;
        QTest::newRow("inside splits the line") << "あい" << 1 << "あ\nい" << 2;
        QTest::newRow("empty display") << "" << 0 << "\n" << 1;
        QTest::newRow("after a surrogate pair") << kPair << -1 << kPair + "\n" << 3;
    }
    void newLine()
    {
        QFETCH(QString, text);
        QFETCH(int, pos);
        QFETCH(QString, after);
        QFETCH(int, posAfter);
        Window w;
        w.setText(text, pos);
        w.form->text().undoText = QStringLiteral("snapshot");
        w.form->display().bar().follows = true;
        w.press(keys::kNewLine, Qt::Key_Space);
        QCOMPARE(w.text(), after);
        QCOMPARE(w.position(), posAfter);
        QCOMPARE(w.spokenIn(kDecisionVoice), QStringList{"かいぎょうしました"});
        QVERIFY(!w.form->display().bar().follows);
        QVERIFY(!w.display()->barShown());
        QCOMPARE(w.form->text().undoText, QStringLiteral("snapshot")); // no snapshot
        QCOMPARE(w.form->text().lineMemory, textmodel::insertionLine(w.display()));
    }

    // The new-line key scrolls the view two lines on when the entry before
    // it stood on the size item's line.
    void newLineScrollRule_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("scroll");
        QTest::newRow("大きい, line 2") << "largeSize" << 2 << 2;
        QTest::newRow("標準, line 4") << "standardSize" << 4 << 2;
        QTest::newRow("小さい, line 5") << "smallSize" << 5 << 2;
        QTest::newRow("大きい, line 1") << "largeSize" << 1 << 0;
        QTest::newRow("標準, line 3") << "standardSize" << 3 << 0;
        QTest::newRow("標準, line 2 (large's line)") << "standardSize" << 2 << 0;
        QTest::newRow("小さい, line 4 (standard's line)") << "smallSize" << 4 << 0;
        QTest::newRow("小さい, line 2") << "smallSize" << 2 << 0;
    }
    void newLineScrollRule()
    {
        QFETCH(QString, size);
        QFETCH(int, line);
        QFETCH(int, scroll);
        Window w;
        w.form->findChild<QAction *>(size)->trigger(); // the user chooses the size
        w.setText(QString(line, u'\n'));
        w.click(QStringLiteral("あ"));
        QCOMPARE(w.form->text().lineBefore, line);
        QScrollBar *bar = w.display()->verticalScrollBar();
        const int top = bar->value();
        w.click(QStringLiteral("↵"));
        QCOMPARE(w.form->text().lineMemory, line + 1);
        QCOMPARE(bar->value(), top + scroll);
        QCOMPARE(w.form->text().lineBefore, scroll ? line + 1 : line);
        // The insertion point stays in view.
        QVERIFY(w.display()->viewport()->rect().contains(w.display()->barRect()));
    }

    void clearAllAndUndo()
    {
        Window w;
        w.click(QStringLiteral("あい↵う"));
        w.click(QStringLiteral("■"));
        QCOMPARE(w.text(), QString());
        QCOMPARE(w.spokenIn(kDecisionVoice).last(), QStringLiteral("ぜんぶけしました"));
        QCOMPARE(w.form->text().undoText, QStringLiteral("あい\nう\n"));
        // Clear all again: nothing to clear, the snapshot stays.
        w.shortcut(Qt::CTRL | Qt::Key_Delete);
        QCOMPARE(w.spokenIn(kDecisionVoice).last(), QStringLiteral("もじはありませんよ。"));
        QCOMPARE(w.form->text().undoText, QStringLiteral("あい\nう\n"));
        w.shortcut(Qt::CTRL | Qt::Key_Z);
        QCOMPARE(w.text(), QStringLiteral("あい\nう\n"));
        QCOMPARE(w.position(), int(w.text().size()));
        w.shortcut(Qt::CTRL | Qt::Key_Z);
        QCOMPARE(w.text(), QStringLiteral("あい\nう\n"));
        QVERIFY(!w.spokenIn(kDecisionVoice).contains(QString())); // undo says nothing
    }

    // The snapshot is taken by entry, delete and clear all only.
    void undoSnapshotRules_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("clipboard"); // pasted after the keys when not null
        QTest::addColumn<QString>("afterUndo");
        QTest::newRow("undo before anything empties") << "" << "" << "";
        QTest::newRow("last entry undone") << "あい" << QString() << "あ\n";
        QTest::newRow("new line takes none") << "あい↵" << QString() << "あ\n";
        QTest::newRow("paste takes none") << "あい" << "ほか" << "あ\n";
        QTest::newRow("delete takes one") << "あい×" << QString() << "あい\n";
        QTest::newRow("refused mark takes one") << "あい゛" << QString() << "あい\n";
    }
    void undoSnapshotRules()
    {
        QFETCH(QString, keys);
        QFETCH(QString, clipboard);
        QFETCH(QString, afterUndo);
        Window w;
        w.click(keys);
        if (!clipboard.isNull()) {
            QGuiApplication::clipboard()->setText(clipboard);
            w.form->paste();
        }
        w.form->undo();
        QCOMPARE(w.text(), afterUndo);
    }

    // Undo writes the snapshot's display lines back as lines of their own.
    void undoSplitsWrappedLines()
    {
        Window w;
        const int perLine = charactersPerLine(w.display());
        QVERIFY(perLine > 5);
        const QString line = kana(perLine * 2 + 3);
        w.setText(line);
        w.click(QStringLiteral("ん"));
        QCOMPARE(w.display()->document()->lineCount(), 3);
        w.form->undo();
        QCOMPARE(w.text(), line.left(perLine) + "\n" + line.mid(perLine, perLine) + "\n" + line.mid(2 * perLine) + "\n");
        QCOMPARE(w.display()->document()->blockCount(), 4);
        QCOMPARE(w.position(), int(w.text().size()));
    }

    // Copy puts the plain text on the clipboard (wrapped lines whole);
    // paste writes it back line by line, ending with a line break.
    void copyPasteRoundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("after");
        QTest::newRow("one line") << "あい" << "あい\n";
        QTest::newRow("ending with a line break") << "あい\n" << "あい\n";
        QTest::newRow("empty lines kept") << "あ\n\nい" << "あ\n\nい\n";
        QTest::newRow("wrapped line stays one line") << kana(40) << kana(40) + "\n";
        QTest::newRow("bytes of every width") << "a\tｶ" + kPair + "漢" << "a\tｶ" + kPair + "漢\n";
        QTest::newRow("empty display") << "" << "";
    }
    void copyPasteRoundTrip()
    {
        QFETCH(QString, text);
        QFETCH(QString, after);
        Window w;
        w.setText(text);
        w.shortcut(Qt::CTRL | Qt::Key_C);
        QCOMPARE(QGuiApplication::clipboard()->text(), text);
        w.shortcut(Qt::CTRL | Qt::Key_V);
        QCOMPARE(w.text(), after);
        QCOMPARE(w.position(), int(after.size()));
        QVERIFY(w.speech->spokenTexts().isEmpty());
    }

    // Whatever the clipboard holds becomes lines of the display.
    void pasteLineBreaks_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("text");
        QTest::newRow("CR LF") << "あ\r\nい" << "あ\nい\n";
        QTest::newRow("lone CR") << "あ\rい\r" << "あ\nい\n";
        QTest::newRow("line separator") << "あ\u2028い" << "あ\nい\n";
        QTest::newRow("paragraph separator") << "あ\u2029い" << "あ\nい\n";
        QTest::newRow("no clipboard text") << QString() << "";
        QTest::newRow("control characters marked as in an opened file")
            << QStringLiteral("あ\0い\u0007\tう\u007F") << "あ\uFFFDい\uFFFD\tう\uFFFD\n";
    }
    void pasteLineBreaks()
    {
        QFETCH(QString, clipboard);
        QFETCH(QString, text);
        Window w;
        w.setText(QStringLiteral("まえ"));
        if (clipboard.isNull())
            QGuiApplication::clipboard()->clear();
        else
            QGuiApplication::clipboard()->setText(clipboard);
        w.form->paste();
        QCOMPARE(w.text(), text);
        QCOMPARE(textmodel::wholeText(w.display()), text);
    }

    void wholeText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("whole");
        QTest::newRow("empty display") << "" << "";
        QTest::newRow("one line break") << "\n" << "\n";
        QTest::newRow("two line breaks") << "\n\n" << "\n\n";
        QTest::newRow("line without break") << "あ" << "あ\n";
        QTest::newRow("line with break") << "あ\n" << "あ\n";
        QTest::newRow("two lines") << "あ\nい" << "あ\nい\n";
        QTest::newRow("line separator inside a line") << "あ\u2028い" << "あ\nい\n";
    }
    void wholeText()
    {
        QFETCH(QString, text);
        QFETCH(QString, whole);
        Window w;
        w.setText(text);
        QCOMPARE(textmodel::wholeText(w.display()), whole);
    }

    // The few characters before a position, as the kana model reads them.
    void textBefore_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("before");
        QTest::newRow("up to the position") << "あいうえお" << 3 << 32 << "あいう";
        QTest::newRow("at most the count") << "あいうえお" << 5 << 2 << "えお";
        QTest::newRow("a line break as one") << "あ\nい" << 3 << 32 << "あ\nい";
        QTest::newRow("half a character at the start left out") << "😀あ" << 3 << 2 << "あ";
        QTest::newRow("the start of the text") << "あ" << 0 << 32 << "";
        QTest::newRow("past the end: the whole text") << "あい" << 99 << 32 << "あい";
    }
    void textBefore()
    {
        QFETCH(QString, text);
        QFETCH(int, position);
        QFETCH(int, count);
        QFETCH(QString, before);
        Window w;
        w.setText(text);
        QCOMPARE(textmodel::textBefore(w.display(), position, count), before);
    }

    // A long line comes out as its display lines, also where the display
    // has not shown it yet.
    void wholeTextOfWrappedLines()
    {
        Window w;
        const int perLine = charactersPerLine(w.display());
        QString text;
        QString whole;
        for (int i = 0; i < 200; ++i) {
            const QString line = kana(perLine + 1 + i % 7);
            text += line + "\n";
            whole += line.left(perLine) + "\n" + line.mid(perLine) + "\n";
        }
        w.setText(text, 0);
        QCOMPARE(textmodel::wholeText(w.display()), whole);
        QCOMPARE(textmodel::lineOf(w.display(), int(text.size())), 400);
        QCOMPARE(textmodel::lineOf(w.display(), perLine), 1); // where a line wraps belongs to the next
        for (int pos : {0, perLine - 1, perLine, perLine + 2, int(text.size()) / 2, int(text.size())}) {
            int line = -1;
            QCOMPARE(textmodel::wholeText(w.display(), pos, &line), whole);
            QCOMPARE(line, textmodel::lineOf(w.display(), pos));
        }
    }

    // The bar is painted at the real insertion point, 5 pixels wide and as
    // high as the font's characters; the steps follow the font.
    void barAndSteps()
    {
        Window w;
        w.setText(QStringLiteral("あいうえお"));
        w.clickDisplayAt(3);
        const QRect bar = w.display()->barRect();
        QCOMPARE(bar.width(), 5);
        QCOMPARE(bar.height(), w.display()->characterHeight());
        QCOMPARE(bar.left(), w.display()->cursorRect().left());
        QCOMPARE(w.form->display().bar().recorded, bar.topLeft());
        const QImage shown = w.display()->viewport()->grab().toImage();
        for (int y = bar.top(); y <= bar.bottom(); y += 4)
            QCOMPARE(shown.pixelColor(bar.left() + 2, y), QColor(0, 0, 255));
        w.click(QStringLiteral("か"));
        QCOMPARE(w.display()->characterHeight(), 43); // 32 points
        QCOMPARE(w.form->display().bar().charStep, 45);
        QCOMPARE(w.form->display().bar().lineStep, 68);
        const QRect after = w.display()->barRect();
        QVERIFY(after.left() > bar.left());
        const QImage hidden = w.display()->viewport()->grab().toImage();
        int blue = 0;
        for (int y = after.top(); y <= after.bottom(); ++y)
            blue += hidden.pixelColor(after.left() + 2, y) == QColor(0, 0, 255);
        QVERIFY(blue < after.height() / 2);
    }

    // The kana that wraps onto the next display line takes the bar with it,
    // to just after itself at the start of that line.
    void barFollowsAWrap()
    {
        Window w;
        const int perLine = charactersPerLine(w.display());
        w.setText(kana(perLine));
        const QRect full = w.display()->barRect();
        w.click(QStringLiteral("か"));
        const QRect wrapped = w.display()->barRect();
        QCOMPARE(textmodel::insertionLine(w.display()), 1);
        QVERIFY(wrapped.top() > full.top());
        QCOMPARE(wrapped.left(), w.display()->cursorRect().left());
        QVERIFY(wrapped.left() < full.left() / 4);
        QCOMPARE(w.form->display().bar().recorded, wrapped.topLeft());
    }

    // Megabytes of mixed text from the clipboard: every command keeps
    // working and no half character is left.
    void longMixedText()
    {
        Window w;
        QString chunk = QStringLiteral("あa\tｶ") + kPair + QStringLiteral("漢\r");
        QString big;
        while (big.size() < 1'000'000)
            big += chunk;
        big += kPair;
        QGuiApplication::clipboard()->setText(big);
        w.form->paste();
        QVERIFY(w.text().endsWith(kPair + "\n"));
        w.click(QStringLiteral("×××")); // the line break added, the pair, the lone CR's line break
        QVERIFY(w.text().endsWith(QStringLiteral("ｶ") + kPair + QStringLiteral("漢")));
        w.click(QStringLiteral("××"));
        QVERIFY(w.text().endsWith(QStringLiteral("\tｶ")));
        w.click(QStringLiteral("か゛"));
        QVERIFY(w.text().endsWith(QStringLiteral("ｶが")));
        w.form->undo();
        QVERIFY(w.text().endsWith(QStringLiteral("ｶか\n")));
        const QString t = w.text();
        for (qsizetype i = 0; i < t.size(); ++i) {
            if (t[i].isHighSurrogate())
                QVERIFY(i + 1 < t.size() && t[i + 1].isLowSurrogate());
            else if (t[i].isLowSurrogate())
                QVERIFY(i > 0 && t[i - 1].isHighSurrogate());
        }
        QVERIFY(w.errors.isEmpty());
    }

    // The whole road: a sentence written with the mouse, a second line,
    // a correction and undo, with what is said at each step.
    void writeASentence()
    {
        Window w;
        w.click(QStringLiteral("か゛っこうに\u3000いきました。"));
        QCOMPARE(w.text(), QStringLiteral("がっこうに\u3000いきました。"));
        w.click(QStringLiteral("↵あさ×した"));
        QCOMPARE(w.text(), QStringLiteral("がっこうに\u3000いきました。\nあした"));
        QCOMPARE(w.spokenIn(kDecisionVoice),
                 (QStringList{"か", "が", "っ", "こ", "う", "に", "くうはく", "い", "き", "ま", "し", "た", "まる",
                              "かいぎょうしました", "あ", "さ", "し", "た"}));
        // Each key spoke its reading when the mouse reached it; the deleted
        // "さ" followed the announcement of "けす" in the same voice.
        const QStringList selection = w.spokenIn(kSelectionVoice);
        QVERIFY(selection.contains(QStringLiteral("てんてん")));
        QVERIFY(selection.contains(QStringLiteral("つぎのぎょう")));
        QCOMPARE(selection.mid(selection.indexOf(QStringLiteral("けす")), 2), (QStringList{"けす", "さ"}));
        w.shortcut(Qt::CTRL | Qt::Key_Z);
        QCOMPARE(w.text(), QStringLiteral("がっこうに\u3000いきました。\nあし\n"));
        QVERIFY(w.errors.isEmpty());
    }
};

QTEST_MAIN(TestWriting)
#include "tst_writing.moc"
