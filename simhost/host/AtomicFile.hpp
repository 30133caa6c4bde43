#pragma once

#include <filesystem>
#include <string_view>

namespace sim {

// Replaces the file at `path` with `bytes` in one step: the bytes go to a temporary file in the same
// folder and reach the disk before it takes the old file's name, so any failure leaves the old file
// whole and removes the temporary one. Ctrl-C, SIGTERM and SIGHUP wait until the file is in place or
// the temporary one is gone. Throws Error naming the file and what failed.
//
// For tests, LANDFETCH_HOST_FAIL_WRITE=N makes the Nth file this process writes fail half way as
// on a full disk; "N:TERM" sends the process SIGTERM half way through that file instead.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Copies `source` to `target` the same way. Throws Error naming the file that cannot be read or written.
void CopyFileAtomically(const std::filesystem::path& source, const std::filesystem::path& target);

}  // namespace sim
