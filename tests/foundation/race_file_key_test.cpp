#include "foundation/controls.h"
#include "foundation/race_file_key.h"

#include <QDir>

#include <gtest/gtest.h>

#include "foundation/form_state.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(RaceFileKey, IsTheVenueAndTheTwoDigitRaceAsTheyStand)
{
    FormState form;
    const struct {
        const char* name;
        QString venue;
        QString race;
        QString key;
    } rows[] = {
        {"the usual key", u"大井"_s, u"05"_s, u"大井05"_s},
        {"no race yet", QString(), QString(), QString()},
        {"text taken as it is", u"川崎 "_s, u"1"_s, u"川崎 1"_s},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        form.setText(Control::Text7, r.venue);
        form.setText(Control::Text8, r.race);
        EXPECT_EQ(raceFileKey(form), r.key);
        EXPECT_EQ(raceFilePath(form, u"/base/dat2/251205"_s, u"tanA"_s), u"/base/dat2/251205/"_s + r.key + u".tanA"_s);
    }
}
