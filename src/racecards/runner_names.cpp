#include "racecards/runner_names.h"

#include <QDir>

#include "foundation/card_files.h"
#include "foundation/day_folders.h"
#include "foundation/form_state.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

std::map<int, QString> runnerNames(const FormState& form, const QString& cardFolder, const QString& venue, int race)
{
    std::map<int, QString> names;
    if (venue.isEmpty() || race <= 0)
        return names;
    if (form.cardInGrid.venue == venue && form.cardInGrid.race == race) {
        const GridModel& card = form.grid(Grid::VSFlexGrid2);
        for (int r = 1; r < card.rows(); ++r) {
            bool isNumber = false;
            const int number = card.textMatrix(r, 1).trimmed().toInt(&isNumber);
            if (isNumber && !card.textMatrix(r, 2).trimmed().isEmpty())
                names[number] = card.textMatrix(r, 2).trimmed();
        }
        return names;
    }
    // The file of the card button: a title line, then "bracket,number,name,..." per runner.
    QString error;
    const QString text = readCp932File(QDir(cardFolder).filePath(venue + twoDigitRace(race) + u".txt"_s), &error);
    if (!error.isEmpty())
        return names;
    const QStringList lines = text.split(u"\r\n"_s);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(u',');
        bool isNumber = false;
        const int number = fields.value(1).trimmed().toInt(&isNumber);
        if (isNumber && !fields.value(2).trimmed().isEmpty())
            names[number] = fields.value(2).trimmed();
    }
    return names;
}

} // namespace kazeyomi
