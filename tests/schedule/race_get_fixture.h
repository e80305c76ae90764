// The fixture of one race's fetch against a fake site, shared by the race fetch tests.
#pragma once

#include <map>

#include <QStringList>

#include "demo/odds_pages.h"
#include "demo/pair_pages.h"
#include "demo/result_pages.h"
#include "demo/triple_pages.h"
#include "foundation/grid_layouts.h"
#include "foundation/schedule_columns.h"
#include "foundation/text_codec.h"
#include "schedule/race_fetch.h"
#include "support/files.h"
#include "support/race_fixture.h"
#include "support/race_pages.h"

namespace kazeyomi::test {

using namespace Qt::StringLiterals;

constexpr int kRow = 1;
inline const QString kCode = u"20251205200101"_s;

inline const QStringList kFiles = {u"大井01.sei"_s,   u"大井01.jyun"_s,  u"大井01.tanA"_s, u"大井01.Fuk1"_s,
                                   u"大井01.Fuk2"_s,  u"大井01.uren"_s,  u"大井01.utan"_s, u"大井01.wideL"_s,
                                   u"大井01.wideH"_s, u"大井01.3fuku"_s, u"大井01.3tan"_s};

inline WinPlacePage oddsField(const QString& time)
{
    WinPlacePage page;
    page.raceCode = kCode;
    page.time = time;
    page.runners = sampleRunners(8);
    return page;
}

inline QByteArray oddsPage(const QString& time)
{
    return winPlacePage(oddsField(time));
}

class RaceGet : public RaceFixture {
protected:
    RaceCycle races{context};

    void SetUp() override
    {
        RaceFixture::SetUp();
        form.grid(Grid::VSFlexGrid8).setTextMatrix(kRow, ScheduleColumn::PageId, kCode);
    }
    QString oddsUrl() const { return kSite + u"/odds/"_s + kCode + u"01.do"_s; }
    QString resultUrl() const { return kSite + resultPagePath(kCode); }
    void serveFake(const QString& time, const QByteArray& result)
    {
        // The pair pages of the same odds: without them the cycle would end before the result.
        for (const auto& [path, body] : racePages(oddsField(time)))
            site.setPage(kSite + path, body, kOddsPageContentType);
        site.setPage(resultUrl(), result, kOddsPageContentType);
    }
    std::map<QString, QByteArray> files() const
    {
        std::map<QString, QByteArray> bytes;
        for (const QString& name : kFiles)
            bytes[name] = readBytes(oddsFile(name));
        return bytes;
    }
    // A first cycle after the race: every file holds the complete result and one odds line.
    void completeCycle()
    {
        serveFake(u"14:25"_s, resultPage(resultAfterRace(u"大井"_s, 1, 8)));
        const RaceOutcome first = races.Race_get(u"大井"_s, 1, kRow);
        ASSERT_TRUE(first.ok()) << first.failures.join(u"; "_s).toStdString();
        ASSERT_EQ(first.written.size(), 11);
        ASSERT_TRUE(readBytes(oddsFile(u"大井01.sei"_s)).contains(toCp932(u"円"_s)));
    }
};

} // namespace kazeyomi::test
