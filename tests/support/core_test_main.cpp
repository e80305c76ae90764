// Core tests run timers, sockets and local event loops: they need an application object.
#include <cstdio>

#include <QCoreApplication>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
#ifdef Q_OS_WIN
    // Under Wine the run does not end after the last test: the libraries' unloading waits on a
    // thread Windows has already stopped. The verdict is known, so it ends here, unloading nothing.
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), UINT(result));
#endif
    return result;
}
