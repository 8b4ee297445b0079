#pragma once
#include <QDate>
#include <QString>
#include <functional>

// Where the diary files and the read-me lie, and how a diary is named by its
// date. In the portable layout everything is found under the start folder
// (the current folder at start); base/places says where the installed program
// keeps them.
namespace diary {

// Today's local date, from the system clock unless a date source is set.
QDate today();
// Tests fix the date with a source of their own; an empty function restores
// the clock.
void setDateSource(std::function<QDate()> source);

// The date as the diary file name and the mail subject show it:
// yy年mm月dd日, the year's last two digits and two-digit month and day.
QString dateStamp(const QDate &date);

// "日記" + dateStamp + ".txt".
QString datedFileName(const QDate &date);

// The full path of the dated diary file in a diary folder.
QString datedFileIn(const QString &diaryFolder, const QDate &date);

} // namespace diary
