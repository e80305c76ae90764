// Whether a person at a terminal reads what the program writes.
#pragma once

#include <cstddef>

namespace kazeyomi {

// Standard output goes to a terminal that shows UTF-8.
bool stdoutIsUtf8Terminal();
// Standard error goes to a terminal: messages written there are seen.
bool stderrIsTerminal();
// Writes the bytes to standard output as they are (no line ends made CR LF on the way) and
// flushes them: false when they did not all get out.
[[nodiscard]] bool writeStdoutBytes(const char* data, size_t size);

} // namespace kazeyomi
