#include "demo/triple_pages.h"

#include <algorithm>

#include "demo/odds_page_parts.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// Both pages have eight slots a row, each a plain "<th>" naming a horse and a <td> with the
// odds: the scrapers split a row's line at every "<th>" and read eight slot lines a row,
// taking the odds between "</th><td>" and "</td>". So a slot opens with exactly one plain
// "<th>", nothing else on a row's line holds "<th>" (the head cells carry a class), and
// a slot without odds has a <td> with an attribute, which reads empty. The grey class of the
// pair tables is never used here: the triple scrapers turn it into a line break.
constexpr int kSlots = 8;

QString slot(int horse, const PairCell& cell)
{
    return u"<th>%1</th>"_s.arg(horse) + oddsCell(cell);
}

QString emptySlot(const QString& horse = {})
{
    return u"<th>%1</th><td class=\"odds-none\"></td>"_s.arg(horse);
}

// Names the horse whose trios follow below in the same column; its cell reads empty.
QString headSlot(int horse)
{
    return u"<th>%1</th><td class=\"odds-head\"></td>"_s.arg(horse);
}

// The horses of the field other than `horse`, in number order.
QList<int> othersThan(int horse, int runners)
{
    QList<int> others;
    for (int h = 1; h <= runners; ++h)
        if (h != horse)
            others << h;
    return others;
}

// The head of a table: horse `others[from + s]` over slot s, nothing over the slots beyond.
QString headCells(const QList<int>& others, qsizetype from)
{
    QString head;
    for (qsizetype s = 0; s < kSlots; ++s)
        head += oddsHeadCell(from + s < others.size() ? QString::number(others[from + s]) : QString());
    return head;
}

// Where the trio table of a horse b puts each trio, from the way the trio scraper reads it.
// Call the other N - 1 horses o_1 to o_{N-1} in number order; the table has N - 2 rows.
//
// Upper part. A cell k rows down in column j is the trio of b with o_j and o_{j+k}, so
// column j lists o_j's trios with the others after it one a row from the top, without a gap:
// N - 1 - j of them, rows 1 to N - 1 - j. Column 1 with its N - 2 trios sets the depth.
//
// Lower part. Other horses 9 and up have no column of their own; o_{17-j} goes into column j
// under its own trios' end. Row N - j, the first free row of column j, is a head slot naming
// o_{17-j} (the scraper takes the horse from it and needs its cell empty), and the trios of
// b with o_{17-j} and each later other, N - 18 + j of them, follow right under it. A column
// with a lower part is N - j + N - 18 + j = 2N - 18 rows deep, never below row N - 2 as N is
// at most 16. Horses that have no later other left get no head.
//
// Sixteen runners: columns 1 to 8 hold o_1 to o_8's 14 + 13 + ... + 7 = 84 trios, the lower
// parts of columns 8 to 3 those of o_9 to o_14, 6 + 5 + ... + 1 = 21: all 105 trios of b,
// each once. With fewer runners the lower parts only get shorter, down to none at 10.
struct TrioSlot {
    enum class Kind { Trio, Head, Empty };
    Kind kind = Kind::Empty;
    int second = 0; // index into the others, from 1; the horse a head names
    int third = 0;
};

TrioSlot trioSlot(int runners, int column, int row)
{
    if (column <= runners - 1 && row <= runners - 1 - column)
        return {TrioSlot::Kind::Trio, column, column + row};
    const int lower = 17 - column;
    const int trios = runners - 18 + column;
    const int head = runners - column;
    if (trios >= 1 && row == head)
        return {TrioSlot::Kind::Head, lower, 0};
    if (trios >= 1 && row > head && row <= head + trios)
        return {TrioSlot::Kind::Trio, lower, lower + row - head};
    return {};
}

// The trio scraper looks for "<tbody><tr> " with the blank, then reads each row as the <tr>
// line, the empty text before the first "<th>", eight slot lines and the "</tr>" line: the
// rows' slots stand on lines of their own between a "<tr>" line and a "</tr>" line.
QString trioTable(const TripleBoard& board, int horse)
{
    const int n = board.runners();
    const QList<int> others = othersThan(horse, n);
    QString html = u"<p>%1番を含む組番</p>\n<div class=\"odds-table\">\n<table class=\"nk23_c-table08 odds-sanfuku\">\n"
                   "<thead><tr>%2</tr></thead>\n<tbody>"_s.arg(horse)
                       .arg(headCells(others, 0));
    for (int row = 1; row <= n - 2; ++row) {
        html += row == 1 ? u"<tr> \n"_s : u"<tr>\n"_s;
        for (int column = 1; column <= kSlots; ++column) {
            const TrioSlot at = trioSlot(n, column, row);
            const int second = at.second > 0 ? others[at.second - 1] : 0;
            const int third = at.third > 0 ? others[at.third - 1] : 0;
            switch (at.kind) {
            case TrioSlot::Kind::Trio: {
                std::array<int, 3> trio{horse, second, third};
                std::sort(trio.begin(), trio.end());
                html += slot(third, board.at(trio[0], trio[1], trio[2]));
                break;
            }
            case TrioSlot::Kind::Head:
                html += headSlot(second);
                break;
            case TrioSlot::Kind::Empty:
                html += emptySlot();
                break;
            }
        }
        html += u"\n</tr>\n"_s;
    }
    return html + u"</tbody></table>\n</div>\n"_s;
}

// One row of a trifecta half table: the horse placed third is `others[row]`, the horse placed
// second that of the slot's column, from `others[from]` on; the diagonal shows no odds.
QString trifectaRow(const TripleBoard& board, int first, const QList<int>& others, qsizetype from, qsizetype row)
{
    QString html;
    const int third = others[row];
    for (qsizetype s = 0; s < kSlots; ++s) {
        const qsizetype column = from + s;
        if (column >= others.size())
            html += emptySlot();
        else if (column == row)
            html += emptySlot(QString::number(third));
        else
            html += slot(third, board.at(first, others[column], third));
    }
    return html + u"</tr>\n"_s;
}

// Columns are the horse placed second, rows the horse placed third. The trifecta scraper
// writes to its work file only the lines holding a plain "<th>" (split at every "<th>"), a
// "<tbody><tr>" or a "<p>". It finds "<tbody><tr>", takes the second line after it as the first
// cell (the first is the empty text before the row's first "<th>"), then reads each row as
// eight cell lines and one more line: the "<tr>" that opens the next row. Past eight second
// horses a second half table follows, and the scraper reads both halves of a horse as one run
// of 2(N - 1) rows; between them only one line may reach the work file, so the second half's
// heading, table start and first row share a line, in the place of the "<tr>" of a row.
QString trifectaTable(const TripleBoard& board, int first)
{
    const int n = board.runners();
    const QList<int> others = othersThan(first, n);
    QString html = u"<p>1着 %1番</p>\n<div class=\"odds-table\">\n<table class=\"nk23_c-table08 odds-santan\">\n"
                   "<thead><tr>%2</tr></thead>\n<tbody><tr>\n"_s.arg(first)
                       .arg(headCells(others, 0));
    for (qsizetype row = 0; row < others.size(); ++row)
        html += (row > 0 ? u"<tr>"_s : QString()) + trifectaRow(board, first, others, 0, row);
    html += u"</tbody></table>\n"_s;
    if (others.size() > kSlots) {
        html += u"<p>1着 %1番 2着 %2～</p><table class=\"nk23_c-table08 odds-santan\"><thead><tr>%3</tr></thead>"
                "<tbody><tr>"_s.arg(first)
                    .arg(others[kSlots])
                    .arg(headCells(others, kSlots));
        for (qsizetype row = 0; row < others.size(); ++row)
            html += (row > 0 ? u"<tr>"_s : QString()) + trifectaRow(board, first, others, kSlots, row);
        html += u"</tbody></table>\n"_s;
    }
    return html + u"</div>\n"_s;
}

// No tables for a cancelled race, nor for a field too small to have a triple.
bool hasTables(const WinPlacePage& race)
{
    return race.kind != WinPlacePage::Kind::Cancelled && race.runners.size() >= 3;
}

} // namespace

TrioPage trioPage(const WinPlacePage& race, const QList<std::array<int, 3>>& blank)
{
    TrioPage page;
    QString html = oddsPageTop(race, u"09"_s, u"3連複"_s);
    if (hasTables(race)) {
        page.shown = triplesFor(race, blank).trio;
        for (int horse = 1; horse <= page.shown.runners(); ++horse)
            html += trioTable(page.shown, horse);
    }
    page.html = (html + oddsPageBottom(race)).toUtf8();
    return page;
}

TrifectaPage trifectaPage(const WinPlacePage& race, const QList<std::array<int, 3>>& blank)
{
    TrifectaPage page;
    QString html = oddsPageTop(race, u"08"_s, u"3連単"_s);
    if (hasTables(race)) {
        page.shown = triplesFor(race, blank).trifecta;
        for (int first = 1; first <= page.shown.runners(); ++first)
            html += trifectaTable(page.shown, first);
    }
    page.html = (html + oddsPageBottom(race)).toUtf8();
    return page;
}

} // namespace kazeyomi
