#include "diary/diarypaths.h"

#include <QDir>

namespace diary {

namespace {
std::function<QDate()> &dateSource()
{
    static std::function<QDate()> source;
    return source;
}

QString under(const QString &baseDir, const QString &name)
{
    // Base_dir is kept as the system reported it; one separator joins.
    if (baseDir.endsWith(u'/') || baseDir.endsWith(QDir::separator()))
        return baseDir + name;
    return baseDir + QDir::separator() + name;
}
} // namespace

QDate today()
{
    return dateSource() ? dateSource()() : QDate::currentDate();
}

void setDateSource(std::function<QDate()> source)
{
    dateSource() = std::move(source);
}

QString dateStamp(const QDate &date)
{
    return QStringLiteral("%1年%2月%3日")
        .arg(date.year() % 100, 2, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'));
}

QString datedFileName(const QDate &date)
{
    return QStringLiteral("日記") + dateStamp(date) + QStringLiteral(".txt");
}

QString diaryFolder(const QString &baseDir)
{
    return under(baseDir, QStringLiteral("日記"));
}

QString datedFilePath(const QString &baseDir, const QDate &date)
{
    return datedFileIn(diaryFolder(baseDir), date);
}

QString datedFileIn(const QString &diaryFolder, const QDate &date)
{
    return under(diaryFolder, datedFileName(date));
}

QString readMePath(const QString &baseDir)
{
    return under(baseDir, QStringLiteral("ReadMe日記.txt"));
}

} // namespace diary
