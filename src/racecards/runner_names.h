// The horses' names of a race by their numbers, where its race card is known: the card in
// VSFlexGrid2 when it is that race's, else the race card file written for it.
#pragma once

#include <map>

#include <QString>

namespace kazeyomi {

class FormState;

std::map<int, QString> runnerNames(const FormState& form, const QString& cardFolder, const QString& venue, int race);

} // namespace kazeyomi
