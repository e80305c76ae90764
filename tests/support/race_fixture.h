// A whole working set for one test: temporary base and application folders, the
// controls' state, a fixed clock, and a page fetcher that reads from a fake site.
#pragma once

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "fetch/page_fetcher.h"
#include "foundation/context.h"
#include "foundation/controls.h"
#include "foundation/day_folders.h"
#include "foundation/form_state.h"
#include "support/fake_clock.h"
#include "support/fake_page_source.h"

namespace kazeyomi::test {

inline const QString kSite = QStringLiteral("https://site.test");

class RaceFixture : public ::testing::Test {
protected:
    QTemporaryDir base;
    QTemporaryDir app;
    FakeClock clock{QDateTime(QDate(2025, 12, 5), QTime(14, 30))};
    DayFolders folders{base.path(), clock};
    FormState form;
    FakePageSource site;
    PageFetcher fetcher{form, site, app.path(), MarkupStyle::Modern};
    Context context{form, clock, folders, fetcher, app.path(), kSite};

    void SetUp() override { ASSERT_EQ(folders.createAll(), QStringList()); }

    // The current race fields as the fetch cycle sets them.
    void setRace(const QString& venue, int race)
    {
        form.setText(Control::Text3, QString::number(race));
        form.setText(Control::Label1, venue);
        form.setText(Control::Text7, venue);
        form.setText(Control::Text8, twoDigitRace(race));
    }
    QString oddsFile(const QString& name) const { return QDir(folders.oddsFolder()).filePath(name); }
};

} // namespace kazeyomi::test
