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
    explicit StubLibrary(const QString& path = kStubPath) : file(path) {
        reset = reinterpret_cast<RapiStubResetFn>(file.resolve("RapiStub_Reset"));
        set = reinterpret_cast<RapiStubSetFn>(file.resolve("RapiStub_Set"));
        getCounters = reinterpret_cast<RapiStubGetCountersFn>(file.resolve("RapiStub_GetCounters"));
        wait = reinterpret_cast<RapiStubWaitFn>(file.resolve("RapiStub_Wait"));
    }
    bool ok() const { return reset && set && getCounters && wait; }
    RapiStubCounters counters() const {
        RapiStubCounters counters{};
        getCounters(&counters);
        return counters;
    }

    QLibrary file;
    RapiStubResetFn reset = nullptr;
    RapiStubSetFn set = nullptr;
    RapiStubGetCountersFn getCounters = nullptr;
    RapiStubWaitFn wait = nullptr;
};
