#pragma once

#include <QString>
#include <optional>

namespace norvane {

// Reads one line from standard input after showing the prompt on standard
// error. On a terminal what is typed is not echoed; from a pipe the line is
// read as it comes, so scripts can give it. Nothing at the end of the input.
std::optional<QString> readSecretLine(const char* prompt);

} // namespace norvane
