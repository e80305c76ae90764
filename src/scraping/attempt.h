// A scraper goes on past a statement that fails: a bad cut, a read past the end, a cell
// outside the grid. Each such statement runs through here.
#pragma once

#include <exception>

#include "foundation/unknown_control.h"

namespace kazeyomi {

// Runs one statement; a failing statement is skipped and leaves its target as it was.
template <typename Statement> bool attempt(Statement&& statement)
{
    try {
        statement();
        return true;
    } catch (const UnknownControl&) {
        throw; // a misspelt control is the program's fault, not the page's
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace kazeyomi
