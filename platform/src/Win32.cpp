#include "Win32.hpp"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <map>
#include <string>

#include "ModuleFiles.hpp"
#include "UniString.hpp"
#include "UniStringUnits.hpp"

namespace Platform {

namespace {

struct ModuleSearch {
    std::uintptr_t address;
    std::string path;
    bool found;
};

int VisitModule(dl_phdr_info* info, std::size_t /*size*/, void* data)
{
    auto* search = static_cast<ModuleSearch*>(data);
    for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD)
            continue;
        const std::uintptr_t start = info->dlpi_addr + segment.p_vaddr;
        if (search->address >= start && search->address < start + segment.p_memsz) {
            search->found = true;
            search->path = info->dlpi_name != nullptr ? info->dlpi_name : "";
            return 1;
        }
    }
    return 0;
}

}  // namespace

std::string ModuleFilePath(const void* address)
{
    if (address == nullptr)
        return std::string();
    ModuleSearch search{reinterpret_cast<std::uintptr_t>(address), std::string(), false};
    dl_iterate_phdr(VisitModule, &search);
    if (!search.found)
        return std::string();
    if (search.path.empty()) {
        // The main program is listed without a name.
        char buffer[4096];
        const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        if (length > 0)
            search.path.assign(buffer, static_cast<std::size_t>(length));
    }
    return search.path;
}

}  // namespace Platform

DWORD GetModuleFileNameW(HINSTANCE module, char16_t* fileName, DWORD size)
{
    if (fileName == nullptr || size == 0)
        return 0;
    const std::string path = Platform::ModuleFilePath(module);
    if (path.empty()) {
        fileName[0] = 0;
        return 0;
    }
    const std::u16string units(Substitute::Units(GS::UniString(path.c_str(), CC_UTF8)));
    if (units.size() >= size) {
        // Too small a buffer: cut, still terminated, and the full size reported, as the system does.
        units.copy(fileName, size - 1);
        fileName[size - 1] = 0;
        return size;
    }
    units.copy(fileName, units.size());
    fileName[units.size()] = 0;
    return static_cast<DWORD>(units.size());
}

UINT RegisterWindowMessageW(const char16_t* name)
{
    if (name == nullptr || name[0] == 0)
        return 0;
    // Never destroyed: a module unloaded after the exit handlers still reaches it.
    static std::map<std::u16string, UINT>& messages = *new std::map<std::u16string, UINT>;
    const auto found = messages.find(name);
    if (found != messages.end())
        return found->second;
    const UINT number = static_cast<UINT>(0xC000 + messages.size());
    messages.emplace(name, number);
    return number;
}

HINSTANCE GetModuleOfAddress(const void* address)
{
    Dl_info info{};
    if (address == nullptr || dladdr(address, &info) == 0)
        return nullptr;
    return info.dli_fbase;
}
