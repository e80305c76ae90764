#include "odds/capture/pair_table.h"

#include "fetch/page_fetcher.h"
#include "foundation/context.h"
#include "foundation/controls.h"
#include "foundation/form_state.h"
#include "foundation/grid_model.h"
#include "scraping/attempt.h"
#include "scraping/cells.h"
#include "scraping/text_helpers.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// Each odds cell lands on a line of its own such as `12</th><td>34.5`; rows end on a line of
// their own.
const std::vector<Replacement>& commonSteps()
{
    static const std::vector<Replacement> steps = {
        {u"<th>"_s, u"<th>\r\n"_s},
        {u"\""_s, QString()},
        {u"<span class=nk23_u-color>"_s, QString()},
        {u"<span class=nk23_u-color33>"_s, QString()},
        {u"</span>"_s, QString()},
        {u"</td><th>"_s, QString()},
        {u"</td></tr><tr><th>"_s, u"\r\n"_s},
        {u"<td></td>"_s, u"<td>\r\n</td>"_s},
        {u"</th></tr><tr><th>"_s, u"</th></tr>\r\n<tr><th>"_s},
    };
    return steps;
}

// The heading line, then the fourth line after it. A page that ends before the heading has
// no table; one that ends within the four lines leaves its last line in hand, as a read
// past the end does.
std::optional<QString> tableLine(PageReader& reader, const QString& heading, int headingLine)
{
    QString line;
    for (int found = 0; found < headingLine; ++found) {
        if (!reader.readLine(line) || !reader.readUntil(line, heading))
            return std::nullopt;
    }
    (void)reader.skip(line, 4);
    return line;
}

PairTable cutPairTable(Context& ctx, CachedPage& page, const PairPage& layout)
{
    PairTable table;
    table.fetch = page.fetch;
    if (!page.ready())
        return table;
    const std::optional<QString> line = tableLine(page.reader, layout.heading, layout.headingLine);
    // Without its heading the page shows no table; odds cut from elsewhere would be made up.
    if (!line) {
        table.problem = u"the site's %1 page has no heading: its layout may have changed"_s.arg(layout.siteTitle);
        return table;
    }
    const QString cells = replaceInOrder(*line, layout.steps);
    // A table of another field puts odds under other pairs' labels.
    table.problem = horseCountMismatch(layout.betType, horsesShown(cells), ctx.form.race.runnerCount);
    if (!table.problem.isEmpty())
        return table;
    WorkFile work(ctx.fetcher);
    work.addQuoted(cells);
    if (const Outcome written = work.write(); !written.ok()) {
        table.problem = written.error;
        return table;
    }
    table.ready = true;
    table.rows = work.readBack();
    return table;
}

} // namespace

OddsScrape PairTable::notReady() const
{
    return {problem.isEmpty() ? ScrapeResult::NoData : ScrapeResult::Parsed, fetch, problem};
}

std::vector<Replacement> pairTableSteps(std::initializer_list<Replacement> then)
{
    std::vector<Replacement> steps = commonSteps();
    steps.insert(steps.end(), then.begin(), then.end());
    return steps;
}

bool withoutVenue(Context& ctx)
{
    if (!ctx.form.text(Control::Label1).isEmpty())
        return false;
    // Fetching nothing still shows the fetch lamp, as every scraper's fetch does.
    (void)ctx.fetcher.Navigate2(QString());
    return true;
}

PairTable fetchPairTable(Context& ctx, const QString& raceCode, const PairPage& page)
{
    CachedPage cached = fetchCachedPage(ctx.fetcher, oddsPageUrl(ctx.siteUrl, raceCode, page.address), page.page);
    return cutPairTable(ctx, cached, page);
}

std::optional<QString> OddsCellCut::cut(const QString& line)
{
    static const QString kGrey = u"color0"_s;
    static const QString kCellStart = u"<TD>"_s;
    static const QString kCellEnd = u"</TD>"_s;
    static const QString kScratched = u"－"_s;
    static const QString kStars = u"***"_s;
    if (indexOfExactly(line, kGrey) >= 0)
        return std::nullopt;
    // The cut from "<td>" to an "@" put after the line, as it was written for lines without one:
    // to the line's own first "@" or its end. A cut whose end comes first keeps the cell before.
    const QStringView view(line);
    const qsizetype start = indexOfUpperCased(view, kCellStart);
    if (start < 0) {
        m_text.clear();
    } else {
        const qsizetype end = findUnit(view.utf16(), 0, view.size(), u'@');
        if (end - start - kCellStart.size() >= 0)
            m_text = upperAscii(view.mid(start + kCellStart.size(), end - start - kCellStart.size()));
    }
    QString text = m_text;
    // The last cell of a table still carries the table's closing tags.
    if (const qsizetype close = text.indexOf(kCellEnd); close >= 0)
        text.truncate(close);
    if (text == kScratched)
        return kStars;
    return text;
}

void labelStaircase(GridModel& grid, int runners)
{
    for (int i = 2; i <= runners; ++i)
        setCell(grid, i - 1, 0, numberText(i));
    for (int c = 1; c <= 8; ++c)
        setCell(grid, 0, c, numberText(c));
}

void readStaircase(PageReader& rows, int runners, const std::function<void(int, int, QString&)>& cell)
{
    QString line;
    rows.readLine(line); // the quotation mark the record opens with
    for (int r = 1; r <= runners - 1; ++r) {
        for (int c = 1; c <= 8; ++c) {
            rows.readLine(line);
            if (line.isEmpty())
                rows.readLine(line);
            cell(r, c, line);
        }
        rows.readLine(line); // the end of the table row
    }
}

} // namespace kazeyomi
