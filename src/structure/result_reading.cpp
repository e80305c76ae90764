#include <QStringList>

#include "fetch/page_tables.h"
#include "structure/page_reading.h"
#include "structure/table_layout.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

// The finishing table's columns by the start of their header text, as the site words them.
struct FinishColumn {
    const char16_t* header;
    QString Finish::*field;
};

const FinishColumn kFinishColumns[] = {
    {u"着差", &Finish::margin}, {u"着", &Finish::position},       {u"枠", &Finish::frame},
    {u"馬番", &Finish::horse},  {u"馬名", &Finish::name},         {u"性齢", &Finish::sexAge},
    {u"負担", &Finish::weight}, {u"馬体重", &Finish::bodyWeight}, {u"増減", &Finish::change},
    {u"騎手", &Finish::jockey}, {u"調教師", &Finish::trainer},    {u"タイム", &Finish::time},
    {u"上", &Finish::last3f},   {u"人気", &Finish::popularity},
};

QString Finish::*fieldFor(QStringView header)
{
    for (const FinishColumn& column : kFinishColumns)
        if (header.startsWith(QString::fromUtf16(column.header)))
            return column.field;
    return nullptr;
}

bool readFinishers(const PageTable& table, PageReading& reading)
{
    const auto placed = placedCells(table);
    std::vector<QString Finish::*> fields;
    for (const auto& line : placed) {
        bool header = false;
        for (const TableCell* cell : line)
            header = header || (cell && cell->header && cell->text() == u"馬番"_s);
        if (header) {
            fields.clear();
            for (const TableCell* cell : line)
                fields.push_back(cell ? fieldFor(cell->text()) : nullptr);
            continue;
        }
        if (fields.empty())
            continue;
        Finish finish;
        for (size_t c = 0; c < line.size() && c < fields.size(); ++c)
            if (line[c] && fields[c])
                finish.*fields[c] = line[c]->text().toString();
        if (horseNumber(finish.horse) > 0)
            reading.finishers << finish;
    }
    return !fields.empty();
}

// A payout table: a head row of bet types, each over its three columns (combination, yen,
// popularity), then rows of payouts.
void readPayouts(const PageTable& table, PageReading& reading)
{
    const auto placed = placedCells(table);
    QStringList betTypes; // by column
    for (size_t r = 0; r < placed.size(); ++r) {
        const auto& line = placed[r];
        if (line.size() > 0 && line[0] && line[0]->colspan > 3) {
            if (line[0]->text().contains(u"返還"_s))
                reading.refund = line[0]->text().toString();
            continue;
        }
        if (table.rows[qsizetype(r)].head) {
            if (betTypes.isEmpty())
                for (const TableCell* cell : line)
                    for (int c = 0; cell && c < cell->colspan; ++c)
                        betTypes << cell->text().toString();
            continue;
        }
        for (size_t c = 0; c + 2 < line.size() && c + 2 < size_t(betTypes.size()); c += 3) {
            const auto textAt = [&line](size_t at) { return line[at] ? line[at]->text().toString() : QString(); };
            PayoutShown payout{betTypes[qsizetype(c)], textAt(c), textAt(c + 1), textAt(c + 2)};
            if (!payout.combination.isEmpty() || !payout.yen.isEmpty())
                reading.payouts << payout;
        }
    }
}

} // namespace

PageReading readResultPage(const PageTables& page)
{
    PageReading reading;
    for (const PageTable& table : page.tables) {
        if (readFinishers(table, reading))
            continue;
        bool payoutHead = false;
        for (const TableRow& row : table.rows)
            for (const TableCell& cell : row.cells)
                payoutHead = payoutHead || (row.head && cell.header && cell.text() == u"払戻金"_s);
        if (payoutHead)
            readPayouts(table, reading);
    }
    return reading;
}

} // namespace kazeyomi
