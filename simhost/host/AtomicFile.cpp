#include "host/AtomicFile.hpp"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/Error.hpp"

namespace sim {

namespace {

std::string Reason(int error)
{
    return std::strerror(error);
}

// Closes and removes the temporary file unless the rename took it over.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& target)
        : name_((target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path()) /
                ("." + target.filename().string() + ".tmp-XXXXXX"))
    {
        std::string pattern = name_.string();
        fd_ = ::mkstemp(pattern.data());
        if (fd_ < 0)
            throw Error(target.string() + ": cannot be written (" + Reason(errno) + ")");
        name_ = pattern;
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!kept_)
            ::unlink(name_.c_str());
    }

    int Descriptor() const { return fd_; }
    const std::filesystem::path& Name() const { return name_; }
    int Close()
    {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }
    void Keep() { kept_ = true; }

private:
    std::filesystem::path name_;
    int fd_ = -1;
    bool kept_ = false;
};

// A new file gets the permissions the user's umask gives; a replaced one keeps its own.
mode_t ModeFor(const std::filesystem::path& path)
{
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0)
        return old.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A signal that would end the program waits while a file is half written, so the program never
// ends with a temporary file left or a file half replaced.
class SignalsHeld {
public:
    SignalsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        for (int signal : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&held, signal);
        pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

private:
    sigset_t previous_{};
};

enum class Injected { None, Fail, Terminate };

// The test hook: what happens to this file, counted from the first file the process writes.
Injected InjectedFault()
{
    static int written = 0;
    ++written;
    const char* setting = std::getenv("LANDFETCH_HOST_FAIL_WRITE");
    if (setting == nullptr)
        return Injected::None;
    char* end = nullptr;
    const long which = std::strtol(setting, &end, 10);
    if (which != written)
        return Injected::None;
    return std::string_view(end) == ":TERM" ? Injected::Terminate : Injected::Fail;
}

}  // namespace

void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes)
{
    const std::string fail = path.string() + ": cannot be written (";
    const Injected fault = InjectedFault();
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        throw Error(fail + "a folder of that name is in the way)");
    // A pipe or a device named as the file is written into as it is; it cannot be replaced.
    if (std::filesystem::exists(path, error) && !std::filesystem::is_regular_file(path, error)) {
        const int fd = ::open(path.c_str(), O_WRONLY);
        if (fd < 0)
            throw Error(fail + Reason(errno) + ")");
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0) {
                const int cause = errno;
                ::close(fd);
                throw Error(fail + Reason(cause) + ")");
            }
            done += static_cast<std::size_t>(written);
        }
        ::close(fd);
        return;
    }

    // Declared first, so the signals wait until the temporary file is gone too.
    const SignalsHeld held;
    TemporaryFile temporary(path);
    auto writeUpTo = [&](std::size_t& done, std::size_t end) {
        while (done < end) {
            const ssize_t written = ::write(temporary.Descriptor(), bytes.data() + done, end - done);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                throw Error(fail + Reason(errno) + ")");
            }
            done += static_cast<std::size_t>(written);
        }
    };
    std::size_t done = 0;
    if (fault != Injected::None) {
        writeUpTo(done, bytes.size() / 2);
        if (fault == Injected::Fail)
            throw Error(fail + Reason(ENOSPC) + ")");
        std::raise(SIGTERM);
    }
    writeUpTo(done, bytes.size());
    if (::fchmod(temporary.Descriptor(), ModeFor(path)) != 0 || ::fsync(temporary.Descriptor()) != 0 ||
        temporary.Close() != 0)
        throw Error(fail + Reason(errno) + ")");
    if (::rename(temporary.Name().c_str(), path.c_str()) != 0)
        throw Error(fail + Reason(errno) + ")");
    temporary.Keep();

    // The rename itself reaches the disk only with its folder.
    const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
    if (const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY); fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void CopyFileAtomically(const std::filesystem::path& source, const std::filesystem::path& target)
{
    std::ifstream in(source, std::ios::binary);
    if (!in.is_open())
        throw Error(source.string() + ": cannot be read");
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw Error(source.string() + ": cannot be read");
    WriteFileAtomically(target, bytes);
}

}  // namespace sim
