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
