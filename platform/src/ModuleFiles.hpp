#pragma once

#include <string>

namespace Platform {

// The file of the loaded module whose mapped segments hold `address`; empty when none does.
std::string ModuleFilePath(const void* address);

}  // namespace Platform
