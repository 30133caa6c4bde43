// Compiles the module's resource script into a C++ source that places the resource container in
// the module file's resource section, where RS finds it.
//
//   landfetch-rc SCRIPT OUTPUT.cpp RASTERIZER WORK_FOLDER

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "ResourceScript.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw rc::ScriptError("cannot read " + path.string());
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

UInt32 BigEndian32(const std::string& bytes, std::size_t at)
{
    UInt32 value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// Runs the rasterizer directly (no shell), so paths need no quoting.
std::string Render(const std::string& rasterizer, const fs::path& scriptFolder, const fs::path& workFolder,
                   const std::string& svg, int pixels)
{
    const fs::path source = scriptFolder / svg;
    if (!fs::exists(source))
        throw rc::ScriptError("missing icon source " + source.string());
    const fs::path target = workFolder / (fs::path(svg).stem().string() + "-" + std::to_string(pixels) + ".png");
    const std::string size = std::to_string(pixels);
    std::vector<std::string> arguments{rasterizer, "-w", size, "-h", size, "-o", target.string(), source.string()};
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, rasterizer.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        throw rc::ScriptError("cannot run " + rasterizer);
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw rc::ScriptError(rasterizer + " failed on " + source.string());

    const std::string png = ReadFile(target);
    if (png.size() < 24 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 ||
        BigEndian32(png, 16) != static_cast<UInt32>(pixels) || BigEndian32(png, 20) != static_cast<UInt32>(pixels))
        throw rc::ScriptError("rendering " + source.string() + " did not give a " + size + " px PNG");
    return png;
}

std::string GeneratedSource(const std::string& container, const std::string& scriptName)
{
    std::ostringstream out;
    out << "// Generated from " << scriptName << " by landfetch-rc. Do not edit.\n\n"
        << "namespace {\n\n"
        << "// Kept by the linker although nothing refers to it: the host reads it from the module file.\n"
        << "__attribute__((section(\"" << RS::ResourceSectionName << "\"), used, retain, aligned(8)))\n"
        << "const unsigned char resourceContainer[" << container.size() << "] = {";
    for (std::size_t i = 0; i < container.size(); ++i) {
        if (i % 16 == 0)
            out << "\n   ";
        char byte[6];
        std::snprintf(byte, sizeof byte, " 0x%02x", static_cast<unsigned char>(container[i]));
        out << byte << (i + 1 < container.size() ? "," : "");
    }
    out << "\n};\n\n}  // namespace\n";
    return out.str();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::cerr << "usage: landfetch-rc SCRIPT OUTPUT.cpp RASTERIZER WORK_FOLDER\n";
        return 2;
    }
    const fs::path script = argv[1];
    const fs::path output = argv[2];
    const std::string rasterizer = argv[3];
    const fs::path workFolder = argv[4];
    try {
        fs::create_directories(workFolder);
        const auto render = [&](const std::string& svg, int pixels) {
            return Render(rasterizer, script.parent_path(), workFolder, svg, pixels);
        };
        const RS::ResourceImage image = rc::ParseResourceScript(ReadFile(script), render);
        const std::string source = GeneratedSource(image.Encode(), script.filename().string());
        // Written through a temporary name, so an interrupted build never leaves half a file.
        const fs::path temporary = output.string() + ".tmp";
        {
            std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
            file << source;
            if (!file.flush())
                throw rc::ScriptError("cannot write " + temporary.string());
        }
        fs::rename(temporary, output);
    } catch (const std::exception& error) {
        std::cerr << script.string() << ": " << error.what() << "\n";
        return 1;
    }
    return 0;
}
