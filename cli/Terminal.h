#pragma once

// Standard input as the commands read it: typed on a terminal, or piped in.

#include <QString>
#include <optional>

bool standardInputIsTerminal();

// One line from standard input, without its line end (a carriage return before it goes too);
// nothing when input has ended.
std::optional<QString> readLine();

// readLine for a password. On a terminal, prompt is shown on standard error first, and what
// is typed is not shown (the line end is).
std::optional<QString> readSecretLine(const QString& prompt);
