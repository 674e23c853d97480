#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>

namespace parcelo::cli {

// Of `names`, the one a mistyped `word` most likely meant: the fewest
// letters added, removed, changed or swapped, and no more than a third of
// the word; a name that starts with the word wins too. "" when none is near.
std::string NearestName(std::string_view word, const std::vector<std::string>& names);

// The names of the commands `command` holds, in the order they were added.
std::vector<std::string> SubcommandNames(const CLI::App& command);

// What to tell the user when the command line could not be read because of
// a word the parser did not know: which word, in which command, and the
// command or option it most likely meant. "" when the failure is of another
// kind (a missing argument, a bad value), which the parser words itself.
std::string UnknownWordHint(const CLI::App& app);

}  // namespace parcelo::cli
