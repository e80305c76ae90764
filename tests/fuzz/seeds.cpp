// Writes a starting input for each attack from the demo site's pages, the sample day's files
// and saved grids: made-up bytes alone seldom get past a page's first marker.
// Usage: fuzz_seeds <folder>; each attack's inputs go to <folder>/<attack>/.
#include <cstdio>

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "demo/demo_day.h"
#include "fetch/page_fetcher.h"
#include "foundation/form_state.h"
#include "snapshots/grid_snapshots.h"
#include "support/fake_clock.h"

using namespace kazeyomi;
using namespace Qt::StringLiterals;

namespace {

QString g_root;

bool put(const QString& attack, const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(g_root + u'/' + attack);
    QFile file(g_root + u'/' + attack + u'/' + name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray byte(int value)
{
    return QByteArray(1, char(value));
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: fuzz_seeds <folder> <sample card folder>\n", stderr);
        return 2;
    }
    g_root = QString::fromLocal8Bit(argv[1]);
    const QString samples = QString::fromLocal8Bit(argv[2]);
    test::FakeClock clock(QDateTime(QDate(2025, 12, 5), QTime(10, 0)));
    const DemoDay day(clock, clock.now());
    bool ok = true;
    const DemoRace& race = day.races().front();
    const QStringList kinds{QStringLiteral("01.do"), QStringLiteral("04.do"), QStringLiteral("03.do"),
                            QStringLiteral("04.do"), QStringLiteral("09.do"), QStringLiteral("08.do")};
    // Before the post, at it and after it: open odds, final odds, the result.
    for (const int minutes : {-5, 1, 10}) {
        clock.set(race.post.addSecs(minutes * 60));
        const QString at = QString::number(minutes + 100);
        for (int i = 0; i < kinds.size(); ++i) {
            const auto page = day.respond(QStringLiteral("/odds/") + race.pageId + kinds[i]);
            if (!page)
                continue;
            // Scraper i in the order of odds_scrapers, with the race's runner count.
            ok &= put(u"odds_scrapers"_s, at + u'-' + QString::number(i), byte(i) + byte(race.runners) + page->body);
            ok &= put(u"render"_s, at + u'-' + QString::number(i), byte(0) + page->body);
            ok &= put(u"charset"_s, at + u'-' + QString::number(i), page->contentType + '\n' + page->body);
            const SharedPage prepared = preparePage(page->body, page->contentType, MarkupStyle::Modern);
            ok &= put(u"work_file"_s, at + u'-' + QString::number(i), prepared->bytes);
        }
        if (const auto result = day.respond(QStringLiteral("/result/") + race.pageId + QStringLiteral(".do")))
            ok &= put(u"result_scraper"_s, at, byte(0) + result->body);
    }
    if (const auto card =
            day.respond(QStringLiteral("/keibaWeb/PageFlows/DebaTable/DebaTableController.jpf?k_babaCode=") +
                        race.pageId.mid(8, 2) + QStringLiteral("&k_raceNo=1"))) {
        ok &= put(u"race_card"_s, u"1"_s, card->body);
        ok &= put(u"render"_s, u"card"_s, byte(1) + card->body);
    }

    QByteArray cards;
    for (const char* name : {"zen.txt", "oi01.txt", "oi02.txt", "kw01.txt", "kw02.txt"})
        cards += readFile(samples + u'/' + QString::fromLatin1(name)) + '\0';
    cards.chop(1);
    ok &= put(u"card_files"_s, u"sample"_s, cards);

    // Every snapshot grid saved with a few cells, whole and as the part under the checksum.
    QTemporaryDir temp;
    FormState form;
    for (int i = 0; i < 13; ++i) {
        const Grid grid = i == 12 ? Grid::VSFlexGrid8 : kSnapshotGrids[i];
        GridModel& model = form.grid(grid);
        model.setTextMatrix(1, 1, QStringLiteral("大井"));
        model.setTextMatrix(0, 1, QStringLiteral("1.5"));
        const QString path = temp.filePath(QStringLiteral("g.dat"));
        ok &= model.saveGrid(path).ok();
        const QByteArray saved = readFile(path);
        ok &= put(u"snapshot"_s, QString::number(i), byte(i << 1) + saved);
        // The header: the mark, then the length and the digest as a data stream writes them.
        const qsizetype header = qsizetype(sizeof("KAZEYOMI-GRID\x01") - 1) + 8 + 4 + 32;
        ok &= put(u"snapshot"_s, QString::number(i) + u"-payload"_s, byte(i << 1 | 1) + saved.mid(header));
    }
    if (!ok)
        std::fputs("fuzz_seeds: not every input could be written\n", stderr);
    return ok ? 0 : 1;
}
