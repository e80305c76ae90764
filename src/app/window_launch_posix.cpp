// POSIX: the window program replaces this process, so the terminal, the signals and the exit
// code are its own as if it had been started directly.
#include "app/window_launch.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#include "app/command_line.h"

namespace kazeyomi {

namespace {

// Where this program lies: the link the kernel keeps, else how it was called.
std::string thisProgram(const char* calledAs)
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length > 0)
        return std::string(path, size_t(length));
    return calledAs ? calledAs : "";
}

} // namespace

int runWindowProgram(int argc, char** argv)
{
    (void)argc;
    const std::string self = thisProgram(argv[0]);
    const size_t slash = self.rfind('/');
    std::string window = KAZEYOMI_WINDOW_PROGRAM;
    if (slash != std::string::npos)
        window.insert(0, self, 0, slash + 1);
    argv[0] = window.data();
    // Without a folder it is looked for on the PATH, as this program was.
    if (slash == std::string::npos)
        execvp(window.c_str(), argv);
    else
        execv(window.c_str(), argv);
    std::fprintf(stderr, "kazeyomi: the window program %s cannot be started: %s\n", window.c_str(),
                 std::strerror(errno));
    return kExitUsage;
}

} // namespace kazeyomi
