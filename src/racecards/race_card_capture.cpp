#include "racecards/race_card_capture.h"

#include "fetch/page_fetcher.h"
#include "foundation/clock.h"
#include "foundation/context.h"
#include "foundation/controls.h"
#include "foundation/day_folders.h"
#include "foundation/file_writer.h"
#include "foundation/form_state.h"
#include "foundation/text_codec.h"
#include "racecards/meeting_choice.h"
#include "racecards/runner_scan.h"
#include "scraping/page_reader.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

QString crLf(QString text)
{
    return text.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n').replace(u"\n"_s, u"\r\n"_s);
}

} // namespace

void Grid2_ini(FormState& form)
{
    static const QString headers[] = {u"枠"_s,       u"番"_s,   u"馬名"_s, u"馬主"_s,   u"生産牧場"_s, u"調教師"_s,
                                      u"負担重量"_s, u"騎手"_s, u"成績"_s, u"馬体重"_s, u"変更"_s};
    GridModel& grid = form.grid(Grid::VSFlexGrid2);
    grid.clear();
    for (int c = 0; c < int(std::size(headers)); ++c)
        grid.setTextMatrix(0, c, headers[c]);
    form.cardInGrid = {};
}

QString raceCardAddress(const QString& portalUrl, const QString& venueCode, const QString& race, const QDate& day)
{
    return portalUrl + u"/keibaWeb/PageFlows/DebaTable/DebaTableController.jpf?k_babaCode="_s + venueCode +
           u"&k_raceNo="_s + race + u"&k_raceDate="_s + day.toString(u"yyyy"_s) + u"%2F"_s + day.toString(u"MM"_s) +
           u"%2F"_s + day.toString(u"dd"_s);
}

CardCapture Option2_Click(Context& context, const QString& portalUrl, int k)
{
    CardCapture out;
    FormState& form = context.form;
    Grid2_ini(form);
    if (k < 0 || k >= kRaceButtons) {
        out.error = u"there is no race %1 button: the buttons are 1 to %2"_s.arg(k + 1).arg(kRaceButtons);
        return out;
    }
    const int race = k + 1;
    const auto meeting = chosenMeeting(form);
    if (!meeting) {
        out.error = u"no meeting is chosen: choose one before a race button"_s;
        return out;
    }
    if (race > meeting->races) {
        out.beyondRaceCount = true;
        return out;
    }
    form.setText(Control::Text3, QString::number(race));
    form.setText(Control::Text8, twoDigitRace(race));
    const QString code = form.text(Control::Text2);
    if (code.isEmpty()) {
        out.error =
            u"%1 has no venue code on the regional portal: no race card address can be built"_s.arg(meeting->venue);
        return out;
    }
    if (portalUrl.isEmpty()) {
        out.error = u"the regional portal's address is not set (--portal, KAZEYOMI_PORTAL_URL or portal_url in "
                    "kazeyomi.ini)"_s;
        return out;
    }
    out.address = raceCardAddress(portalUrl, code, form.text(Control::Text3), context.folders.day());

    PageFetcher& fetcher = context.fetcher;
    const MarkupFetch loaded = fetcher.Navigate1(out.address);
    // A page that did not arrive whole is not cut: the grid stays empty.
    if (!loaded.ok()) {
        out.error = loaded.error;
        return out;
    }
    if (!fetcher.Tmp_Delete()) {
        out.error = u"the page cache files cannot be removed; %1 is not read"_s.arg(out.address);
        return out;
    }
    const QString cache = context.appFile(u"tmp.txt"_s);
    if (const Outcome saved = FileWriter().replace(cache, toCp932(crLf(loaded.markup) + u"\r\n"_s)); !saved.ok()) {
        out.error = saved.error;
        return out;
    }
    GridModel& grid = form.grid(Grid::VSFlexGrid2);
    PageReader runners = PageReader::fromFile(cache);
    out.runners = scanRunners(runners, grid);
    writeBrackets(grid, out.runners);
    PageReader titles = PageReader::fromFile(cache);
    if (const auto title = raceTitle(titles))
        form.setText(Control::Text6, *title);
    form.cardInGrid = {meeting->venue, race};
    if (!fetcher.Tmp_Delete())
        out.error = u"%1 was read, but the page cache files cannot be removed"_s.arg(out.address);
    return out;
}

} // namespace kazeyomi
