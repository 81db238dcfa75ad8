#pragma once

// Control functions of the stand-in remote API library that the tests build. Besides the remote
// API's own functions (with the open-source library's types: 32-bit handles, 16-bit
// characters), the library exports these; a test resolves them by name from the same file it
// hands to the program.
//
// The stand-in serves one handheld: a device object the test supplies, else the device image
// folder named by RapiStub_SetImage or by the environment variable SCORVANE_RAPISTUB_IMAGE.
// The environment variable SCORVANE_RAPISTUB_SESSION=fail|hold sets the session mode at load.

#include <cstdint>

struct RapiStubCounters {
    int initCalls;             // CeRapiInit calls that began
    int initReturns;           // ... and returned
    int uninitCalls;           // CeRapiUninit calls
    int liveSessions;          // sessions opened and not yet closed
    int callsWithoutSession;   // registry and file calls made while no session was open
    int callsOffSessionThread; // calls made on another thread than the session's CeRapiInit
    int liveBuffers;           // search results handed out and not yet released
    int badFrees;              // CeRapiFreeBuffer of something never handed out
    int enumCalls;             // CeRegEnumValue calls
};

enum RapiStubSessionMode {
    RAPISTUB_ANSWER = 0, // CeRapiInit opens a session when the handheld is there
    RAPISTUB_FAIL = 1,   // CeRapiInit refuses at once
    RAPISTUB_HOLD = 2,   // CeRapiInit blocks until released, then answers
};

extern "C" {
using RapiStubResetFn = void (*)();
using RapiStubSetImageFn = void (*)(const char* folder);
using RapiStubUseDeviceFn = void (*)(void* device); // an IRapiDevice*, or null
using RapiStubSetSessionModeFn = void (*)(int mode);
using RapiStubReleaseFn = void (*)(int count);
using RapiStubSetMoreDataAnswersFn = void (*)(int count);
using RapiStubSetEmptySearchLeavesPointerFn = void (*)(int on);
using RapiStubSetReportedSearchCountFn = void (*)(std::uint32_t count);
using RapiStubGetCountersFn = void (*)(RapiStubCounters* counters);
using RapiStubWaitForInitCallsFn = int (*)(int count, int timeoutMs);
using RapiStubWaitUntilIdleFn = int (*)(int timeoutMs);
}

// Names, for QLibrary::resolve:
//   RapiStub_Reset                    forget the device, modes and counters (reads the
//                                     environment again)
//   RapiStub_SetImage                 serve this device image folder
//   RapiStub_UseDevice                serve this device object instead (the caller keeps it)
//   RapiStub_SetSessionMode           one of RapiStubSessionMode
//   RapiStub_Release                  let that many held CeRapiInit calls go on
//   RapiStub_SetMoreDataAnswers       the next n CeRegEnumValue calls that would succeed answer
//                                     ERROR_MORE_DATA with the name's length instead
//   RapiStub_SetEmptySearchLeavesPointer
//                                     a search that finds nothing succeeds without writing the
//                                     result pointer
//   RapiStub_SetReportedSearchCount   searches that return records report this many instead
//                                     (0: as many as there are)
//   RapiStub_GetCounters              a copy of the counters
//   RapiStub_WaitForInitCalls         1 once that many CeRapiInit calls began, 0 on timeout
//   RapiStub_WaitUntilIdle            1 once no CeRapiInit is running and no session is open
