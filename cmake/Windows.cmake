# The Windows build: cross-compiled with MinGW-w64 (cmake/mingw-w64-x86_64.cmake) against a Qt
# for MinGW named by QT_MINGW_PREFIX, with its tests run under Wine. Included from the top level
# before Qt is looked for; does nothing in other builds.
if(NOT WIN32)
    return()
endif()

enable_language(RC) # the programs' icon and version information

# Windows headers: no min/max macros, no rarely used APIs.
add_compile_definitions(NOMINMAX WIN32_LEAN_AND_MEAN)

if(NOT CMAKE_CROSSCOMPILING)
    return()
endif()

# Qt's tools (moc, rcc) come from the host's Qt.
set(QT_HOST_PATH /usr CACHE PATH "Host Qt for moc and rcc")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "Host Qt's CMake packages")
set(QT_MINGW_PREFIX "$ENV{QT_MINGW_PREFIX}" CACHE PATH "The Qt for MinGW")
if(NOT "$ENV{QT_MINGW_PREFIX}" STREQUAL "")
    # The environment names the Qt of this run (CI unpacks one into a new folder each time).
    set(QT_MINGW_PREFIX "$ENV{QT_MINGW_PREFIX}" CACHE PATH "The Qt for MinGW" FORCE)
endif()
if(NOT EXISTS "${QT_MINGW_PREFIX}/lib/cmake/Qt6/Qt6Config.cmake")
    message(FATAL_ERROR "Set QT_MINGW_PREFIX to a Qt for MinGW (README: Building for Windows)")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH "${QT_MINGW_PREFIX}")

# Benchmarks, fuzz targets and sanitizers are for the Linux build.
set(SCORVANE_BUILD_BENCH OFF CACHE BOOL "" FORCE)
set(SCORVANE_BUILD_FUZZ OFF CACHE BOOL "" FORCE)
set(SCORVANE_BUILD_SERVER OFF CACHE BOOL "" FORCE) # a Unix service
set(SCORVANE_SANITIZE OFF CACHE BOOL "" FORCE)

# Programs run under Wine in a prefix of the build's own, finding the DLLs of Qt and of the
# MinGW runtime on WINEPATH.
if(SCORVANE_BUILD_TESTS)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                    OUTPUT_VARIABLE libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(SCORVANE_MINGW_RUNTIME_DIR "${libstdcxx}" DIRECTORY)
    set(SCORVANE_WINE /usr/lib/wine/wine64 CACHE FILEPATH "Wine for the tests")
    set(SCORVANE_WINEPATH "Z:${QT_MINGW_PREFIX}/bin;Z:${SCORVANE_MINGW_RUNTIME_DIR};Z:/usr/${TOOLCHAIN_PREFIX}/lib")
    file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/wine-run CONTENT [[#!/bin/sh
# Runs a Windows program of this build under Wine, one at a time: they share the prefix's
# registry, which holds the per-user profile on Windows.
export WINEPREFIX="@CMAKE_BINARY_DIR@/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEPATH="@SCORVANE_WINEPATH@"
mkdir -p "$WINEPREFIX"
if [ ! -e "$WINEPREFIX/.no-crash-dialog" ]; then
    # A crash prints its backtrace and ends the program instead of waiting for a click.
    flock -o "$WINEPREFIX/.lock" "@SCORVANE_WINE@" reg add 'HKCU\Software\Wine\WineDbg' \
        /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 && touch "$WINEPREFIX/.no-crash-dialog"
fi
exec flock -o "$WINEPREFIX/.lock" "@SCORVANE_WINE@" "$@"
]] @ONLY)
    file(CHMOD ${CMAKE_BINARY_DIR}/wine-run
         PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
    # Tests are listed when CTest runs, under Wine, not when the build links them.
    set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

    # GoogleTest from Debian's source, built with the same compiler.
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    block()
        set(CMAKE_AUTOMOC OFF)
        set(CMAKE_AUTORCC OFF)
        add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    endblock()
endif()

# The desktop program is a window program (no console window beside it). Set once every target
# is known, as are the tests of the programs themselves under Wine.
function(scorvane_finish_windows_build)
    if(TARGET scorvane)
        set_target_properties(scorvane PROPERTIES WIN32_EXECUTABLE ON)
        scorvane_windows_resources(scorvane "Scorvane highscores")
    endif()
    if(TARGET scorvane-cli)
        scorvane_windows_resources(scorvane-cli "Scorvane highscores, command line")
    endif()
    if(SCORVANE_BUILD_TESTS)
        scorvane_add_wine_tests()
    endif()
endfunction()

function(scorvane_add_wine_tests)
    if(NOT TARGET scorvane_app_tests)
        return()
    endif()
    # A worker thread that ends must not run destructors on freed thread-local storage. Wine's
    # heap checking fills freed memory, so such a destructor crashes every time.
    add_test(NAME Wine.WorkerThreadsEndCleanly
             COMMAND scorvane_app_tests --gtest_filter=WindowTest.*)
    set_tests_properties(Wine.WorkerThreadsEndCleanly PROPERTIES
        ENVIRONMENT "WINEDEBUG=-all,warn+heap")
    add_test(NAME Wine.DesktopProgramShowsTheDownloadedTree
             COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/screenshot.sh ${CMAKE_BINARY_DIR}/wine-run
                     $<TARGET_FILE:scorvane> ${CMAKE_SOURCE_DIR}/examples/sample-device
                     ${CMAKE_BINARY_DIR}/wine-screenshots)
    set_tests_properties(Wine.DesktopProgramShowsTheDownloadedTree PROPERTIES
        ENVIRONMENT "WINEDEBUG=-all,warn+heap")
endfunction()
# The program's icon and version information, as Explorer shows them.
function(scorvane_windows_resources target description)
    set(RC_NAME ${target})
    set(RC_FILE_NAME ${target}.exe)
    set(RC_DESCRIPTION ${description})
    configure_file(${PROJECT_SOURCE_DIR}/cmake/WindowsResource.rc.in
                   ${PROJECT_BINARY_DIR}/generated/${target}.rc @ONLY)
    target_sources(${target} PRIVATE ${PROJECT_BINARY_DIR}/generated/${target}.rc)
endfunction()

cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL scorvane_finish_windows_build)
