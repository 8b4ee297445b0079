#pragma once
#include <QDate>
#include <QString>
#include <functional>

// Where the diary files and the read-me lie, and how a diary is named by its
// date. In the portable layout everything is found under the start folder
// (Base_dir); app/places says where the installed program keeps them.
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

// Base_dir + "/日記": the portable diary folder (the program never creates it).
QString diaryFolder(const QString &baseDir);
// The full path of the dated diary file in the diary folder.
QString datedFilePath(const QString &baseDir, const QDate &date);
// The same in a diary folder given as such.
QString datedFileIn(const QString &diaryFolder, const QDate &date);
// Base_dir + "/ReadMe日記.txt".
QString readMePath(const QString &baseDir);

} // namespace diary
