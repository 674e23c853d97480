#include "cli/help_pages.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "cli/usage_hint.h"

namespace parcelo::cli {
namespace {

// The group of the options every command repeats (GlobalOptions).
constexpr const char* kGlobalGroup = "Global options";

struct Command {
    std::string path;  // "" for the program, "schedule add" for a nested command
    const CLI::App* app;
};

void Collect(const CLI::App& app, const std::string& path, std::vector<Command>& out) {
    out.push_back({path, &app});
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
        Collect(*sub, path.empty() ? sub->get_name() : path + " " + sub->get_name(), out);
    }
}

std::vector<Command> Commands(const CLI::App& app) {
    std::vector<Command> commands;
    Collect(app, "", commands);
    return commands;
}

// The names a shown option answers to ("-l", "--long"); none for a hidden one.
std::vector<std::string> OptionNames(const CLI::Option& option) {
    std::vector<std::string> names;
    if (option.get_group().empty()) return names;
    for (const std::string& name : option.get_snames()) names.push_back("-" + name);
    for (const std::string& name : option.get_lnames()) names.push_back("--" + name);
    return names;
}

bool TakesValue(const CLI::Option& option) { return option.get_type_size() != 0; }

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
    return text;
}

// The shell functions both completions share: the candidates for the word
// being completed, from the words before it. Written in what bash and zsh
// both read; no variable is named "path", which zsh ties to $PATH.
std::string CandidateFunctions(const CLI::App& app) {
    std::string words;
    std::string commands;
    std::vector<std::string> valued;
    for (const Command& command : Commands(app)) {
        std::vector<std::string> all = SubcommandNames(*command.app);
        commands += "        '" + command.path + "') echo '" + Joined(all) + "' ;;\n";
        for (const CLI::Option* option : command.app->get_options()) {
            for (const std::string& name : OptionNames(*option)) {
                all.push_back(name);
                if (TakesValue(*option) && std::find(valued.begin(), valued.end(), name) == valued.end()) {
                    valued.push_back(name);
                }
            }
        }
        words += "        '" + command.path + "') echo '" + Joined(all) + "' ;;\n";
    }
    return "_parcelo_cli_commands() {\n    case \"$1\" in\n" + commands + "    esac\n}\n\n" +
           "_parcelo_cli_words() {\n    case \"$1\" in\n" + words + "    esac\n}\n\n" +
           "_parcelo_cli_valued=' " + Joined(valued) + " '\n\n" +
           R"SH(# The candidates for the word being completed ($1) after the words before
# it ($2 ...): the commands and options of the command they name, the
# options alone for a word that starts with "-", and nothing (files) for an
# option's value or a command's arguments.
_parcelo_cli_candidates() {
    local current=$1 command='' skip=0 word
    shift
    for word in "$@"; do
        if [ "$skip" = 1 ]; then skip=0; continue; fi
        case "$word" in
            --*=*) ;;
            -*) case "$_parcelo_cli_valued" in *" $word "*) skip=1 ;; esac ;;
            *) case " $(_parcelo_cli_commands "$command") " in
                   *" $word "*) command=${command:+$command }$word ;;
               esac ;;
        esac
    done
    [ "$skip" = 1 ] && return
    case "$current" in
        -*) for word in $(_parcelo_cli_words "$command"); do
                case "$word" in -*) printf '%s\n' "$word" ;; esac
            done ;;
        *) for word in $(_parcelo_cli_commands "$command"); do printf '%s\n' "$word"; done ;;
    esac
}
)SH";
}

// Text for roff: no request at a line start, "\" and "-" as themselves.
std::string Roff(const std::string& text) {
    std::string out;
    bool lineStart = true;
    for (const char c : text) {
        if (lineStart && (c == '.' || c == '\'')) out += "\\&";
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
        lineStart = c == '\n';
    }
    return out;
}

std::string OptionLines(const CLI::App& app, bool global) {
    std::string text;
    for (const CLI::Option* option : app.get_options()) {
        if (option->get_positional() || option->get_group().empty()) continue;
        if ((option->get_group() == kGlobalGroup) != global) continue;
        std::string names;
        for (const std::string& name : OptionNames(*option)) names += (names.empty() ? "" : ", ") + name;
        if (TakesValue(*option)) names += " " + option->get_type_name();
        text += ".TP\n.B " + Roff(names) + "\n" + Roff(option->get_description()) + "\n";
    }
    return text;
}

std::string Arguments(const CLI::App& app) {
    std::string text;
    for (const CLI::Option* option : app.get_options()) {
        if (!option->get_positional()) continue;
        text += ".TP\n.I " + Roff(option->get_name(true)) + "\n" + Roff(option->get_description()) + "\n";
    }
    return text;
}

std::string Usage(const Command& command) {
    std::string usage = "parcelo-cli " + command.path;
    if (!command.app->get_subcommands([](const CLI::App*) { return true; }).empty()) return usage + " COMMAND ...";
    usage += " [OPTIONS]";
    for (const CLI::Option* option : command.app->get_options()) {
        if (option->get_positional()) usage += " " + option->get_name(true);
    }
    return usage;
}

}  // namespace

std::string BashCompletion(const CLI::App& app) {
    return "# bash completion for parcelo-cli (made by \"parcelo-cli completion bash\")\n\n" + CandidateFunctions(app) +
           R"SH(
_parcelo_cli() {
    local current=${COMP_WORDS[COMP_CWORD]}
    COMPREPLY=($(compgen -W "$(_parcelo_cli_candidates "$current" "${COMP_WORDS[@]:1:COMP_CWORD-1}")" -- "$current"))
}
complete -o default -F _parcelo_cli parcelo-cli
)SH";
}

std::string ZshCompletion(const CLI::App& app) {
    return "#compdef parcelo-cli\n# zsh completion for parcelo-cli (made by \"parcelo-cli completion zsh\")\n\n" +
           CandidateFunctions(app) + R"SH(
_parcelo_cli() {
    local -a candidates
    candidates=(${(f)"$(_parcelo_cli_candidates "${words[CURRENT]}" "${(@)words[2,CURRENT-1]}")"})
    candidates=(${candidates:#})
    if (( ${#candidates} )); then
        compadd -- "${candidates[@]}"
    else
        _files
    fi
}

if [ "$funcstack[1]" = "_parcelo-cli" ]; then
    _parcelo_cli "$@"
else
    compdef _parcelo_cli parcelo-cli
fi
)SH";
}

std::string ManPage(const CLI::App& app, const std::string& version) {
    std::string page = ".TH PARCELO\\-CLI 1 \"\" \"" + Roff(version) + "\" \"User Commands\"\n";
    page += ".SH NAME\nparcelo\\-cli \\- " + Roff(app.get_description()) + "\n";
    page += ".SH SYNOPSIS\n.B parcelo\\-cli\n[\\fIOPTIONS\\fR] \\fICOMMAND\\fR [\\fIARGUMENTS\\fR]\n";
    page += ".SH DESCRIPTION\n" + Roff(app.get_footer()) + "\n";
    page += ".SH COMMANDS\n";
    for (const Command& command : Commands(app)) {
        if (command.path.empty()) continue;
        page += ".SS \"" + Roff(command.path) + "\"\n" + Roff(command.app->get_description()) + "\n";
        page += ".PP\n.B " + Roff(Usage(command)) + "\n";
        page += Arguments(*command.app) + OptionLines(*command.app, false);
        if (!command.app->get_footer().empty()) page += ".PP\n" + Roff(command.app->get_footer()) + "\n";
    }
    page += ".SH GLOBAL OPTIONS\nEvery command takes these, before or after its name.\n" + OptionLines(app, true);
    page += ".SH EXIT STATUS\n.TP\n0\nSuccess.\n.TP\n1\nThe operation failed, or had errors.\n.TP\n2\n"
            "The command line was wrong.\n";
    page += ".SH ENVIRONMENT\n.TP\n.B PARCELO_PASSWORD\nThe FTP password, when no other source gives it.\n"
            ".TP\n.B PARCELO_ZIP_PASSWORD\nThe password of a ZIP archive.\n.TP\n.B NETRC\n"
            "The netrc file to read instead of ~/.netrc.\n";
    page += ".SH FILES\n.TP\n.I ~/.netrc\nAccounts and passwords, used only when no one else can read the file.\n"
            ".TP\n.I ~/.local/share/Parcelo/Projects/FtpPropList.xml\nThe saved connections, shared with the "
            "desktop program.\n";
    return page;
}

void AddHelpPageCommands(CLI::App& app, const std::string& version) {
    auto shell = std::make_shared<std::string>();
    CLI::App* completion = app.add_subcommand(
        "completion", "Print the script that teaches a shell the commands: source <(parcelo-cli completion bash)");
    completion->add_option("SHELL", *shell, "bash or zsh")->required()->check(CLI::IsMember({"bash", "zsh"}));
    completion->callback([&app, shell] {
        const std::string script = *shell == "zsh" ? ZshCompletion(app) : BashCompletion(app);
        std::fputs(script.c_str(), stdout);
    });
    app.add_flag_callback(
           "--man-page",
           [&app, version] {
               std::fputs(ManPage(app, version).c_str(), stdout);
               throw CLI::Success();
           },
           "The manual page, for the build")
        ->group("");
}

}  // namespace parcelo::cli
