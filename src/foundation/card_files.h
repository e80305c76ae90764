// Reads the companion program's day files: the meeting list "zen.txt" and the first six
// fields of each race card file, and checks what becomes part of a path or a URL.
#pragma once

#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

namespace kazeyomi {

// Far more than any meeting list or race card (a card of 16 runners is some 3 KiB);
// anything larger is not one.
inline constexpr qint64 kMaxInputFileBytes = 64 * 1024;
// The window has six venue boxes, so a day has at most six meetings; no meeting has more
// races than this.
inline constexpr int kMaxMeetings = 6;
inline constexpr int kMaxRacesPerMeeting = 16;
// Reading stops after this many problems: the user mends those first, and a hostile list
// cannot make start-up read thousands of files.
inline constexpr int kMaxInputProblems = 5;

struct RaceCard {
    QString venue;    // two characters, safe in a file name
    int race = 0;     // number within its meeting
    QString postTime; // last five characters of the title: "hh:mm" or " h:mm"
    QString raceName;
    QString pageId; // ASCII letters and digits only
};

// One record of the meeting list, in file order.
struct Meeting {
    QString prefix; // of its race card files
    int races = 0;
    QString venue; // from its first race card; the prefix when none could be read
};

struct CardReading {
    bool meetingListMissing = false;
    std::vector<Meeting> meetings;
    std::vector<RaceCard> races; // meetings in file order, races 1..count
    QStringList problems;        // each names its file, and its line where there is one
};

CardReading readDayCards(const QString& cardFolder);

// Title: the two characters after the first space (ideographic spaces count) are the venue.
std::optional<QString> venueFromTitle(const QString& title);
QString postTimeFromTitle(const QString& title);
// A five-character cut that reads as a time of day from 0:00 to 23:59: "hh:mm", or " h:mm"
// where the title's blank stands before a one-digit hour.
bool isTimeOfDay(const QString& cut);
// URL: the text after the fourth "/" up to the first "." after it.
std::optional<QString> pageIdFromUrl(const QString& url);

bool isSafeVenueName(const QString& venue);
bool isSafePageId(const QString& id);

// Reads a regular file (or a link to one) of at most kMaxInputFileBytes in the Japanese code
// page; anything else is refused with its path in `error`, without waiting on it.
QString readCp932File(const QString& path, QString* error);

} // namespace kazeyomi
