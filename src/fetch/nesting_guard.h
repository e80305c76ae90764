// The HTML parser's time grows with the square of the element nesting depth, so a page
// nested tens of thousands deep would freeze the program; such a page is refused instead.
#pragma once

#include <string_view>

namespace kazeyomi {

inline constexpr int kMaxNestingDepth = 20000;

// The deepest run of open elements a rough scan of the markup (UTF-8, as the parser reads
// it) finds. Elements whose end tag may be left out (p, li, td, tr ...) and void elements do
// not count, so sloppy but ordinary pages stay shallow. One pass, nothing allocated per tag:
// it runs before every page's parse.
int estimatedNestingDepth(std::string_view html);

} // namespace kazeyomi
