#pragma once

#include <string>

namespace parcelo::cli {

// Asks for a password on the terminal the program runs in, without echo:
// the prompt goes to standard error, the answer comes from standard input.
// False when standard input is no terminal or nothing could be read.
bool PromptPassword(const std::string& prompt, std::string& password);
// The same for any question; `echo` shows the answer as it is typed.
bool PromptAnswer(const std::string& prompt, bool echo, std::string& answer);
// Whether PromptPassword can ask: standard input is a terminal.
bool CanPrompt();

}  // namespace parcelo::cli
