#include "TestSupport.hpp"

#include <clocale>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace test {

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "landfetch-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    path = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

ProcessLocale::ProcessLocale(const char* name)
{
    const char* current = std::setlocale(LC_ALL, nullptr);
    previous = current != nullptr ? current : "C";
    installed = std::setlocale(LC_ALL, name) != nullptr;
}

ProcessLocale::~ProcessLocale()
{
    std::setlocale(LC_ALL, previous.c_str());
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::vector<int> ThemedBuilds()
{
    std::vector<int> builds;
    for (int api : landfetch::HostApiVersions)
        if (IsThemedBuild(api))
            builds.push_back(api);
    return builds;
}

std::vector<int> UnthemedBuilds()
{
    std::vector<int> builds;
    for (int api : landfetch::HostApiVersions)
        if (!IsThemedBuild(api))
            builds.push_back(api);
    return builds;
}

std::filesystem::path ExecutableFolder()
{
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string ModuleBuild(int api)
{
    return (ExecutableFolder() / ("Orvani_Landfetch_" + std::to_string(api) + ".so")).string();
}

std::vector<std::string> ProcessRun::Lines() const
{
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

ProcessRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& environment)
{
    TempFolder folder;
    std::string command;
    for (const std::string& assignment : environment) {
        const std::size_t equals = assignment.find('=');
        command += assignment.substr(0, equals + 1) + ShellQuoted(assignment.substr(equals + 1)) + " ";
    }
    command += "exec " + ShellQuoted(program);
    for (const std::string& arg : args)
        command += " " + ShellQuoted(arg);
    command += " 2>" + ShellQuoted((folder.Path() / "stderr").string());

    ProcessRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[65536];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
    run.err = ReadFile(folder.Path() / "stderr");
    return run;
}

HostRun RunHost(const std::vector<std::string>& args, const std::vector<std::string>& environment)
{
    return RunProgram((ExecutableFolder() / "landfetch-host").string(), args, environment);
}

BackgroundRun StartHost(const std::vector<std::string>& arguments, const TempFolder& folder, const std::string& name)
{
    BackgroundRun run;
    run.outFile = folder / (name + ".out");
    run.errFile = folder / (name + ".err");
    const std::string program = (ExecutableFolder() / "landfetch-host").string();
    std::vector<std::string> args = {program};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, run.outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, run.errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&run.pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        run.pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

int WaitFor(const BackgroundRun& run)
{
    int status = 0;
    if (run.pid == 0 || waitpid(run.pid, &status, 0) != run.pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

}  // namespace test
