// The result of anything that can fail: the failure travels with it, and no caller may drop it.
#pragma once

#include <QString>

namespace kazeyomi {

struct [[nodiscard]] Outcome {
    QString error; // empty on success; else names the file or control and why
    bool ok() const { return error.isEmpty(); }
};

// An outcome that also says how many things were done (replacements made, lines read).
struct [[nodiscard]] Counted : Outcome {
    int count = 0;
};

} // namespace kazeyomi
