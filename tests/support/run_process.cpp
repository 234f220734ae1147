#include "support/run_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace orvtest
{
namespace
{
std::string ReadAll(FILE* file)
{
    std::string text;
    std::rewind(file);
    char block[4096];
    size_t count;
    while ((count = std::fread(block, 1, sizeof block, file)) > 0)
        text.append(block, count);
    std::fclose(file);
    return text;
}

[[noreturn]] void RunChild(const std::vector<std::string>& argv, const EnvChanges& env, FILE* out, FILE* err)
{
    for (const auto& [name, value] : env)
    {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    dup2(fileno(out), STDOUT_FILENO);
    dup2(fileno(err), STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}
}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const EnvChanges& env, std::chrono::milliseconds timeout)
{
    ProcessResult result;
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0)
        RunChild(argv, env, out, err);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    pid_t done = 0;
    while (child > 0 && (done = waitpid(child, &status, WNOHANG)) == 0)
    {
        if (std::chrono::steady_clock::now() >= deadline)
        {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (done == child && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    result.out = ReadAll(out);
    result.err = ReadAll(err);
    return result;
}
}  // namespace orvtest
