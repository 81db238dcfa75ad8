#pragma once

// The stand-in remote API library that the tests build. Besides the remote API's functions
// (with the open-source library's types: 32-bit handles, 16-bit characters), it exports the
// control functions below, which a test resolves by name from the file it hands the program.
//
// It serves the device image folder given to RapiStub_Reset, else the one named by the
// environment variable SCORVANE_RAPISTUB_IMAGE, with the pacing its device.ini sets.

#include <cstdint>

// initCalls and initReturns count the CeRapiInit calls that began and that returned; misuses
// the calls without a session or on another thread than the session's CeRapiInit, releases of
// what was never handed out, and keys, files and search results still open at CeRapiUninit.
struct RapiStubCounters {
    int initCalls, initReturns, uninitCalls, liveSessions, misuses;
};

// What RapiStub_Set sets; 0 turns a fault off.
enum RapiStubSetting {
    RAPISTUB_SESSION,      // CeRapiInit: RAPISTUB_ANSWER, _FAIL, or _HOLD until set otherwise
    RAPISTUB_MORE_DATA,    // CeRegEnumValue answers ERROR_MORE_DATA, asking for this length
    RAPISTUB_EMPTY_SEARCH, // a search that finds nothing leaves the result pointer as it is
    RAPISTUB_SEARCH_COUNT, // searches that return records report this many
    RAPISTUB_VALUE_SIZE,   // size queries of registry values report this size
    RAPISTUB_LONGEST_NAME, // CeRegQueryInfoKey reports this longest name; while 0 it fails
    RAPISTUB_FILE_SIZE,    // CeGetFileSize reports this size
    RAPISTUB_SETTINGS
};
enum { RAPISTUB_ANSWER, RAPISTUB_FAIL, RAPISTUB_HOLD };

// RapiStub_Reset: forget the settings, counters and any session, then serve imageFolder (or
// the environment's). RapiStub_Wait: 1 once initCalls CeRapiInit calls began, or, for -1, once
// none is running and no session is open; 0 on timeout. Either way it gives the counters.
using RapiStubResetFn = void (*)(const char* imageFolder);
using RapiStubSetFn = void (*)(int setting, std::uint32_t value);
using RapiStubWaitFn = int (*)(int initCalls, int timeoutMs, RapiStubCounters* counters);
