// Whether a person at a terminal reads what the program writes.
#pragma once

namespace kazeyomi {

// Standard output goes to a terminal that shows UTF-8.
bool stdoutIsUtf8Terminal();
// Standard error goes to a terminal: messages written there are seen.
bool stderrIsTerminal();

} // namespace kazeyomi
