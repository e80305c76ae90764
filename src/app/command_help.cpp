// The words of --help: the general usage and one page per command.
#include "app/command_line.h"

namespace kazeyomi {

using namespace Qt::StringLiterals;

namespace {

const QString kSettingsPointer =
    u"\nThe settings (--base, --site, --portal, --now, ...) are listed by kazeyomi --help."_s;

} // namespace

QString usageText()
{
    return uR"(Usage: kazeyomi [options]              the window
       kazeyomi --headless [options]   the same without a window: start-up, 開始, poll until every race stops
       kazeyomi race <venue> <race-number> [options]
                                       one fetch of one race; exit 0 ok, 1 a fetch or file failed, 2 usage
       kazeyomi card <venue> <race-number> [--replace] [options]
                                       the race's card from the regional portal into its race card file;
                                       exit status as for race
       kazeyomi demo [--headless] [--speed N] [options]
                                       a made-up day of two meetings served by a local site; the
                                       clock runs N times faster
       kazeyomi render <file-or-URL> [--style modern|legacy] [--utf8|--cp932]
                                       the page as the scrapers read it, on standard output
       kazeyomi export <yymmdd> [--race <venue> <race-number>] [--format csv|jsonl]
                                       the day's history database, one row per race, fetch and
                                       combination, UTF-8 on standard output
       kazeyomi import <odds-folder>   the odds files of a past day into its history database
       kazeyomi <command> --help       the arguments of one command
       kazeyomi --help

)"_s + settingsHelp();
}

QString commandHelp(CommandLine::Mode mode)
{
    switch (mode) {
    case CommandLine::Mode::Headless:
        return uR"(Usage: kazeyomi --headless [options]

Start-up, 開始, then polls every race of today's schedule until each is stopped, without a window.
Each fetch is one line on standard output, failures go to standard error; Ctrl-C stops between two
fetches. At the end the schedule is saved to Grid8.dat in the card folder, as closing the window does.
Needs --site. Exit status: 0 done, 1 the schedule could not be saved, 2 usage or start-up error.)"_s +
               kSettingsPointer;
    case CommandLine::Mode::Race:
        return uR"(Usage: kazeyomi race <venue> <race-number> [options]

One fetch of one race of today's schedule, as the polling does when the race is due: the odds of
the seven bet types and the result, into the odds and result files of the odds folder.
  <venue>        a venue of today's meeting list: 浦和, 船橋, 大井 or 川崎
  <race-number>  1 to the meeting's race count, written 11 or 11R
Needs --site. Exit status: 0 written, 1 a fetch or a file failed, 2 usage or start-up error.
Example: kazeyomi race 大井 11 --site https://www.example.jp)"_s +
               kSettingsPointer;
    case CommandLine::Mode::Card:
        return uR"(Usage: kazeyomi card <venue> <race-number> [--replace] [options]

The race card (the runners) of one race from the regional portal, written as <venue><race>.txt in
today's card folder, as a race button and Command1 do in the window.
  <venue>        a venue of today's meeting list: 浦和, 船橋, 大井 or 川崎 (others with --venue-codes)
  <race-number>  1 to 12, and at most the meeting's race count, written 5 or 5R
  --replace      replace the card file even when the day's schedule is read from it (the companion
                 program's file); without it such a file is left as it is and the command fails
Needs --portal. Exit status: 0 written, 1 the page or the file failed, 2 usage or start-up error.
Example: kazeyomi card 大井 5 --portal https://www.example.jp)"_s +
               kSettingsPointer;
    case CommandLine::Mode::Demo:
        return uR"(Usage: kazeyomi demo [--headless] [--speed N] [options]

A made-up day of two meetings served by a site of its own on 127.0.0.1: the day's card folder is
written under the base folder (default: the per-user data folder's demo folder), then the window
opens and starts polling.
  --headless  no window: poll as kazeyomi --headless does until every race is stopped
  --speed N   the clock runs N times faster (more than 0, at most 10000; default 1)
--site and --portal are the demo's own site; --now sets the demo's starting time.)"_s +
               kSettingsPointer;
    case CommandLine::Mode::Export:
        return uR"(Usage: kazeyomi export <yymmdd> [--race <venue> <race-number>] [--format csv|jsonl] [options]

The day's history database (kazeyomi.sqlite in the day's odds folder) as one row per race, fetch
and combination, UTF-8 on standard output, for spreadsheets and scripts.
  <yymmdd>        the day, e.g. 251205
  --race V N      only race N of venue V, e.g. --race 大井 11
  --format F      csv (the default) or jsonl
Exit status: 0 written, 1 the database could not be read, 2 usage.)"_s +
               kSettingsPointer;
    case CommandLine::Mode::Import:
        return uR"(Usage: kazeyomi import <odds-folder> [options]

Reads the odds files of a past day written by this program (e.g. ~/uma/dat2/251205) into that day's
history database, so that days from before the database can be queried and exported.
Exit status: 0 imported, 1 a file or the database failed, 2 usage.)"_s +
               kSettingsPointer;
    case CommandLine::Mode::Render:
        return uR"(Usage: kazeyomi render <file-or-URL> [--style modern|legacy] [--utf8|--cp932] [options]

A page as the scrapers read it, on standard output: the page cache text of the odds and result
pages (modern) or the body markup with CR LF line ends of the race card pages (legacy).
  <file-or-URL>  a saved page, or an http:// or https:// address fetched once
  --style S      modern or legacy (default: --site-style, modern)
  --utf8         write UTF-8: the default when standard output is a terminal
  --cp932        write CP932, the bytes the scrapers read: the default into a file or a pipe
Exit status: 0 written, 1 the page could not be read, 2 usage.)"_s +
               kSettingsPointer;
    default:
        return usageText();
    }
}

} // namespace kazeyomi
