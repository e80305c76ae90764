#include "app/terminal.h"

#include <cstdio>

#include <unistd.h>

namespace kazeyomi {

// Terminals here take UTF-8; a C locale's terminal still shows it better than Shift_JIS.
bool stdoutIsUtf8Terminal()
{
    return isatty(STDOUT_FILENO) == 1;
}

bool stderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

bool writeStdoutBytes(const char* data, size_t size)
{
    return std::fwrite(data, 1, size, stdout) == size && std::fflush(stdout) == 0;
}

} // namespace kazeyomi
