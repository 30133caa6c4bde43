#pragma once

// Writes small ELF64 files with chosen sections, for reading resources without a linker.

#include <string>
#include <utility>
#include <vector>

namespace test {

struct ElfSection {
    std::string name;
    std::string bytes;
};

inline void PutLittleEndian(std::string& out, std::size_t at, unsigned long long value, int size)
{
    for (int i = 0; i < size; ++i)
        out[at + i] = static_cast<char>(value >> (8 * i));
}

// A relocatable ELF64 file: header, section contents, the section-name table, then the section headers.
inline std::string MakeElf(const std::vector<ElfSection>& sections)
{
    std::string file(64, '\0');
    file.replace(0, 7, "\x7f" "ELF\x02\x01\x01");
    std::vector<std::pair<std::size_t, std::size_t>> places;  // offset, size
    std::string names(1, '\0');
    std::vector<std::size_t> nameOffsets;
    for (const auto& section : sections) {
        places.emplace_back(file.size(), section.bytes.size());
        file += section.bytes;
        nameOffsets.push_back(names.size());
        names += section.name + '\0';
    }
    const std::size_t namesOffset = file.size();
    const std::size_t namesNameOffset = names.size();
    names += std::string(".shstrtab") + '\0';
    file += names;
    file.resize((file.size() + 7) / 8 * 8, '\0');

    const std::size_t table = file.size();
    const std::size_t count = sections.size() + 2;
    file.resize(table + count * 64, '\0');
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const std::size_t header = table + (i + 1) * 64;
        PutLittleEndian(file, header + 0x00, nameOffsets[i], 4);
        PutLittleEndian(file, header + 0x04, 1, 4);  // program data
        PutLittleEndian(file, header + 0x18, places[i].first, 8);
        PutLittleEndian(file, header + 0x20, places[i].second, 8);
    }
    const std::size_t namesHeader = table + (count - 1) * 64;
    PutLittleEndian(file, namesHeader + 0x00, namesNameOffset, 4);
    PutLittleEndian(file, namesHeader + 0x04, 3, 4);  // string table
    PutLittleEndian(file, namesHeader + 0x18, namesOffset, 8);
    PutLittleEndian(file, namesHeader + 0x20, names.size(), 8);

    PutLittleEndian(file, 0x10, 1, 2);   // relocatable
    PutLittleEndian(file, 0x12, 62, 2);  // x86-64
    PutLittleEndian(file, 0x14, 1, 4);
    PutLittleEndian(file, 0x28, table, 8);
    PutLittleEndian(file, 0x34, 64, 2);
    PutLittleEndian(file, 0x3A, 64, 2);
    PutLittleEndian(file, 0x3C, count, 2);
    PutLittleEndian(file, 0x3E, count - 1, 2);
    return file;
}

}  // namespace test
