#include "platform/secret_input.h"

#include <cstdio>
#include <string>

#ifdef Q_OS_UNIX
#include <termios.h>
#include <unistd.h>
#endif

namespace norvane {

namespace {

// Turns the terminal's echo off for as long as it lives.
class EchoOff
{
public:
    EchoOff()
    {
#ifdef Q_OS_UNIX
        m_active = ::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &m_saved) == 0;
        if (m_active) {
            termios quiet = m_saved;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        }
#endif
    }
    ~EchoOff()
    {
#ifdef Q_OS_UNIX
        if (m_active) {
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &m_saved);
            std::fputc('\n', stderr);
        }
#endif
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
#ifdef Q_OS_UNIX
    termios m_saved{};
#endif
    bool m_active = false;
};

} // namespace

std::optional<QString> readSecretLine(const char* prompt)
{
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    const EchoOff quiet;
    std::string line;
    int c = 0;
    while ((c = std::fgetc(stdin)) != EOF && c != '\n') {
        line.push_back(static_cast<char>(c));
    }
    if (c == EOF && line.empty()) {
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return QString::fromStdString(line);
}

} // namespace norvane
