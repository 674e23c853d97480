#include "cli/usage_hint.h"

#include <algorithm>

namespace parcelo::cli {
namespace {

// Letters added, removed or changed, and neighbours swapped, to go from one
// word to the other.
size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

// The first command, from the program down to the deepest one the parser
// selected, that was left a word it could not place; null when none was.
const CLI::App* CommandWithUnplacedWord(const CLI::App& app) {
    for (const CLI::App* command = &app; command;) {
        if (!command->remaining().empty()) return command;
        const std::vector<CLI::App*> chosen = command->get_subcommands();
        command = chosen.empty() ? nullptr : chosen.front();
    }
    return nullptr;
}

std::vector<std::string> OptionNames(const CLI::App& command) {
    std::vector<std::string> names;
    for (const CLI::Option* option : command.get_options()) {
        for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
        for (const std::string& name : option->get_snames()) names.push_back("-" + name);
    }
    return names;
}

// "schedule list" for a command, "" for the program.
std::string CommandPath(const CLI::App& command) {
    std::string path;
    for (const CLI::App* at = &command; at && at->get_parent(); at = at->get_parent()) {
        path = at->get_name() + (path.empty() ? "" : " " + path);
    }
    return path;
}

// Two parts of a command line; either may be empty.
std::string Joined(const std::string& first, const std::string& second) {
    if (first.empty() || second.empty()) return first + second;
    return first + " " + second;
}

}  // namespace

std::vector<std::string> SubcommandNames(const CLI::App& command) {
    std::vector<std::string> names;
    for (const CLI::App* sub : command.get_subcommands([](const CLI::App*) { return true; })) {
        names.push_back(sub->get_name());
    }
    return names;
}

std::string NearestName(std::string_view word, const std::vector<std::string>& names) {
    std::string nearest;
    size_t best = word.size() / 3 + 1;
    for (const std::string& name : names) {
        if (name.size() > word.size() && name.starts_with(word) && word.find_first_not_of('-') != std::string::npos) {
            return name;
        }
        const size_t distance = EditDistance(word, name);
        if (distance < best) {
            best = distance;
            nearest = name;
        }
    }
    return nearest;
}

std::string UnknownWordHint(const CLI::App& app) {
    const CLI::App* command = CommandWithUnplacedWord(app);
    if (!command) return {};
    const std::string word = command->remaining().front();
    const bool option = word.starts_with("-") && word.size() > 1;
    if (!option && SubcommandNames(*command).empty()) return {};
    const std::string path = CommandPath(*command);
    const std::string help = "(see " + Joined(Joined(app.get_name(), path), "--help") + ")";
    if (option) {
        const std::string name = word.substr(0, word.find('='));
        std::string text = "unknown option '" + name + "'" + (path.empty() ? "" : " of '" + path + "'");
        const std::string nearest = NearestName(name, OptionNames(*command));
        if (!nearest.empty()) text += "; did you mean '" + nearest + "'?";
        return text + " " + help;
    }
    std::string text = "unknown command '" + Joined(path, word) + "'";
    const std::string nearest = NearestName(word, SubcommandNames(*command));
    if (!nearest.empty()) text += "; did you mean '" + Joined(path, nearest) + "'?";
    return text + " " + help;
}

}  // namespace parcelo::cli
