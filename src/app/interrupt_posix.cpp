#include "app/interrupt.h"

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>

namespace kazeyomi {
namespace {

int g_pipe[2] = {-1, -1};
std::function<void()> g_handler;
// Owned by the application object, so it goes when the event loop's owner goes.
QPointer<QSocketNotifier> g_notifier;

// Only async-signal-safe work here: wake the event loop through the socket pair.
void wake(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_pipe[1], &byte, 1);
}

} // namespace

void onInterrupt(std::function<void()> handler)
{
    g_handler = std::move(handler);
    if (g_pipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_pipe) != 0)
        return;
    if (g_notifier)
        return;
    g_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(g_notifier, &QSocketNotifier::activated, g_notifier, [](QSocketDescriptor socket) {
        char byte;
        [[maybe_unused]] const auto got = ::read(int(qintptr(socket)), &byte, 1);
        if (g_handler)
            g_handler();
    });
    struct sigaction action {};
    action.sa_handler = wake;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace kazeyomi
