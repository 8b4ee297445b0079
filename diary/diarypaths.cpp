#include "diary/diarypaths.h"

#include "base/places.h"

#include <QDir>

namespace diary {

namespace {
std::function<QDate()> &dateSource()
{
    static std::function<QDate()> source;
    return source;
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

QString datedFileIn(const QString &diaryFolder, const QDate &date)
{
    return places::under(diaryFolder, datedFileName(date));
}

} // namespace diary
