// Odds pages of the Southern Kanto site, made up for the tests and the demo day. The markup
// follows the site's line by line, so the scrapers' fixed markers and line skips meet it.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace kazeyomi {

// The pages are UTF-8 and declare it in a <meta>; serve them with this Content-Type, as the
// fetcher believes the header before the page.
inline constexpr char kOddsPageContentType[] = "text/html; charset=UTF-8";

struct WinPlaceRunner {
    enum class State {
        Running,
        Scratched, // "出走取消" in the win cell
        Excluded,  // "競走除外" in the win cell
    };

    int number = 0;
    QString horse;
    QString win;            // as shown, "2.3"
    QString placeLow;       // "1.2"
    QString placeHigh;      // "1.5"
    bool placeShown = true; // false: the place cell shows "－"
    QString highlight;      // span class around a popular horse's odds ("color33"); empty: none
    State state = State::Running;
};

struct WinPlacePage {
    enum class Kind {
        Current,   // odds "as of" `time`
        Final,     // "最終オッズ"
        Cancelled, // "取り止め", no odds table
    };

    QString venue = QStringLiteral("大井");
    int race = 1;
    QString raceName = QStringLiteral("一般競走");
    QString raceCode; // the page id used in the links to the other bet types
    Kind kind = Kind::Current;
    QString time = QStringLiteral("14:25"); // "hh:mm" of current odds
    QList<WinPlaceRunner> runners;          // in horse number order, 1 to 16 of them
    // False leaves out the site's navigation and footer, as in the half pages the site sends
    // when overloaded; with a small field such a page stays under 1800 bytes.
    bool siteFrame = true;
};

// The whole HTML document of the win/place odds page ("/odds/<raceCode>01.do").
QByteArray winPlacePage(const WinPlacePage& page);

// A field of `count` runners (up to 16) numbered from 1, each with its own name and odds;
// horses with win odds under 5.0 are highlighted as the site does for favourites.
QList<WinPlaceRunner> sampleRunners(int count);

} // namespace kazeyomi
