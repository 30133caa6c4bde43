#pragma once

#include <string>
#include <string_view>

#include "CH.hpp"
#include "GSTypes.hpp"
#include "PlatformExport.hpp"

namespace GS {

// A Unicode text held as UTF-16 code units.
class PLATFORM_API UniString {
public:
    // An 8-bit copy of a text, alive as long as this object.
    class PLATFORM_API CStr {
    public:
        explicit CStr(std::string bytes);
        const char* Get() const { return bytes.c_str(); }
        operator const char*() const { return bytes.c_str(); }
        // Byte count up to the end of the conversion (may hold zero bytes from U+0000).
        UInt32 GetLength() const { return static_cast<UInt32>(bytes.size()); }

    private:
        std::string bytes;
    };

    UniString() = default;
    UniString(const char* text, GSCharCode charCode = CC_Default);
    UniString(const char* text, UInt32 byteCount, GSCharCode charCode);
    UniString(const uchar_t* text);
    UniString(const uchar_t* text, UInt32 length);
    UniString(std::u16string_view units);

    // printf-style formatting; the result of the format is read as UTF-8.
    static UniString Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

    UInt32 GetLength() const { return static_cast<UInt32>(units.size()); }
    bool IsEmpty() const { return units.empty(); }
    void Clear() { units.clear(); }

    // The code unit at an index; throws GS::IndexOutOfBoundsException beyond the end.
    uchar_t operator[](UInt32 index) const;

    // Zero-terminated UTF-16, valid until the text changes.
    const uchar_t* ToUStr() const { return units.c_str(); }

    // The text in an 8-bit character code. Unpaired surrogates become U+FFFD.
    CStr ToCStr(GSCharCode charCode = CC_Default) const;
    // Host side: the simulator's JSON and file names.
    std::string ToUtf8() const;

    UniString& Append(const UniString& other);
    UniString& Append(const char* utf8);
    UniString& operator+=(const UniString& other) { return Append(other); }
    UniString& operator+=(const char* utf8) { return Append(utf8); }
    UniString& operator+=(uchar_t unit);

    bool BeginsWith(const UniString& prefix) const;
    bool EndsWith(const UniString& suffix) const;
    UniString GetSubstring(UInt32 from, UInt32 length) const;
    UniString GetSuffix(UInt32 length) const;

    bool IsEqual(const UniString& other) const { return units == other.units; }
    bool operator==(const UniString& other) const { return units == other.units; }
    bool operator!=(const UniString& other) const { return units != other.units; }
    bool operator<(const UniString& other) const { return units < other.units; }
    bool operator==(const char* utf8) const;
    bool operator!=(const char* utf8) const { return !(*this == utf8); }

private:
    std::u16string units;
};

PLATFORM_API UniString operator+(const UniString& left, const UniString& right);
PLATFORM_API UniString operator+(const UniString& left, const char* right);
PLATFORM_API UniString operator+(const char* left, const UniString& right);

PLATFORM_API extern const UniString EmptyUniString;

// Zero-terminated UTF-16 helpers. ucscpy copies without a limit, as the host's does;
// ucsncpy never writes more than `capacity` code units and always terminates.
PLATFORM_API uchar_t* ucscpy(uchar_t* dest, const uchar_t* source);
PLATFORM_API uchar_t* ucsncpy(uchar_t* dest, const uchar_t* source, UInt32 capacity);
PLATFORM_API UInt32 ucslen(const uchar_t* text);

}  // namespace GS
