#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/types.h>

#include "HostApiVersions.hpp"
#include "host/HostFeatures.hpp"

namespace test {

// Builds whose host has the appearance manager: a theme and "GetAppearance" (not 27 and 28). Asked
// of the simulator's host, not of the module, so that the tests check the module's version switch.
inline bool IsThemedBuild(int api)
{
    return sim::HostFeatures::OffersAppearance(api);
}
// The builds of landfetch::HostApiVersions on either side of it, oldest first.
std::vector<int> ThemedBuilds();
std::vector<int> UnthemedBuilds();

// A fresh folder under the system's temporary folder, removed with the object.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path; }
    std::string operator/(const std::string& name) const { return (path / name).string(); }

private:
    std::filesystem::path path;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// The process's C locale switched to `name` for the object's life, as a host may set its user's.
class ProcessLocale {
public:
    explicit ProcessLocale(const char* name);
    ~ProcessLocale();
    ProcessLocale(const ProcessLocale&) = delete;
    ProcessLocale& operator=(const ProcessLocale&) = delete;

    bool Installed() const { return installed; }

private:
    std::string previous;
    bool installed = false;
};

// Skips the test where the locale is missing; fails instead under CI, whose setup generates it.
#define REQUIRE_LOCALE(processLocale, name)                                                             \
    do {                                                                                              \
        if (!(processLocale).Installed()) {                                                           \
            if (std::getenv("CI") != nullptr)                                                         \
                FAIL() << "the locale " << (name) << " is not installed";                             \
            GTEST_SKIP() << "the locale " << (name) << " is not installed (enable it in /etc/locale.gen " \
                            "and run locale-gen)";                                                   \
        }                                                                                             \
    } while (false)

// Chromium is part of the setup; where it is missing the tests say so, and fail under CI. The test
// file includes the browser's pipe (`DevToolsPipe.hpp`), which finds it.
#define REQUIRE_CHROMIUM()                                                                    \
    do {                                                                                      \
        if (sim::FindChromium().empty()) {                                                    \
            if (std::getenv("CI") != nullptr)                                                 \
                FAIL() << "Chromium is not installed (scripts/setup.sh installs it)";         \
            GTEST_SKIP() << "Chromium is not installed (scripts/setup.sh installs it)";       \
        }                                                                                     \
    } while (false)

// The folder of the running test executable (module builds sit beside it).
std::filesystem::path ExecutableFolder();
// The module build for host API `api` beside the tests.
std::string ModuleBuild(int api);

// One run of a program: how it ended and what it printed.
struct ProcessRun {
    int status = -1;  // the exit status, or 128 + the signal that ended the program
    std::string out;
    std::string err;

    // The lines of standard output.
    std::vector<std::string> Lines() const;
};

using HostRun = ProcessRun;

// `text` as one word for the shell.
std::string ShellQuoted(const std::string& text);

// Runs `program` (a path, or a name looked up in PATH) with `args`, each one word, after the
// environment assignments in `environment` ("NAME=value"), and waits for it to end.
ProcessRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& environment = {});
// The same for the landfetch-host beside the tests, as a user starts it.
HostRun RunHost(const std::vector<std::string>& args, const std::vector<std::string>& environment = {});

// A landfetch-host left running, for tests that watch or signal it while it runs; its standard
// output and error go to files.
struct BackgroundRun {
    pid_t pid = 0;  // 0: it could not be started
    std::string outFile;
    std::string errFile;
};

// Starts the landfetch-host with `args`; its output goes to `name`.out and `name`.err in `folder`.
BackgroundRun StartHost(const std::vector<std::string>& args, const TempFolder& folder, const std::string& name);
// Waits for it to end: its exit status, or 128 + the signal that ended it; -1 when there is none.
int WaitFor(const BackgroundRun& run);

}  // namespace test
