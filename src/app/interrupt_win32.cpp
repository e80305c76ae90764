#include "app/interrupt.h"

#include <windows.h>

#include <QCoreApplication>
#include <QMetaObject>

namespace kazeyomi {
namespace {

std::function<void()> g_handler;

BOOL WINAPI console(DWORD)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [] {
            if (g_handler)
                g_handler();
        },
        Qt::QueuedConnection);
    return TRUE;
}

} // namespace

void onInterrupt(std::function<void()> handler)
{
    g_handler = std::move(handler);
    SetConsoleCtrlHandler(console, TRUE);
}

} // namespace kazeyomi
