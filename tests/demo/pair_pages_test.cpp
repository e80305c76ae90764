#include "demo/pair_pages.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <gtest/gtest.h>

#include "demo/odds_pages.h"
#include "fetch/page_fetcher.h"
#include "foundation/text_codec.h"
#include "session/settings.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

using Replacements = QList<QPair<QString, QString>>;

// The cuts the pair scrapers make on a table line, in their order.
const Replacements kShared = {
    {u"<th>"_s, u"<th>\r\n"_s},
    {u"\""_s, u""_s},
    {u"<span class=nk23_u-color>"_s, u""_s},
    {u"<span class=nk23_u-color33>"_s, u""_s},
    {u"</span>"_s, u""_s},
    {u"</td><th>"_s, u""_s},
    {u"</td></tr><tr><th>"_s, u"\r\n"_s},
    {u"<td></td>"_s, u"<td>\r\n</td>"_s},
    {u"</th></tr><tr><th>"_s, u"</th></tr>\r\n<tr><th>"_s},
};
const Replacements kExacta = kShared + Replacements{{u"</tr><tr><th>"_s, u"</tr><tr><th>\r\n"_s}};
const Replacements kStaircaseEnd = {
    {u"</td><th class=nk23_u-bg-color0 colspan=2>"_s, u"\r\n"_s},
    {u"<tr><th>\r\n"_s, u"\r\n"_s},
};
const Replacements kQuinella = kShared + kStaircaseEnd;
const Replacements kWide = kShared +
                           Replacements{{u"<div class=nk23_u-color33><span>"_s, u""_s},
                                        {u"</th><td><span>"_s, u"</th><td>"_s},
                                        {u"</div>"_s, u""_s}} +
                           kStaircaseEnd;

// The page as the scrapers get it, then the lines of the work file made from the table line
// found `skip` lines after the `occurrence`-th line holding `marker`; its first line dropped.
QStringList workLines(const QByteArray& html, const QString& marker, int occurrence, const Replacements& cuts)
{
    const QString cache =
        PageFetcher::cacheText(PageFetcher::renderPage(html, kOddsPageContentType, MarkupStyle::Modern).markup);
    const QStringList lines = cache.split(u"\r\n"_s);
    qsizetype at = -1;
    for (int seen = 0; seen < occurrence && at + 1 < lines.size();)
        seen += lines[++at].contains(marker) ? 1 : 0;
    if (at < 0 || !lines[at].contains(marker) || at + 4 >= lines.size())
        return {};
    QString table = lines[at + 4];
    for (const auto& [from, to] : cuts)
        table.replace(from, to);
    QStringList work = (u"\""_s + table + u"\"\r\n"_s).split(u"\r\n"_s);
    work.removeLast(); // after the final CR LF
    work.removeFirst();
    return work;
}

// Reads the work lines in rows of eight cells and a line that closes the row. A grey cell
// reads "#", a cell without odds "", "－" "***"; a wide cell "low|high". Lines read past the
// end are null, as a closing line that is a cell line would be a row slipped.
class RowReader {
public:
    RowReader(QStringList lines, bool skipEmpty) : m_lines(std::move(lines)), m_skipEmpty(skipEmpty) {}

    QStringList row(bool wide)
    {
        QStringList cells;
        for (int c = 0; c < 8; ++c) {
            QString line = next();
            if (m_skipEmpty && line.isEmpty() && !line.isNull())
                line = next();
            cells << (wide ? wideCell(line) : cell(line));
        }
        const QString closing = next();
        EXPECT_FALSE(closing.contains(u"</th>"_s)) << "a cell line closes the row: " << closing.toStdString();
        return cells;
    }
    qsizetype left() const { return m_lines.size() - m_next; }

private:
    QString next() { return m_next < m_lines.size() ? m_lines[m_next++] : QString(); }

    static QString cell(const QString& line)
    {
        if (line.contains(u"color0"_s))
            return u"#"_s;
        const qsizetype td = line.indexOf(u"<td>"_s);
        QString v = td < 0 ? QString() : line.mid(td + 4).toUpper();
        if (v.contains(u"</TD>"_s))
            v = v.left(v.indexOf(u"</TD>"_s));
        return v == u"－"_s ? u"***"_s : v;
    }
    static QString between(const QString& text, const QString& start, const QString& end)
    {
        const qsizetype from = text.indexOf(start);
        const qsizetype to = text.indexOf(end);
        return from < 0 || to < from + start.size() ? QString()
                                                    : text.mid(from + start.size(), to - from - start.size());
    }
    static QString wideCell(const QString& line)
    {
        if (line.contains(u"color0"_s))
            return u"#"_s;
        if (line.contains(u"－"_s))
            return u"***|***"_s;
        const QString up = line.toUpper() + u"@"_s;
        const QString end = line.contains(u"</td></tr>"_s) ? u"</TD></TR>"_s : u"@"_s;
        return between(up, u"<TD>"_s, u"<SPAN>"_s) + u"|"_s + between(up, u"<SPAN>-"_s, end);
    }

    QStringList m_lines;
    qsizetype m_next = 0;
    bool m_skipEmpty;
};

QString shown(const PairCell& cell, bool wide)
{
    switch (cell.state) {
    case PairCell::State::Odds:
        return wide ? cell.odds + u"|"_s + cell.high : cell.odds;
    case PairCell::State::Scratched:
        return wide ? u"***|***"_s : u"***"_s;
    case PairCell::State::Blank:
        break;
    }
    return wide ? u"|"_s : QString();
}

// Row r, column c of the staircase as it is read: horse c with horse c + r; below the first
// empty cell of column c, the pairs of horse 17 - c, under a head cell that reads empty.
QString staircaseCell(const PairBoard& board, int r, int c, bool wide)
{
    const int n = board.runners();
    if (c + r <= n)
        return shown(board.at(c, c + r), wide);
    const int lower = 17 - c;
    const int head = n - c + 1;
    if (lower < n && r == head)
        return wide ? u"|"_s : QString();
    if (lower < n && r > head && lower + (r - head) <= n)
        return shown(board.at(lower, lower + (r - head)), wide);
    return u"#"_s;
}

struct Field {
    const char* name;
    int runners;
    QList<int> scratched;
    QList<QPair<int, int>> blank;
};

const Field kFields[] = {
    {"3 runners", 3, {}, {{1, 2}}},
    {"5 runners, the last out", 5, {5}, {{2, 3}}},
    {"6 runners", 6, {3}, {{6, 1}}},
    {"8 runners", 8, {8}, {{1, 7}}},
    {"9 runners", 9, {9}, {{4, 5}}},
    {"12 runners, blanks in both parts and before a head", 12, {}, {{8, 10}, {7, 12}, {9, 11}}},
    {"15 runners, the last out", 15, {15}, {{9, 10}}},
    {"16 runners", 16, {3, 16}, {{10, 11}}},
};

WinPlacePage raceOf(const Field& field)
{
    WinPlacePage race;
    race.raceCode = u"2025120520010307"_s;
    race.runners = sampleRunners(field.runners);
    for (int horse : field.scratched)
        race.runners[horse - 1].state = WinPlaceRunner::State::Scratched;
    return race;
}

} // namespace

TEST(ExactaPage, EveryRowReadsItsEightPairsAndTheSecondBlockHoldsHorsesNineOn)
{
    for (const Field& field : kFields) {
        SCOPED_TRACE(field.name);
        const ExactaPage page = exactaPage(raceOf(field), field.blank);
        const int n = field.runners;
        RowReader reader(workLines(page.html, u">馬単<"_s, 2, kExacta), false);
        for (int block = 0; block < (n > 8 ? 2 : 1); ++block) {
            for (int second = 1; second <= n; ++second) {
                SCOPED_TRACE(u"block %1, row %2"_s.arg(block + 1).arg(second).toStdString());
                QStringList expected;
                for (int c = 1; c <= 8; ++c) {
                    const int first = c + 8 * block;
                    expected << (first > n || first == second ? u"#"_s : shown(page.shown.at(first, second), false));
                }
                EXPECT_EQ(reader.row(false), expected);
            }
        }
        EXPECT_EQ(reader.left(), 0);
    }
}

TEST(QuinellaWidePage, EveryRowReadsItsEightCellsOfTheStaircase)
{
    for (const Field& field : kFields) {
        SCOPED_TRACE(field.name);
        const QuinellaWidePage page = quinellaWidePage(raceOf(field), field.blank);
        const int n = field.runners;
        for (const bool wide : {false, true}) {
            SCOPED_TRACE(wide ? "wide" : "quinella");
            RowReader reader(wide ? workLines(page.html, u">ワイド<"_s, 1, kWide)
                                  : workLines(page.html, u">普通馬複<"_s, 1, kQuinella),
                             true);
            for (int r = 1; r <= n - 1; ++r) {
                SCOPED_TRACE(r);
                QStringList expected;
                for (int c = 1; c <= 8; ++c)
                    expected << staircaseCell(wide ? page.wide : page.quinella, r, c, wide);
                EXPECT_EQ(reader.row(wide), expected);
            }
            // Only a sixteenth row is left unread: column 1 ended, then 15-16, 14-16 ... 9-16.
            EXPECT_EQ(reader.left(), n == 16 ? 8 : 0);
        }
    }
}

TEST(PairPages, ShowTheLinesTheCutsAreMadeFor)
{
    const Field& fifteen = kFields[6];
    const QuinellaWidePage pairs = quinellaWidePage(raceOf(fifteen), fifteen.blank);
    // The last cell of a table keeps the closing tags on its line.
    EXPECT_EQ(workLines(pairs.html, u">普通馬複<"_s, 1, kQuinella).last(),
              u"15</th><td>－</td></tr></tbody></table>\""_s);
    EXPECT_EQ(workLines(pairs.html, u">ワイド<"_s, 1, kWide).last(), u"15</th><td>－</td></tr></tbody></table>\""_s);

    // The wide ranges of all three forms (plain, second choice, favourite) read `2.1<span>-3.4`.
    const QStringList wide = workLines(pairs.html, u">ワイド<"_s, 1, kWide);
    const QRegularExpression range(u"^\\d+</th><td>[\\d,]+\\.\\d<span>-[\\d,]+\\.\\d$"_s);
    EXPECT_EQ(wide.filter(range).size(), 14 * 13 / 2 - 1); // horse 15 out, 9-10 not shown
    QSet<QString> forms;
    for (int a = 1; a < 15; ++a)
        for (int b = a + 1; b < 15; ++b)
            forms << pairs.wide.at(a, b).highlight;
    EXPECT_EQ(forms, (QSet<QString>{QString(), kSecondChoiceClass, kFavouriteClass}));

    // A cell whose odds are not shown yet is a line with an empty cell.
    const Field& three = kFields[0];
    const QStringList exacta = workLines(exactaPage(raceOf(three), three.blank).html, u">馬単<"_s, 2, kExacta);
    ASSERT_GE(exacta.size(), 10);
    EXPECT_EQ(exacta[9], u"2</th><td>"_s); // row 2, column 1: 1 then 2

    // Nine runners: the second block's first row starts with 9 then 1.
    const Field& nine = kFields[4];
    const ExactaPage page = exactaPage(raceOf(nine), nine.blank);
    const QStringList nineLines = workLines(page.html, u">馬単<"_s, 2, kExacta);
    ASSERT_GE(nineLines.size(), 9 * 9 + 1);
    EXPECT_EQ(nineLines[9 * 9], u"1</th><td>－"_s);                         // horse 9 is out
    EXPECT_EQ(nineLines[9 * 9 + 1], u"</th><td class=nk23_u-bg-color0>"_s); // no horse 10
}

TEST(PairPages, ACancelledRaceHasNoTablesAndStillAFullPage)
{
    WinPlacePage race = raceOf(kFields[3]);
    race.kind = WinPlacePage::Kind::Cancelled;
    const ExactaPage exacta = exactaPage(race);
    const QuinellaWidePage pairs = quinellaWidePage(race);
    // Past the length under which a page counts as no data, as the site's own notice is.
    for (const QByteArray& html : {exacta.html, pairs.html}) {
        EXPECT_FALSE(html.contains("<table"));
        EXPECT_TRUE(html.contains("取り止め"));
        const QString markup = PageFetcher::renderPage(html, kOddsPageContentType, MarkupStyle::Modern).markup;
        EXPECT_GE(toCp932(PageFetcher::cacheText(markup)).size(), 1800);
    }
    EXPECT_EQ(exacta.shown.runners(), 0);
    EXPECT_EQ(pairs.quinella.runners(), 0);
}
