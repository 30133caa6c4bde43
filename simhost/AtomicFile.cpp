#include "AtomicFile.hpp"

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Simulator.hpp"

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

}  // namespace

void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes)
{
    const std::string fail = path.string() + ": cannot be written (";
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        throw Error(fail + "a folder of that name is in the way)");

    TemporaryFile temporary(path);
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t written = ::write(temporary.Descriptor(), bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw Error(fail + Reason(errno) + ")");
        }
        done += static_cast<std::size_t>(written);
    }
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

}  // namespace sim
