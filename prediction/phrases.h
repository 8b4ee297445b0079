#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The phrase bank (定型文): phrases a helper keeps for the user to write or
// say in one choice. Built in until a helper first saves a change; then a
// UTF-8 text file beside the settings file (in the user's configuration
// folder when installed), one phrase a line, "#" lines as headings that
// group them.
namespace prediction {

struct PhraseLine
{
    QString text;
    bool heading = false;
    bool operator==(const PhraseLine &) const = default;
};
using PhraseList = QList<PhraseLine>;

// The phrases built in: everyday greetings, thanks, requests, yes and no.
PhraseList defaultPhrases();

// The phrase file beside the settings file.
QString phraseFile(const QString &settingsFile);

struct PhraseFile
{
    enum Status {
        Missing,    // no file: the phrases built in
        Read,       // read as it is
        Unreadable, // it cannot be opened or read (the reason says why)
        TooLarge,   // larger than kMaxPhraseFileBytes
        BadBytes,   // not UTF-8 text, or a control character in it
    };
    Status status = Missing;
    PhraseList lines;    // what was read; the phrases built in unless Read
    QString reason;      // for the user, in Japanese, when it was not read
    qsizetype badLine = 0; // for BadBytes: the first bad line, counted from 1
};

constexpr qint64 kMaxPhraseFileBytes = 1024 * 1024;

// A file that cannot be used is never changed by reading it.
PhraseFile readPhraseFile(const QString &path);
// The lines from the file's bytes (a byte-order mark and CR LF allowed):
// blank lines are left out, each line's ends trimmed.
PhraseFile phrasesFromBytes(const QByteArray &bytes);
// UTF-8, a line each, "# " before a heading; the file ends with a line break.
QByteArray phraseBytes(const PhraseList &lines);
// The phrases without the headings.
QStringList phrasesOf(const PhraseList &lines);

// What the row shows of the phrases on one page: all of them when they fit
// the places, else one place fewer and "つぎ" last, which shows the next
// page (after the last, the first again).
struct PhrasePage
{
    QStringList phrases;
    bool next = false; // the last place is "つぎ"
    int page = 0;      // the page shown (brought into range)
    int pages = 1;
};
PhrasePage phrasePage(const QStringList &phrases, int page, int places);

} // namespace prediction
