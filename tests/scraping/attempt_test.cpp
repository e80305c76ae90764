#include "scraping/attempt.h"

#include <gtest/gtest.h>

#include "foundation/form_state.h"
#include "foundation/grid_model.h"
#include "scraping/text_helpers.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(Attempt, SkipsWhatThePageCanCauseButNotAMisspeltControl)
{
    FormState form;
    GridModel grid(u"VSFlexGrid3"_s, 2, 2);
    QString line = u"a[b]c"_s;
    QString target = u"kept"_s;

    EXPECT_FALSE(attempt([&] { target = Moji_get(line, u"]"_s, u"["_s); }));
    EXPECT_FALSE(attempt([&] { grid.setTextMatrix(5, 5, u"x"_s); }));
    EXPECT_EQ(target, u"kept"_s);
    EXPECT_TRUE(attempt([&] { grid.setTextMatrix(1, 1, u"x"_s); }));
    EXPECT_THROW(attempt([&] { form.setText(u"Text99"_s, u"x"_s); }), UnknownControl);
}
