#pragma once
// Runs a program to its end with a time limit and collects its exit status and output, for tests that check a
// whole program from the outside.
#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvtest
{
struct ProcessResult
{
    int status = -1;  // exit status 0..255, or -1 when the program was killed or could not start
    std::string out;  // standard output
    std::string err;  // standard error
};

// Environment changes for the child: a value sets the variable, nullopt removes it.
using EnvChanges = std::vector<std::pair<std::string, std::optional<std::string>>>;

// Runs argv[0] (a path) with the arguments; a program still running after the timeout is killed.
ProcessResult RunProcess(const std::vector<std::string>& argv, const EnvChanges& env = {},
                         std::chrono::milliseconds timeout = std::chrono::seconds(30));
}  // namespace orvtest
