#include "Terminal.h"

#include "Output.h"

#include <csignal>
#include <cstdio>
#include <iostream>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace {

#ifndef Q_OS_WIN
termios savedMode;
volatile std::sig_atomic_t echoIsOff = 0;

// Ctrl+C at the password question must not leave the terminal without echo.
void RestoreEchoAndStop(int signal) {
    if (echoIsOff)
        tcsetattr(STDIN_FILENO, TCSANOW, &savedMode);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
#endif

// Turns the terminal's echo off while it lives.
class EchoOff {
public:
    EchoOff() {
        if (!StdinIsTerminal())
            return;
#ifdef Q_OS_WIN
        input = GetStdHandle(STD_INPUT_HANDLE);
        active = GetConsoleMode(input, &savedMode) &&
                 SetConsoleMode(input, savedMode & ~DWORD(ENABLE_ECHO_INPUT));
#else
        if (tcgetattr(STDIN_FILENO, &savedMode) != 0)
            return;
        termios quiet = savedMode;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        previousInt = std::signal(SIGINT, RestoreEchoAndStop);
        previousTerm = std::signal(SIGTERM, RestoreEchoAndStop);
        active = tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
        echoIsOff = active;
#endif
    }
    ~EchoOff() {
        if (!active)
            return;
#ifdef Q_OS_WIN
        SetConsoleMode(input, savedMode);
#else
        tcsetattr(STDIN_FILENO, TCSANOW, &savedMode);
        echoIsOff = 0;
        std::signal(SIGINT, previousInt);
        std::signal(SIGTERM, previousTerm);
#endif
        // The line end was not shown either.
        Err() << "\n";
        Err().flush();
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    bool active = false;
#ifdef Q_OS_WIN
    HANDLE input = nullptr;
    DWORD savedMode = 0;
#else
    void (*previousInt)(int) = SIG_DFL;
    void (*previousTerm)(int) = SIG_DFL;
#endif
};

} // namespace

bool StdinIsTerminal() {
#ifdef Q_OS_WIN
    return _isatty(_fileno(stdin)) != 0;
#else
    return isatty(fileno(stdin)) != 0;
#endif
}

std::optional<std::string> ReadLine() {
    std::string line;
    if (!std::getline(std::cin, line))
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::optional<std::string> ReadSecretLine(const QString& prompt) {
    // Echo goes off before the prompt shows, so that nothing typed after it is shown.
    const EchoOff quiet;
    if (StdinIsTerminal()) {
        Err() << prompt;
        Err().flush();
    }
    return ReadLine();
}
