#pragma once

// Makes the destructors of a thread's thread_local variables run before the thread's
// thread-local storage is freed when it ends. Call it first thing in main(), before anything
// uses a thread_local variable; it does nothing where the order is right already.
void OrderThreadExitCleanup();
