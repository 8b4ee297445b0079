#include "app/wholefile.h"

#include <QFileInfo>
#include <QSaveFile>

namespace wholefile {

namespace {
bool readOnly(const QFileInfo &info)
{
    return !info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner);
}
} // namespace

bool replace(const QString &path, QByteArrayView bytes)
{
    const QFileInfo info(path);
    if (info.exists() && (!info.isFile() || readOnly(info)))
        return false;
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir() || readOnly(folder))
        return false;

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes.data(), bytes.size()) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace wholefile
