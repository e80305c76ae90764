#include "odds/capture/triple_table.h"

#include <algorithm>
#include <array>

#include "foundation/context.h"
#include "foundation/form_state.h"
#include "scraping/attempt.h"
#include "scraping/cells.h"
#include "scraping/text_helpers.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// The page cache doubles the quotation marks of the markup.
const QString kHighlight = u"<span class=\"\"nk23_u-color\"\">"_s;
const QString kPopular = u"<span class=\"\"nk23_u-color33\"\">"_s;
const QString kSpanEnd = u"</span>"_s;
const QString kCellHead = u"<th>"_s;
const QString kGreyCell = u"nk23_u-bg-color0"_s;
const QString kTableStart = u"<p>"_s;
const QString kTableEnd = u"</tbody></table>"_s;
const QString kBodyRow = u"<tbody><tr>"_s;

// The replacements in the order the split makes them, each on the text the earlier ones left.
QString splitInOrder(const QString& line, bool rowBreaks)
{
    static const std::array<Replacement, 6> cells = {{
        {kCellHead, kCellHead + u"\r\n"_s},
        {kHighlight, QString()},
        {kPopular, QString()},
        {kSpanEnd, QString()},
        {kCellHead, QString()},
        {kGreyCell, u"\r\n"_s},
    }};
    QString split = replaceInOrder(line, cells);
    if (rowBreaks)
        split.replace(u"</tr> \r\n<tr>"_s, u"</tr> \r\n\r\n<tr>"_s);
    return split;
}

// The same split made in one pass over the line, appended to `out`. One pass gives what the
// replacements in order give unless a removed highlight joins its neighbours into a marker a
// later replacement would see; no marker has a ">" before its end or a "<" after its start,
// so a removal after a ">" or before a "<" joins nothing. False (and `out` as it was) for a
// line where a removal could, or one that holds line breaks of its own.
bool splitInOnePass(QString& out, QStringView line, bool rowBreaks, TableLineMarks& marks)
{
    // Every marker met is longer than what it becomes: the split is no longer than the line,
    // and is written straight into the room made for it.
    static const QString kSpanStart = u"<span class=\"\"nk23_u-color"_s; // both highlights
    const char16_t* units = line.utf16();
    const qsizetype size = line.size();
    if (findUnit(units, 0, size, u'\r') < size)
        return false;
    const qsizetype begin = out.size();
    out.resize(begin + size);
    char16_t* const start = reinterpret_cast<char16_t*>(out.data()) + begin;
    char16_t* to = start;
    bool rowBreak = false;
    qsizetype copied = 0; // the line is copied a run of plain text at a time
    const auto copyUpTo = [&](qsizetype end) { to = std::copy(units + copied, units + end, to); };
    const auto lineBreak = [&] {
        if (rowBreaks && to - start >= 6 && to[-1] == u' ' && std::equal(to - 6, to, u"</tr> "))
            rowBreak = true;
        *to++ = u'\r';
        *to++ = u'\n';
    };
    // The highlight that stands at `at`, or none.
    const auto highlightAt = [&](qsizetype at) -> qsizetype {
        if (units[at + 1] == u'/')
            return standsAt(line, at, kSpanEnd) ? kSpanEnd.size() : 0;
        if (!standsAt(line, at, kSpanStart))
            return 0;
        if (standsAt(line, at, kHighlight))
            return kHighlight.size();
        return standsAt(line, at, kPopular) ? kPopular.size() : 0;
    };
    for (qsizetype at = findEitherUnit(units, 0, size, u'<', u'n'); at < size;
         at = findEitherUnit(units, at, size, u'<', u'n')) {
        if (at + 1 == size)
            break;
        const char16_t second = units[at + 1];
        if (units[at] == u'n') {
            if (second == u'k' && standsAt(line, at, kGreyCell)) {
                copyUpTo(at);
                lineBreak();
                at += kGreyCell.size();
                copied = at;
            } else {
                ++at;
            }
            continue;
        }
        if (second == u't' && standsAt(line, at, kCellHead)) {
            marks.cellHead = true;
            copyUpTo(at);
            lineBreak();
            at += kCellHead.size();
            copied = at;
            continue;
        }
        // The markers of the table copy are looked for on the way.
        if (second == u't')
            marks.bodyRow = marks.bodyRow || standsAt(line, at, kBodyRow);
        else if (second == u'p')
            marks.tableStart = marks.tableStart || standsAt(line, at, kTableStart);
        else if (second == u'/')
            marks.tableEnd = marks.tableEnd || standsAt(line, at, kTableEnd);
        if (second != u's' && second != u'/') {
            ++at;
            continue;
        }
        // A run of removed highlights, as one.
        const qsizetype runStart = at;
        while (at + 1 < size) {
            const qsizetype length = highlightAt(at);
            if (length == 0)
                break;
            at += length;
        }
        if (at == runStart) {
            ++at;
            continue;
        }
        const bool afterTagEnd = runStart == 0 || units[runStart - 1] == u'>';
        const bool beforeTagStart = at == size || units[at] == u'<';
        if (!afterTagEnd && !beforeTagStart) {
            out.truncate(begin);
            return false;
        }
        copyUpTo(runStart);
        copied = at;
    }
    copyUpTo(size);
    out.truncate(begin + (to - start));
    if (rowBreak) {
        // A row end before a line break, rare enough to be done again the simple way.
        QString split = out.mid(begin).replace(u"</tr> \r\n<tr>"_s, u"</tr> \r\n\r\n<tr>"_s);
        out.truncate(begin);
        out += split;
    }
    return true;
}

} // namespace

TableLineMarks appendSplitAtCells(QString& out, QStringView line, bool rowBreaks)
{
    TableLineMarks marks;
    if (splitInOnePass(out, line, rowBreaks, marks))
        return marks;
    out += splitInOrder(line.toString(), rowBreaks);
    return TableLineMarks(line);
}

QString splitAtCells(const QString& line, bool rowBreaks)
{
    QString split;
    appendSplitAtCells(split, line, rowBreaks);
    return split;
}

OddsScrape TripleTables::notReady() const
{
    return {problem.isEmpty() ? ScrapeResult::NoData : ScrapeResult::Parsed, fetch, problem};
}

TableLineMarks::TableLineMarks(QStringView line)
{
    const char16_t* units = line.utf16();
    const qsizetype last = line.size() - 1;
    for (qsizetype at = findUnit(units, 0, last, u'<'); at < last; at = findUnit(units, at + 1, last, u'<')) {
        // The character after "<" tells which marker may stand here.
        switch (units[at + 1]) {
        case u'p':
            tableStart = tableStart || standsAt(line, at, kTableStart);
            break;
        case u'/':
            tableEnd = tableEnd || standsAt(line, at, kTableEnd);
            break;
        case u't':
            cellHead = cellHead || standsAt(line, at, kCellHead);
            bodyRow = bodyRow || standsAt(line, at, kBodyRow);
            break;
        default:
            break;
        }
    }
}

TripleTables copyTables(Context& ctx, CachedPage& page, const TableLineCopy& copy, const QString& betType)
{
    TripleTables tables;
    tables.fetch = page.fetch;
    if (!page.ready())
        return tables;
    PageReader& reader = page.reader;
    WorkFile work(ctx.fetcher);
    // The tables make up most of the page, and their split text is about as long.
    work.reserve(page.bytes);
    // The page's lines are looked at where they stand.
    QStringView line;
    TableLineMarks marks;
    bool afterTable = false;
    while (!reader.atEnd()) {
        // A table's last line is passed over even when it also holds "<p>".
        while (afterTable || !marks.tableStart) {
            afterTable = false;
            if (!reader.readLine(line))
                break;
            marks = TableLineMarks(line);
        }
        if (!marks.tableStart)
            break;
        // Each line of the table is copied as it is looked over for the markers; the line that
        // ends the table is taken back out.
        for (;;) {
            const qsizetype before = work.text().size();
            marks = copy(work, line);
            if (marks.tableEnd) {
                work.truncate(before);
                break;
            }
            if (!reader.readLine(line))
                break;
        }
        afterTable = true;
    }
    // Tables of another field put odds under other triples' labels.
    tables.problem = horseCountMismatch(betType, horsesShown(work.text()), ctx.form.race.runnerCount);
    if (!tables.problem.isEmpty())
        return tables;
    if (const Outcome written = work.write(); !written.ok()) {
        tables.problem = written.error;
        return tables;
    }
    tables.ready = true;
    tables.rows = work.readBack();
    tables.lastPageLine = line.toString();
    return tables;
}

int readHorseTables(TripleTables& tables, GridModel& grid, int horses, int rows, const QString& marker,
                    int linesAfterRow)
{
    constexpr int kPageColumns = 8;
    PageReader& reader = tables.rows;
    // The line in hand is a view into the work file, or into `held` for the page's last line
    // and for a line upper-cased where a read kept it.
    QString held = tables.lastPageLine;
    QStringView line = held;
    const auto skip = [&](int n) {
        for (int i = 0; i < n && reader.readLine(line); ++i) {
        }
    };
    int found = 0;
    for (int h = 1; h <= horses; ++h) {
        while (indexOfExactly(line, marker) < 0)
            if (!reader.readLine(line))
                return found;
        ++found;
        skip(2);
        for (int k = 1; k <= rows; ++k) {
            for (int c = 1; c <= kPageColumns; ++c) {
                cutOddsCell(grid, (h - 1) * rows + k, c, line);
                if (!reader.readLine(line)) {
                    held = upperAscii(line);
                    line = held;
                }
            }
            skip(linesAfterRow);
        }
    }
    return found;
}

namespace {

// The usual cell line, `12</th><td>34.5</td>`, cut as the marker cut would without its general
// search: its first "<" opens "</th><td>" in small letters, so no end marker stands before the
// cut, which ends at the next "</td>" in any letter case. False for any other line.
bool cutUsualCell(QStringView line, QStringView& cut)
{
    static constexpr char16_t kStart[] = u"</th><td>";
    constexpr qsizetype kStartSize = 9;
    const char16_t* units = line.utf16();
    const qsizetype size = line.size();
    const qsizetype at = findUnit(units, 0, size, u'<');
    if (size - at < kStartSize || !std::equal(kStart, kStart + kStartSize, units + at))
        return false;
    const auto letter = [&](qsizetype i, char16_t upper) {
        return units[i] == upper || units[i] == char16_t(upper + (u'a' - u'A'));
    };
    for (qsizetype end = findUnit(units, at + kStartSize, size, u'<'); end < size;
         end = findUnit(units, end + 1, size, u'<')) {
        if (size - end >= 5 && units[end + 1] == u'/' && letter(end + 2, u'T') && letter(end + 3, u'D') &&
            units[end + 4] == u'>') {
            cut = line.mid(at + kStartSize, end - at - kStartSize);
            return true;
        }
    }
    cut = QStringView(); // no end marker: an empty cut
    return true;
}

} // namespace

void cutOddsCell(GridModel& grid, int row, int col, QStringView line)
{
    static const QString kStart = u"</TH><TD>"_s;
    static const QString kEnd = u"</TD>"_s;
    static const QString kScratched = u"－"_s;
    static const QString kStars = u"***"_s;
    // The line in hand is replaced by the next read, so it is cut without upper-casing it first
    // (readHorseTables does that where the read keeps it). A cut that fails leaves the cell as it
    // was, and that is looked at all the same.
    QStringView usual;
    const std::optional<QStringView> cut =
        cutUsualCell(line, usual) ? std::optional<QStringView>(usual) : cutViewUpperCased(line, kStart, kEnd);
    const QString text = cut ? upperAscii(*cut) : cellOrEmpty(grid, row, col);
    setCell(grid, row, col, text == kScratched ? kStars : text);
}

} // namespace kazeyomi
