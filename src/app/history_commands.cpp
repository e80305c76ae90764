// The history commands: the day's database out as text, and a past day's files into it.
#include <cstdio>

#include <QDir>
#include <QFile>

#include "app/command_line.h"
#include "history/day_export.h"
#include "history/day_import.h"
#include "history/history_database.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

void tell(const QString& text)
{
    const QByteArray bytes = (text + u'\n').toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

} // namespace

int runExport(const CommandLine& line)
{
    if (line.positional.size() != 1 || (!line.exportVenue.isEmpty() && line.exportRace <= 0)) {
        tell(u"usage: kazeyomi export <yymmdd> [--race <venue> <race-number>] [--format csv|jsonl]"_s);
        return kExitUsage;
    }
    const QString path =
        QDir(QDir(line.settings.baseDir).filePath(u"dat2/"_s + line.positional[0])).filePath(kHistoryFileName);
    if (!QFile::exists(path)) {
        tell(u"%1: no history database for that day"_s.arg(path));
        return kExitFailed;
    }
    HistoryDatabase database(path, true);
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly)) {
        tell(u"standard output cannot be written"_s);
        return kExitFailed;
    }
    const Counted exported =
        exportHistory(database, {line.exportVenue, line.exportRace, line.format == u"jsonl"_s}, out);
    out.flush();
    if (!exported.ok()) {
        tell(exported.error);
        return kExitFailed;
    }
    return kExitOk;
}

int runImport(const CommandLine& line)
{
    if (line.positional.size() != 1) {
        tell(u"usage: kazeyomi import <odds-folder>"_s);
        return kExitUsage;
    }
    const QString folder = line.positional[0];
    if (!QDir(folder).exists()) {
        tell(u"%1: no such folder"_s.arg(folder));
        return kExitFailed;
    }
    HistoryDatabase database(QDir(folder).filePath(kHistoryFileName));
    const Counted imported = importOddsFolder(folder, database);
    if (!imported.ok()) {
        tell(imported.error);
        return kExitFailed;
    }
    tell(u"%1: %2 fetches imported"_s.arg(database.path()).arg(imported.count));
    return kExitOk;
}

} // namespace kazeyomi
