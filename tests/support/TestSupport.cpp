#include "TestSupport.hpp"

#include <clocale>
#include <fstream>
#include <sstream>
#include <stdexcept>
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

}  // namespace test
