#include "diary/diarystorage.h"

#include "app/mainform.h"
#include "base/messageboxes.h"
#include "base/textdisplay.h"
#include "base/textmodel.h"
#include "diary/diarypaths.h"
#include "diary/filecodec.h"
#include "diary/filedialogs.h"

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
void tellForm(TMain_form &form, filecodec::Written written)
{
    if (written == filecodec::Written::NowUtf8) {
        form.speakMessage(kFormChanged);
        boxes::notice(&form, kFormChanged);
    }
}
} // namespace

void saveDated(TMain_form &form)
{
    const QString path = datedFileIn(form.places().diaryFolder, today());
    // The whole-text string is empty exactly when the plain text is (no
    // character at all), and the plain text costs no layout of long texts.
    const QString text = textmodel::plainText(form.Hyouji_edit);
    if (text.isEmpty()) {
        form.menus.Send1->setEnabled(false);
        form.speakMessage(QStringLiteral("にっきがかけていませんよ。"));
        return;
    }
    const filecodec::Written written = filecodec::writeFile(path, text);
    form.menus.Send1->setEnabled(true);
    form.speakMessage(QStringLiteral("きょうのひづけでしまいました"));
    tellForm(form, written);
}

void saveAs(TMain_form &form)
{
    const auto path = fileDialogs().saveFileName(&form, form.places().diaryFolder);
    if (!path)
        return;
    tellForm(form, filecodec::writeFile(*path, textmodel::plainText(form.Hyouji_edit)));
}

void openFile(TMain_form &form)
{
    const auto path = fileDialogs().openFileName(&form, form.places().diaryFolder);
    if (!path)
        return;
    showFile(form, *path);
}

void showFile(TMain_form &form, const QString &path)
{
    const QString text = filecodec::readFile(path);
    form.Hyouji_edit->setPlainText(text);
}

void endProgram(TMain_form &form)
{
    form.speakMessage(QStringLiteral("じゃーまたね えんたーキーをおしたらおわるよ"));
    boxes::notice(&form, QStringLiteral("じゃまたね"));
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
