// The day's input files as the companion program may leave them: the meeting list and four
// race card files, separated by NUL bytes, read at start-up with every check on what becomes
// part of a path or an address; and the field reader on the bytes as they are.
#include <cstdlib>
#include <iterator>

#include <QDir>
#include <QFile>

#include "foundation/card_files.h"
#include "foundation/free_format_reader.h"
#include "foundation/text_codec.h"
#include "fuzz/fuzz_env.h"
#include "fuzz/fuzz_target.h"

namespace {

using namespace kazeyomi;

void readCards(const QByteArray& data)
{
    fuzz::FuzzEnv& e = fuzz::env(MarkupStyle::Modern);
    const QDir folder(e.folders.cardFolder());
    const QList<QByteArray> parts = data.split('\0');
    const char* names[] = {"zen.txt", "oi01.txt", "oi02.txt", "kw01.txt", "kw02.txt"};
    for (size_t i = 0; i < std::size(names); ++i) {
        const QString path = folder.filePath(QString::fromLatin1(names[i]));
        QFile::remove(path);
        if (qsizetype(i) >= parts.size())
            continue;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(parts[qsizetype(i)]) != parts[qsizetype(i)].size())
            return;
    }
    const CardReading reading = readDayCards(folder.path());
    for (const RaceCard& race : reading.races)
        if (!isSafeVenueName(race.venue) || !isSafePageId(race.pageId))
            std::abort(); // the start-up checks let an unsafe name through

    for (const auto trailing : {FreeFormatReader::TrailingBlanks::Keep, FreeFormatReader::TrailingBlanks::Drop}) {
        FreeFormatReader reader(fromCp932(data), trailing);
        QString field;
        int line = 0;
        while (reader.next(field, &line)) {
            (void)venueFromTitle(field);
            (void)postTimeFromTitle(field);
            (void)isTimeOfDay(field);
            (void)pageIdFromUrl(field);
        }
    }
}

} // namespace

KAZEYOMI_FUZZ_ENTRY(card_files, readCards)
