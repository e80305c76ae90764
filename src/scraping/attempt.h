// A scraper goes on past a statement that fails: a bad cut, a read past the end, a cell
// outside the grid. Each such statement runs through here.
#pragma once

#include <exception>

namespace kazeyomi {

// Runs one statement; a failing statement is skipped and leaves its target as it was.
template <typename Statement> bool attempt(Statement&& statement)
{
    try {
        statement();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace kazeyomi
