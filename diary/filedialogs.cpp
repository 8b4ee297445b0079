#include "diary/filedialogs.h"

#include <QFileDialog>

namespace diary {

namespace {

class SystemFileDialogs : public FileDialogs
{
public:
    std::optional<QString> saveFileName(QWidget *parent, const QString &folder) override
    {
        return run(createFileDialog(parent, folder, true));
    }
    std::optional<QString> openFileName(QWidget *parent, const QString &folder) override
    {
        return run(createFileDialog(parent, folder, false));
    }

private:
    static std::optional<QString> run(std::unique_ptr<QFileDialog> dialog)
    {
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
            return std::nullopt;
        return dialog->selectedFiles().constFirst();
    }
};

FileDialogs *&current()
{
    static FileDialogs *dialogs = nullptr;
    return dialogs;
}

} // namespace

FileDialogs &fileDialogs()
{
    static SystemFileDialogs system;
    return current() ? *current() : system;
}

void setFileDialogs(FileDialogs *dialogs)
{
    current() = dialogs;
}

std::unique_ptr<QFileDialog> createFileDialog(QWidget *parent, const QString &folder, bool forSaving)
{
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Opening takes any name: a missing file is reported by the open itself.
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(QStringLiteral("テキスト (*.txt)"));
    dialog->setDefaultSuffix(QStringLiteral("txt"));
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog->setDirectory(folder);
    return dialog;
}

} // namespace diary
