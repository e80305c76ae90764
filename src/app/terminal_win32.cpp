#include "app/terminal.h"

#include <cstdio>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace kazeyomi {

// A Japanese console shows code page 932 itself: only a console switched to UTF-8 gets it.
bool stdoutIsUtf8Terminal()
{
    return _isatty(_fileno(stdout)) != 0 && GetConsoleOutputCP() == CP_UTF8;
}

bool stderrIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

// Text mode would put a CR before every LF of a page whose lines already end in CR LF.
bool writeStdoutBytes(const char* data, size_t size)
{
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
    return std::fwrite(data, 1, size, stdout) == size && std::fflush(stdout) == 0;
}

} // namespace kazeyomi
