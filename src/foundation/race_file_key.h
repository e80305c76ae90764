// The base name of every file of a race: the venue in Text7 and the two-digit race number
// in Text8, for example 大井05.
#pragma once

#include <QString>

namespace kazeyomi {

class FormState;

// Text7 + Text8 as they stand now; the fetch cycle and the result test button set them.
QString raceFileKey(const FormState& form);
// <folder>/<race file key>.<extension>
QString raceFilePath(const FormState& form, const QString& folder, const QString& extension);

} // namespace kazeyomi
