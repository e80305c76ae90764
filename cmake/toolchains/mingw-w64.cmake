# Cross-compiling for 64-bit Windows on Debian with its mingw-w64 compilers (the posix thread model, which
# std::thread and Qt need). Libraries built for Windows are looked for only under KAZEYOMI_WINDOWS_PREFIX
# (where they were installed) and the compiler's own folder, never among the build machine's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KAZEYOMI_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KAZEYOMI_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KAZEYOMI_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${KAZEYOMI_MINGW}-windres)

set(KAZEYOMI_WINDOWS_PREFIX "$ENV{KAZEYOMI_WINDOWS_PREFIX}" CACHE PATH "Where the libraries built for Windows are installed")
set(CMAKE_FIND_ROOT_PATH /usr/${KAZEYOMI_MINGW} ${KAZEYOMI_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config would otherwise answer with the build machine's .pc files.
set(ENV{PKG_CONFIG_PATH} "")
if(KAZEYOMI_WINDOWS_PREFIX)
    set(ENV{PKG_CONFIG_LIBDIR} "${KAZEYOMI_WINDOWS_PREFIX}/lib/pkgconfig")
else()
    set(ENV{PKG_CONFIG_LIBDIR} "${CMAKE_CURRENT_LIST_DIR}/no-windows-prefix")
endif()
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# Qt's code generators (moc, rcc, uic) run on the build machine: Debian's own Qt 6 supplies them.
if(NOT DEFINED QT_HOST_PATH)
    set(QT_HOST_PATH /usr CACHE PATH "Qt for the build machine, whose tools run during the build")
endif()
