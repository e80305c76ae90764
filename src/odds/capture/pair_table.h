// What the exacta, quinella and wide scrapers share: the site's pair tables stand on one long
// line each, which is found by its heading, split into one line per odds cell by a fixed
// list of replacements, written to the work file "tmp2.txt" and read back by count.
#pragma once

#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <vector>

#include <QString>

#include "odds/capture/odds_scrape.h"
#include "scraping/cached_page.h"
#include "scraping/page_reader.h"
#include "scraping/work_file.h"

namespace kazeyomi {

struct Context;
class GridModel;

// One pair page: where it is, where its table line stands and how it is split.
struct PairPage {
    QString address; // after "/odds/<raceCode>", for example "03.do"
    PageKind page;   // the copy kept of it and the least size of a real page
    QString heading; // the marker of the lines that head the table
    int headingLine; // the table is counted from this heading line (1: the first)
    std::span<const Replacement> steps;
    QString betType;   // in failures: "the exacta page shows 15 horses, ..."
    QString siteTitle; // in failures: "the site's 馬単 page has no heading, ..."
};

// The nine replacements every pair table starts with, followed by `then`.
std::vector<Replacement> pairTableSteps(std::initializer_list<Replacement> then);

// Without a venue in Label1 a scraper fetches nothing (an empty address) and reports that it
// did nothing.
bool withoutVenue(Context& ctx);

// The table of a pair page in the work file, one line per odds cell, or why there is none.
struct [[nodiscard]] PairTable {
    bool ready = false;
    PageReader rows{QString()}; // from the work file's first line on
    PageFetch fetch;            // the page's fetch
    // Why a page that was read gives no odds: no heading (the site's layout changed), a table
    // of another field than the win/place page's, or a work file that cannot be written.
    QString problem;

    // What the scraper tells the cycle when the table is not ready.
    OddsScrape notReady() const;
};

// Fetches the page, keeps its copy, and when the page is long enough, holds its heading and
// shows as many horses as the win/place page, writes the split table line to "tmp2.txt" and
// opens it. Not ready for a failed fetch, a short page, or with a problem.
PairTable fetchPairTable(Context& ctx, const QString& raceCode, const PairPage& page);

// The odds text of one cell line: its text after "<td>", without the closing tags the last
// cell of a table carries, "***" for "－"; nothing for the grey cell of a horse with itself.
// A cut that fails keeps the text of the cell before, as the cut is skipped.
class OddsCellCut {
public:
    std::optional<QString> cut(const QString& line);

private:
    QString m_text;
};

// The quinella and wide tables: eight columns of horses; row r of column c is its r-th line.
// Row r is labelled r + 1 for r from 1 to N - 1 (N the runner count).
void labelStaircase(GridModel& grid, int runners);
// Reads rows 1 to N - 1 of eight cell lines and one closing line each; an empty line where a
// cell line is due is passed over once. `cell` gets the row, the column and the line in hand.
void readStaircase(PageReader& rows, int runners, const std::function<void(int, int, QString&)>& cell);

} // namespace kazeyomi
