#pragma once

#include <cstdint>
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
// error), answers `answer` and a line end each time its output shows
// `prompt`, and returns all it wrote to the terminal in `out`.
CliResult RunCliOnTerminal(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& env,
                           const std::string& prompt, const std::string& answer);

// parcelo-cli running while the test talks to it: standard error is read
// as it comes, signals can be sent, and the end is waited for, all within
// the run's bound.
class CliProcess {
public:
    // In the folder `cwd` (else here).
    CliProcess(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& env = {},
               const std::string& cwd = {});
    int GetPid() const { return m_pid; }
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // Reads standard error until it holds `text` (true) or ends (false).
    bool WaitForError(const std::string& text);
    void Signal(int signal);
    // Reads to the end and waits for the exit; `err` holds all of standard error.
    CliResult Finish();

private:
    bool ReadSome();

    int m_pid = -1;
    int m_errFd = -1;
    CliResult m_result;
};

// Waits, within 20 s, until the file holds at least `size` bytes.
bool WaitForSize(const std::string& path, uint64_t size);

// True when the two folders hold the same names, folders and bytes.
bool SameTree(const std::string& a, const std::string& b, std::string& difference);

}  // namespace velmora::test
