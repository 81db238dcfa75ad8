#include "cli/Terminal.h"

#include "cli/Output.h"

#include <csignal>
#include <iostream>
#include <string>

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
void restoreEchoAndStop(int signal) {
    if (echoIsOff)
        tcsetattr(STDIN_FILENO, TCSANOW, &savedMode);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
#endif

// Turns the terminal's echo off while it lives. Qt has no terminal control of its own.
class EchoOff {
public:
    EchoOff() {
        if (!standardInputIsTerminal())
            return;
#ifdef Q_OS_WIN
        m_input = GetStdHandle(STD_INPUT_HANDLE);
        m_active = GetConsoleMode(m_input, &m_savedMode) &&
                   SetConsoleMode(m_input, m_savedMode & ~DWORD(ENABLE_ECHO_INPUT));
#else
        if (tcgetattr(STDIN_FILENO, &savedMode) != 0)
            return;
        termios quiet = savedMode;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        m_previousInt = std::signal(SIGINT, restoreEchoAndStop);
        m_previousTerm = std::signal(SIGTERM, restoreEchoAndStop);
        m_active = tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
        echoIsOff = m_active;
#endif
    }
    ~EchoOff() {
        if (!m_active)
            return;
#ifdef Q_OS_WIN
        SetConsoleMode(m_input, m_savedMode);
#else
        tcsetattr(STDIN_FILENO, TCSANOW, &savedMode);
        echoIsOff = 0;
        std::signal(SIGINT, m_previousInt);
        std::signal(SIGTERM, m_previousTerm);
#endif
        // The line end was not shown either.
        standardError() << "\n";
        standardError().flush();
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    bool m_active = false;
#ifdef Q_OS_WIN
    HANDLE m_input = nullptr;
    DWORD m_savedMode = 0;
#else
    void (*m_previousInt)(int) = SIG_DFL;
    void (*m_previousTerm)(int) = SIG_DFL;
#endif
};

} // namespace

bool standardInputIsTerminal() {
#ifdef Q_OS_WIN
    return _isatty(_fileno(stdin)) != 0;
#else
    return isatty(fileno(stdin)) != 0;
#endif
}

std::optional<QString> readLine() {
    std::string line;
    if (!std::getline(std::cin, line))
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromLocal8Bit(line.data(), qsizetype(line.size()));
}

std::optional<QString> readSecretLine(const QString& prompt) {
    // Echo goes off before the prompt shows, so that nothing typed after it is shown.
    const EchoOff quiet;
    if (standardInputIsTerminal()) {
        standardError() << prompt;
        standardError().flush();
    }
    return readLine();
}
