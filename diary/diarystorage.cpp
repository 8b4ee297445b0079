#include "diary/diarystorage.h"

#include "base/textdisplay.h"
#include "base/textmodel.h"
#include "diary/diarypaths.h"
#include "base/filecodec.h"
#include "diary/filedialogs.h"
#include "speech/voices.h"

#include <QCoreApplication>

namespace diary {

namespace {
std::function<void()> &programEnd()
{
    static std::function<void()> end;
    return end;
}

// When a file had to change its form to keep every character, the user is
// told so, by voice and in the notice box.
void tellForm(const context::Context &ctx, filecodec::Written written)
{
    if (written == filecodec::Written::NowUtf8) {
        ctx.speech.say(kFormChanged, speech::Role::Decision);
        ctx.window.notice(kFormChanged);
    }
}
} // namespace

bool saveDated(const context::Context &ctx)
{
    const QString path = datedFileIn(ctx.window.places().diaryFolder, today());
    // The whole-text string is empty exactly when the plain text is (no
    // character at all), and the plain text costs no layout of long texts.
    const QString text = textmodel::plainText(&ctx.text.display());
    if (text.isEmpty()) {
        ctx.speech.say(QStringLiteral("にっきがかけていませんよ。"), speech::Role::Decision);
        return false;
    }
    const filecodec::Written written = filecodec::writeFile(path, text);
    ctx.window.textSaved(path, text);
    ctx.speech.say(QStringLiteral("きょうのひづけでしまいました"), speech::Role::Decision);
    tellForm(ctx, written);
    return true;
}

void saveAs(const context::Context &ctx)
{
    const auto path = fileDialogs().saveFileName(ctx.window.widget(), ctx.window.places().diaryFolder);
    if (!path)
        return;
    const QString text = textmodel::plainText(&ctx.text.display());
    const filecodec::Written written = filecodec::writeFile(*path, text);
    ctx.window.textSaved(*path, text);
    tellForm(ctx, written);
}

void openFile(const context::Context &ctx)
{
    const auto path = fileDialogs().openFileName(ctx.window.widget(), ctx.window.places().diaryFolder);
    if (!path)
        return;
    showFile(ctx, *path);
}

void showFile(const context::Context &ctx, const QString &path)
{
    const QString text = filecodec::readFile(path);
    ctx.text.display().setPlainText(text);
}

void endProgram(const context::Context &ctx)
{
    ctx.speech.say(QStringLiteral("じゃーまたね えんたーキーをおしたらおわるよ"), speech::Role::Decision);
    ctx.window.notice(QStringLiteral("じゃまたね"));
    if (programEnd())
        programEnd()();
    else
        QCoreApplication::exit(0);
}

void setProgramEnd(std::function<void()> end)
{
    programEnd() = std::move(end);
}

} // namespace diary
