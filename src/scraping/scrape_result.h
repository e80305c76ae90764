// What a scraper tells the fetch cycle.
#pragma once

namespace kazeyomi {

enum class ScrapeResult {
    Empty,  // nothing done: no venue in Label1
    Parsed, // the page was read
    NoData, // page too short or race cancelled: no further bet types this cycle
};

} // namespace kazeyomi
