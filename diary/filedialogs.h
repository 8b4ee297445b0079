#pragma once
#include <QString>
#include <memory>
#include <optional>

class QFileDialog;
class QWidget;

// The save-as and open dialogs of the main window. Both show text files
// ("テキスト", *.txt), add ".txt" to a name typed without extension, and start
// in the folder given. Saving replaces an existing file without a question;
// opening accepts any name, and a missing file is reported by the open itself.
namespace diary {

class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    // The chosen file's full path, or nothing when the user cancels.
    virtual std::optional<QString> saveFileName(QWidget *parent, const QString &folder) = 0;
    virtual std::optional<QString> openFileName(QWidget *parent, const QString &folder) = 0;
};

// The dialogs in use: the system's, unless tests set their own.
FileDialogs &fileDialogs();
// Tests answer the dialogs themselves; nullptr restores the system's.
void setFileDialogs(FileDialogs *dialogs);

// The system dialog as the two operations show it (save: AcceptSave).
std::unique_ptr<QFileDialog> createFileDialog(QWidget *parent, const QString &folder, bool forSaving);

} // namespace diary
