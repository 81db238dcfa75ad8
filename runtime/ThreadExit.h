#pragma once

// Makes the destructors of a thread's thread_local variables run before the thread's
// thread-local storage is freed when it ends. Where that needs doing (MinGW-w64), it is done
// before the program's static constructors and its entry point run, in every program that
// calls this function (the call links it in); the call itself then does nothing more.
void OrderThreadExitCleanup();
