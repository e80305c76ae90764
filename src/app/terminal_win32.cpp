#include "app/terminal.h"

#include <cstdio>

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

} // namespace kazeyomi
