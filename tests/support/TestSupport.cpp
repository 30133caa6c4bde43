#include "TestSupport.hpp"

#include <clocale>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

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

std::vector<std::string> HostRun::Lines() const
{
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

HostRun RunHost(const std::vector<std::string>& args, const std::vector<std::string>& environment)
{
    TempFolder folder;
    std::string command;
    for (const std::string& assignment : environment) {
        const std::size_t equals = assignment.find('=');
        command += assignment.substr(0, equals + 1) + ShellQuoted(assignment.substr(equals + 1)) + " ";
    }
    command += "exec " + ShellQuoted((ExecutableFolder() / "landfetch-host").string());
    for (const std::string& arg : args)
        command += " " + ShellQuoted(arg);
    command += " 2>" + ShellQuoted((folder.Path() / "stderr").string());

    HostRun run;
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

}  // namespace test
