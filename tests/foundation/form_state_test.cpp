#include "foundation/form_state.h"

#include <gtest/gtest.h>

#include "foundation/controls.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

TEST(FormState, RefusesAControlNameItDoesNotKnow)
{
    FormState form;
    // Near misses of real names: each would once have created a control nobody shows.
    const QString typos[] = {u"Text09"_s,   u"text9"_s,  u"Text9 "_s, u"Text5"_s,  u"Text5_6"_s,
                             u"Text5(0)"_s, u"Text11"_s, u"Label2"_s, u"Lable1"_s, QString()};
    for (const QString& name : typos) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_THROW(form.setText(name, u"大井"_s), UnknownControl);
        EXPECT_THROW((void)form.text(name), UnknownControl);
        try {
            form.setText(name, u"x"_s);
        } catch (const UnknownControl& e) {
            EXPECT_EQ(e.name(), name);
            EXPECT_NE(std::string(e.what()).find(name.toStdString()), std::string::npos);
        }
    }
    // The refused writes created nothing: the real names still read their design texts.
    EXPECT_EQ(form.text(Control::Text9), u"Text9"_s);
    EXPECT_THROW((void)form.text(u"Text09"_s), UnknownControl);
}

TEST(FormState, KnowsEveryNamedControlWithItsDesignText)
{
    FormState form;
    const std::pair<QString, QString> design[] = {
        {Control::Text1, u"Text1"_s},   {Control::Text2, u"Text2"_s}, {Control::Text3, u"Text2"_s},
        {Control::Text4, u"Text4"_s},   {Control::Text6, u"Text6"_s}, {Control::Text7, u"Text7"_s},
        {Control::Text8, u"Text8"_s},   {Control::Text9, u"Text9"_s}, {Control::Text10, QString()},
        {Control::Label1, u"Label1"_s}, {Control::Text5[0], u"2"_s},  {Control::Text5[1], u"60"_s},
        {Control::Text5[2], u"20"_s},   {Control::Text5[3], u"1"_s},  {Control::Text5[4], u"4"_s},
        {Control::Text5[5], u"10"_s},
    };
    ASSERT_EQ(std::size(design), Control::allTextControls().size());
    for (const auto& [name, text] : design) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(form.text(name), text);
        form.setText(name, u"大井"_s);
        EXPECT_EQ(form.text(name), u"大井"_s);
    }
    EXPECT_THROW((void)Control::intervalBox(6), std::out_of_range);
}

TEST(FormState, StartsWithNoRaceInProgress)
{
    const FormState form;
    EXPECT_EQ(form.race.row, 0);
    EXPECT_EQ(form.race.runnerCount, 0);
    EXPECT_EQ(form.race.resultTestFlag, 0);
    static_assert(sizeof(form.race.runnerCount) == 2 && sizeof(form.race.resultTestFlag) == 2);
}
