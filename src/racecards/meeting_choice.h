// The meeting the race buttons capture cards for: its row in the meeting list goes to Text4,
// its venue's portal code to Text2.
#pragma once

#include <optional>

#include "foundation/outcome.h"

namespace kazeyomi {

class FormState;
class VenueCodes;
struct Meeting;

// Chooses meeting `index` (0-based) of the meeting list read at start-up. A venue without a
// code empties Text2, so that no address is built for it, and fails naming the venue.
Outcome chooseMeeting(FormState& form, const VenueCodes& codes, int index);

// The meeting Text4 names, if it names one.
std::optional<Meeting> chosenMeeting(const FormState& form);

} // namespace kazeyomi
