#pragma once

// Standard input as the commands read it: typed on a terminal, or piped in.

#include <QString>
#include <optional>
#include <string>

bool StdinIsTerminal();

// One line from standard input, without its line end; nothing when input has ended.
std::optional<std::string> ReadLine();

// ReadLine for a password. On a terminal, prompt is shown on standard error first, and what
// is typed is not shown (the line end is).
std::optional<std::string> ReadSecretLine(const QString& prompt);
