#pragma once

#include <filesystem>
#include <string_view>

namespace sim {

// Replaces the file at `path` with `bytes` in one step: the bytes go to a temporary file in the same
// folder and reach the disk before it takes the old file's name, so any failure leaves the old file
// whole and removes the temporary one. Throws Error naming the file and what failed.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace sim
