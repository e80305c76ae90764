#include "racecards/meeting_choice.h"

#include <gtest/gtest.h>

#include "foundation/controls.h"
#include "foundation/form_state.h"
#include "racecards/venue_codes.h"

namespace kazeyomi {
namespace {

using namespace Qt::StringLiterals;

TEST(VenueCodes, BuiltInTableExtendedAndOverriddenBySettings)
{
    QStringList errors;
    const VenueCodes codes(parseVenueCodes(u"門別:30, 大井=99, 船橋, 川崎:2a"_s, errors));
    EXPECT_EQ(codes.code(u"浦和"_s), u"18"_s);
    EXPECT_EQ(codes.code(u"船橋"_s), u"19"_s);
    EXPECT_EQ(codes.code(u"大井"_s), u"99"_s);
    EXPECT_EQ(codes.code(u"川崎"_s), u"21"_s);
    EXPECT_EQ(codes.code(u"門別"_s), u"30"_s);
    EXPECT_FALSE(codes.code(u"盛岡"_s));
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors[0].contains(u"船橋"_s));
    EXPECT_TRUE(errors[1].contains(u"川崎:2a"_s));
}

TEST(MeetingChoice, SetsRowAndCodeAndReportsVenueWithoutCode)
{
    FormState form;
    form.meetings = {{u"oi"_s, 12, u"大井"_s}, {u"mr"_s, 10, u"盛岡"_s}};
    const VenueCodes codes;
    EXPECT_TRUE(chooseMeeting(form, codes, 0).ok());
    EXPECT_EQ(form.text(Control::Text4), u"1"_s);
    EXPECT_EQ(form.text(Control::Text2), u"20"_s);
    ASSERT_TRUE(chosenMeeting(form));
    EXPECT_EQ(chosenMeeting(form)->races, 12);

    const Outcome none = chooseMeeting(form, codes, 1);
    EXPECT_FALSE(none.ok());
    EXPECT_TRUE(none.error.contains(u"盛岡"_s));
    EXPECT_EQ(form.text(Control::Text4), u"2"_s);
    EXPECT_EQ(form.text(Control::Text2), QString()); // no address can be built from the old code

    EXPECT_FALSE(chooseMeeting(form, codes, 2).ok());
}

} // namespace
} // namespace kazeyomi
