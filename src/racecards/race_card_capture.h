// The race buttons "1" to "12": the race card of a race of the chosen meeting, from the
// regional portal into VSFlexGrid2, its title into Text6.
#pragma once

#include <QDate>
#include <QString>

namespace kazeyomi {

class FormState;
struct Context;

// The portal lists up to 12 races a meeting: one button each.
inline constexpr int kRaceButtons = 12;

struct [[nodiscard]] CardCapture {
    QString error;   // empty when the page was read; names the URL or file otherwise
    QString address; // the page asked for, once built
    int runners = 0;
    bool beyondRaceCount = false; // the meeting has fewer races: nothing was done
    bool ok() const { return error.isEmpty(); }
};

// Empties VSFlexGrid2 and writes its eleven headers.
void Grid2_ini(FormState& form);

// The portal's race card address; the date's slashes go out already encoded as "%2F".
QString raceCardAddress(const QString& portalUrl, const QString& venueCode, const QString& race, const QDate& day);

// Race button `k` (0 to 11) stands for race k + 1 of the meeting in Text4 at the venue
// code in Text2.
CardCapture Option2_Click(Context& context, const QString& portalUrl, int k);

} // namespace kazeyomi
