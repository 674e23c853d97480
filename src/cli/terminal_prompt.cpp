#include "cli/terminal_prompt.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <optional>

#include "base/secret_text.h"

namespace parcelo::cli {
namespace {

// Echo off for the lifetime of the object; the terminal's settings come back
// with it.
class NoEcho {
public:
    NoEcho() {
        m_bActive = tcgetattr(STDIN_FILENO, &m_saved) == 0;
        if (!m_bActive) return;
        termios quiet = m_saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        m_bActive = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~NoEcho() {
        if (m_bActive) tcsetattr(STDIN_FILENO, TCSAFLUSH, &m_saved);
    }
    NoEcho(const NoEcho&) = delete;
    NoEcho& operator=(const NoEcho&) = delete;

    bool IsActive() const { return m_bActive; }

private:
    termios m_saved{};
    bool m_bActive = false;
};

}  // namespace

bool CanPrompt() { return isatty(STDIN_FILENO) == 1; }

bool PromptPassword(const std::string& prompt, std::string& password) { return PromptAnswer(prompt, false, password); }

bool PromptAnswer(const std::string& prompt, bool echo, std::string& answer) {
    if (!CanPrompt()) return false;
    std::optional<NoEcho> noEcho;
    if (!echo) noEcho.emplace();
    // Never ask for a secret where the answer would be shown.
    if (noEcho && !noEcho->IsActive()) return false;
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    std::string line;
    const velmora::CWipedText wiped(line);
    if (!std::getline(std::cin, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    answer = line;
    return true;
}

}  // namespace parcelo::cli
