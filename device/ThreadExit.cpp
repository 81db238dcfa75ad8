#include "device/ThreadExit.h"

#ifdef __MINGW32__
#include <cxxabi.h>
#endif

void OrderThreadExitCleanup() {
#ifdef __MINGW32__
    // With MinGW-w64's gcc, thread_local variables live in emulated thread-local storage. When
    // a thread ends, its pthread key destructors run in the order the keys were made: the key
    // whose destructor frees the thread's emulated storage is made by the first use of any
    // thread_local, the key whose destructor runs the thread's thread_local destructors by the
    // first registration of one, which always follows a use. So the destructors ran on freed
    // memory: Qt's holder of the regular-expression JIT stack, on every worker thread that
    // matched a pattern, freed whatever pointer the heap had written there.
    // Registering an empty destructor before any use makes the destructors' key first.
    abi::__cxa_thread_atexit([](void*) {}, nullptr, nullptr);
#endif
}
