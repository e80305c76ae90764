#include "app/interrupt.h"

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace kazeyomi {
namespace {

int g_pipe[2] = {-1, -1};

// Only async-signal-safe work here: wake the event loop through the socket pair.
void wake(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_pipe[1], &byte, 1);
}

} // namespace

void onInterrupt(std::function<void()> handler)
{
    if (g_pipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_pipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [handler](QSocketDescriptor socket) {
        char byte;
        [[maybe_unused]] const auto got = ::read(int(qintptr(socket)), &byte, 1);
        handler();
    });
    struct sigaction action {};
    action.sa_handler = wake;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace kazeyomi
