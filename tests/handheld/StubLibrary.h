#pragma once

// The control functions of the stand-in remote API library (see RapiStub.h), resolved from the
// same file the backend loads.

#include "RapiStub.h"

#include <QLibrary>
#include <QString>

inline const QString kStubPath = QStringLiteral(SCORVANE_RAPISTUB_PATH);
inline const QString kStubWithoutEnumPath = QStringLiteral(SCORVANE_RAPISTUB_NOENUM_PATH);
inline constexpr int kGenerousMs = 20000; // only ever reached when something is broken

struct StubLibrary {
    explicit StubLibrary(const QString& path = kStubPath) : file(path) {}
    // Whether initCalls CeRapiInit calls began (-1: none runs and no session is open).
    bool wait(int initCalls) const { return waitFor(initCalls, kGenerousMs, &last); }
    RapiStubCounters counters() const { return waitFor(0, 0, &last), last; }

    QLibrary file;
    RapiStubResetFn reset = reinterpret_cast<RapiStubResetFn>(file.resolve("RapiStub_Reset"));
    RapiStubSetFn set = reinterpret_cast<RapiStubSetFn>(file.resolve("RapiStub_Set"));
    RapiStubWaitFn waitFor = reinterpret_cast<RapiStubWaitFn>(file.resolve("RapiStub_Wait"));
    mutable RapiStubCounters last{};
};
