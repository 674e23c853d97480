#pragma once

#include <map>
#include <string>
#include <vector>

namespace velmora::test {

// What one run of parcelo-cli did.
struct CliResult {
    int status = -1;  // the exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs the built parcelo-cli with `arguments`, its environment plus `env`
// (an empty value removes the variable), in the folder `cwd` (else here),
// and waits for it, within a bound: a run that does not end in time is
// killed and reported as status -1.
CliResult RunCli(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& env = {},
                 const std::string& cwd = {});

// Runs another program the same way (unzip, sqlite3, a server script).
CliResult RunProgram(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& env = {},
                     const std::string& cwd = {});

// Runs parcelo-cli on a new pseudo-terminal (standard input, output and
// error), answers `answer` and a line end once its output shows `prompt`,
// and returns all it wrote to the terminal in `out`.
CliResult RunCliOnTerminal(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& env,
                           const std::string& prompt, const std::string& answer);

// True when the two folders hold the same names, folders and bytes.
bool SameTree(const std::string& a, const std::string& b, std::string& difference);

}  // namespace velmora::test
