// The names of the window's text boxes and labels whose values the program reads or writes.
// FormState knows exactly these; any other name is a programming error.
#pragma once

#include <array>
#include <vector>

#include <QString>

namespace kazeyomi::Control {

inline const QString Text1 = QStringLiteral("Text1");
inline const QString Text2 = QStringLiteral("Text2");   // read by the race card capture
inline const QString Text3 = QStringLiteral("Text3");   // current race number, plain decimal
inline const QString Text4 = QStringLiteral("Text4");   // read by the race card capture
inline const QString Text6 = QStringLiteral("Text6");   // race card title
inline const QString Text7 = QStringLiteral("Text7");   // current venue: first half of the race file key
inline const QString Text8 = QStringLiteral("Text8");   // current race number, two digits
inline const QString Text9 = QStringLiteral("Text9");   // odds time stamp "hh:mm"
inline const QString Text10 = QStringLiteral("Text10"); // address of the page being fetched
inline const QString Label1 = QStringLiteral("Label1"); // current venue; empty makes every scraper idle

// The fetch intervals in minutes, the control array Text5(0..5).
inline constexpr int kIntervalBoxes = 6;
inline const std::array<QString, kIntervalBoxes> Text5 = {
    QStringLiteral("Text5_0"), QStringLiteral("Text5_1"), QStringLiteral("Text5_2"),
    QStringLiteral("Text5_3"), QStringLiteral("Text5_4"), QStringLiteral("Text5_5"),
};
// Throws std::out_of_range for an index outside 0..5.
inline const QString& intervalBox(int index)
{
    return Text5.at(size_t(index));
}

// Every name above, for whoever needs to go through them all (the form, the window's tests).
inline std::vector<QString> allTextControls()
{
    std::vector<QString> names = {Text1, Text2, Text3, Text4, Text6, Text7, Text8, Text9, Text10, Label1};
    names.insert(names.end(), Text5.begin(), Text5.end());
    return names;
}

} // namespace kazeyomi::Control
