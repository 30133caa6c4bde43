#include <cstring>
#include <fstream>

#include "ResourceImage.hpp"

namespace RS {

namespace {

// ELF64, little-endian: the only kind of module file this platform loads.
constexpr std::size_t HeaderSize = 64;
constexpr std::size_t SectionHeaderSize = 64;
constexpr UInt32 NoBitsSection = 8;

UInt64 Read(const char* bytes, std::size_t count)
{
    UInt64 value = 0;
    for (std::size_t i = 0; i < count; ++i)
        value |= UInt64(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return value;
}

bool ReadAt(std::ifstream& file, UInt64 fileSize, UInt64 offset, UInt64 count, std::string* bytes)
{
    if (offset > fileSize || count > fileSize - offset)
        return false;
    bytes->resize(count);
    file.seekg(static_cast<std::streamoff>(offset));
    file.read(bytes->data(), static_cast<std::streamsize>(count));
    return static_cast<UInt64>(file.gcount()) == count;
}

}  // namespace

bool ReadResourceSection(const std::string& path, std::string* bytes)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    file.seekg(0, std::ios::end);
    const UInt64 fileSize = static_cast<UInt64>(file.tellg());

    std::string header;
    if (!ReadAt(file, fileSize, 0, HeaderSize, &header))
        return false;
    if (std::memcmp(header.data(), "\x7f" "ELF", 4) != 0 || header[4] != 2 /* 64-bit */ ||
        header[5] != 1 /* little-endian */)
        return false;
    const UInt64 sectionTable = Read(&header[0x28], 8);
    const UInt64 entrySize = Read(&header[0x3A], 2);
    UInt64 sectionCount = Read(&header[0x3C], 2);
    UInt64 namesIndex = Read(&header[0x3E], 2);
    if (sectionTable == 0 || entrySize < SectionHeaderSize)
        return false;

    std::string first;
    if (!ReadAt(file, fileSize, sectionTable, SectionHeaderSize, &first))
        return false;
    // Many sections: the real counts live in the first section header.
    if (sectionCount == 0)
        sectionCount = Read(&first[0x20], 8);
    if (namesIndex == 0xFFFF)
        namesIndex = Read(&first[0x28], 4);
    if (sectionCount == 0 || namesIndex >= sectionCount || sectionCount > (fileSize - sectionTable) / entrySize)
        return false;

    std::string sections;
    if (!ReadAt(file, fileSize, sectionTable, sectionCount * entrySize, &sections))
        return false;
    auto sectionField = [&](UInt64 index, std::size_t at, std::size_t count) {
        return Read(&sections[index * entrySize + at], count);
    };
    std::string names;
    if (!ReadAt(file, fileSize, sectionField(namesIndex, 0x18, 8), sectionField(namesIndex, 0x20, 8), &names))
        return false;

    const std::string wanted = ResourceSectionName;
    for (UInt64 index = 1; index < sectionCount; ++index) {
        const UInt64 nameOffset = sectionField(index, 0x00, 4);
        if (nameOffset >= names.size())
            continue;
        const std::size_t nameEnd = names.find('\0', nameOffset);
        if (nameEnd == std::string::npos || names.compare(nameOffset, nameEnd - nameOffset, wanted) != 0)
            continue;
        if (sectionField(index, 0x04, 4) == NoBitsSection)
            return false;
        return ReadAt(file, fileSize, sectionField(index, 0x18, 8), sectionField(index, 0x20, 8), bytes);
    }
    return false;
}

}  // namespace RS
