#include "runtime/ThreadExit.h"

#ifdef __MINGW32__
#include <windows.h>

namespace {
bool ordered = false;

// Before the other static constructors and before Qt's WinMain, which may already use
// thread_local variables.
__attribute__((constructor(101))) void OrderBeforeAnyThreadLocal() {
    OrderThreadExitCleanup();
}
} // namespace
#endif

void OrderThreadExitCleanup() {
#ifdef __MINGW32__
    // With MinGW-w64's gcc, thread_local variables live in emulated thread-local storage. When
    // a thread ends, its pthread key destructors run in the order the keys were made: the key
    // whose destructor frees the thread's emulated storage is made by the first use of any
    // thread_local, the key whose destructor runs the thread's thread_local destructors (in
    // the C++ runtime DLL) by the first registration of one, which always follows a use. So
    // the destructors ran on freed memory: Qt's holder of the regular-expression JIT stack, on
    // every worker thread that matched a pattern, freed whatever pointer the heap had written
    // there. Registering an empty destructor before any use makes the destructors' key first.
    // The registration must reach the C++ runtime DLL, where Qt's go: a window program also
    // links the C runtime's own __cxa_thread_atexit, which keeps a list of its own.
    if (ordered)
        return;
    ordered = true;
    using Register = int (*)(void (*)(void*), void*, void*);
    if (const HMODULE runtime = GetModuleHandleW(L"libstdc++-6.dll")) {
        if (const auto registerDestructor = reinterpret_cast<Register>(
                reinterpret_cast<void*>(GetProcAddress(runtime, "__cxa_thread_atexit"))))
            registerDestructor([](void*) {}, nullptr, nullptr);
    }
#endif
}
