#include "File.hpp"
#include "Location.hpp"
#include "UniStringUnits.hpp"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <map>

namespace IO {

namespace {

std::map<char, std::string>& DriveFolders()
{
    // Never destroyed: a module unloaded after the exit handlers still reaches it.
    static std::map<char, std::string>& folders = *new std::map<char, std::string>;
    return folders;
}

bool IsDrivePath(const std::u16string& path)
{
    return path.size() >= 2 && path[1] == u':' && path[0] < 0x80 && std::isalpha(static_cast<int>(path[0]));
}

bool IsUncPath(const std::u16string& path)
{
    return path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\';
}

// The separator a path is written with: a backslash for UNC paths and drive paths written so.
char16_t SeparatorOf(const std::u16string& path)
{
    if (IsUncPath(path))
        return u'\\';
    if (IsDrivePath(path))
        return path.size() >= 3 && path[2] == u'/' ? u'/' : u'\\';
    return u'/';
}

bool IsSeparator(const std::u16string& path, char16_t unit)
{
    return unit == u'/' || (unit == u'\\' && SeparatorOf(path) == u'\\');
}

// Length of the part no name can be taken from: "/", "C:\", "C:", "\\server\share".
std::size_t RootLength(const std::u16string& path)
{
    if (IsUncPath(path)) {
        std::size_t separators = 0;
        for (std::size_t i = 2; i < path.size(); ++i) {
            if (path[i] == u'\\' || path[i] == u'/') {
                if (++separators == 2)
                    return i;
            }
        }
        return path.size();
    }
    if (IsDrivePath(path))
        return path.size() >= 3 && (path[2] == u'\\' || path[2] == u'/') ? 3 : 2;
    return !path.empty() && path[0] == u'/' ? 1 : 0;
}

// Start and end of the last name; start == end when there is none.
std::pair<std::size_t, std::size_t> LastName(const std::u16string& path)
{
    const std::size_t root = RootLength(path);
    std::size_t end = path.size();
    while (end > root && IsSeparator(path, path[end - 1]))
        --end;
    std::size_t start = end;
    while (start > root && !IsSeparator(path, path[start - 1]))
        --start;
    return {start, end};
}

}  // namespace

Location::Location(const GS::UniString& path) : path(path) {}

GSErrCode Location::AppendToLocal(const Name& name)
{
    const GS::UniString& text = name.ToString();
    if (text.IsEmpty())
        return BadParameterErr;
    std::u16string units(Substitute::Units(path));
    if (!units.empty() && !IsSeparator(units, units.back()))
        units.push_back(SeparatorOf(units));
    units += Substitute::Units(text);
    path = GS::UniString(std::move(units));
    return NoError;
}

GSErrCode Location::DeleteLastLocalName()
{
    const std::u16string units(Substitute::Units(path));
    const auto [start, end] = LastName(units);
    if (start == end)
        return BadLocationErr;
    std::size_t keep = start;
    const std::size_t root = RootLength(units);
    while (keep > root && IsSeparator(units, units[keep - 1]))
        --keep;
    if (keep == 0 && root == 0)
        return BadLocationErr;  // a bare name: nothing would be left
    path = GS::UniString(units.substr(0, keep));
    return NoError;
}

GSErrCode Location::GetLastLocalName(Name* name) const
{
    if (name == nullptr)
        return BadParameterErr;
    const std::u16string units(Substitute::Units(path));
    const auto [start, end] = LastName(units);
    if (start == end)
        return BadLocationErr;
    *name = Name(GS::UniString(units.substr(start, end - start)));
    return NoError;
}

GSErrCode Location::ToPath(GS::UniString* result) const
{
    if (result == nullptr)
        return BadParameterErr;
    *result = path;
    return NoError;
}

std::string Location::ToFileSystemPath() const
{
    const std::u16string units(Substitute::Units(path));
    if (IsUncPath(units))
        return std::string();
    if (!IsDrivePath(units))
        return path.ToUtf8();
    const char drive = static_cast<char>(std::toupper(static_cast<int>(units[0])));
    const auto found = DriveFolders().find(drive);
    if (found == DriveFolders().end() || found->second.empty())
        return std::string();
    std::u16string rest = units.substr(2);
    for (auto& unit : rest) {
        if (unit == u'\\')
            unit = u'/';
    }
    while (!rest.empty() && rest.front() == u'/')
        rest.erase(0, 1);
    std::string folder = found->second;
    if (rest.empty())
        return folder;
    if (folder.back() != '/')
        folder.push_back('/');
    return folder + GS::UniString(std::move(rest)).ToUtf8();
}

void SetDriveFolder(char driveLetter, const std::string& folder)
{
    DriveFolders()[static_cast<char>(std::toupper(static_cast<unsigned char>(driveLetter)))] = folder;
}

File::File(const Location& location, OnNotFound onNotFound) : location(location)
{
    const std::string fsPath = location.ToFileSystemPath();
    if (fsPath.empty()) {
        status = BadLocationErr;
        return;
    }
    struct stat info {};
    if (stat(fsPath.c_str(), &info) == 0) {
        status = S_ISDIR(info.st_mode) ? BadLocationErr : NoError;
        return;
    }
    if (onNotFound == Ignore)
        return;
    if (onNotFound != Create) {
        status = FileNotFoundErr;
        return;
    }
    std::FILE* created = std::fopen(fsPath.c_str(), "ab");
    if (created == nullptr) {
        status = errno == EACCES ? AccessDeniedErr : FileNotFoundErr;
        return;
    }
    std::fclose(created);
}

File::~File()
{
    Close();
}

GSErrCode File::Open(OpenMode openMode, AccessDeniedTreatment accessDeniedTreatment)
{
    if (status != NoError)
        return status;
    if (IsOpen())
        return BadParameterErr;
    const char* mode = nullptr;
    switch (openMode) {
        case ReadMode: mode = "rb"; break;
        case WriteEmptyMode: mode = "wb"; break;
        case WriteMode:
        case ReadWriteMode: mode = "r+b"; break;
        case AppendMode: mode = "ab"; break;
        default: return BadParameterErr;
    }
    handle = std::fopen(location.ToFileSystemPath().c_str(), mode);
    if (handle != nullptr)
        return NoError;
    const GSErrCode error = errno == EACCES ? AccessDeniedErr : FileNotFoundErr;
    if (error == AccessDeniedErr && accessDeniedTreatment == AccessDeniedIsError)
        throw GS::GSException("Access denied", __FILE__, __LINE__, error);
    return error;
}

GSErrCode File::WriteBin(const char* data, UInt32 length, UInt32* written)
{
    if (written != nullptr)
        *written = 0;
    if (!IsOpen())
        return NotOpenErr;
    if (length == 0)
        return NoError;
    if (data == nullptr)
        return BadParameterErr;
    const std::size_t count = std::fwrite(data, 1, length, static_cast<std::FILE*>(handle));
    if (written != nullptr)
        *written = static_cast<UInt32>(count);
    return count == length ? NoError : WriteErr;
}

GSErrCode File::Close()
{
    if (!IsOpen())
        return NoError;
    const int result = std::fclose(static_cast<std::FILE*>(handle));
    handle = nullptr;
    return result == 0 ? NoError : WriteErr;
}

bool File::IsOpen() const
{
    return handle != nullptr;
}

}  // namespace IO
