#include "CH.hpp"
#include "UniString.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "ClassicNumbers.hpp"
#include "GSException.hpp"

namespace GS {

namespace {

constexpr char16_t ReplacementCharacter = 0xFFFD;

bool IsUtf8Code(GSCharCode charCode)
{
    return charCode == CC_Default || charCode == CC_UTF8;
}

void AppendCodePoint(std::u16string& units, char32_t codePoint)
{
    if (codePoint < 0x10000) {
        units.push_back(static_cast<char16_t>(codePoint));
    } else {
        codePoint -= 0x10000;
        units.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
        units.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
    }
}

// Each byte that does not start a well-formed sequence becomes one U+FFFD, and decoding resumes
// at the next byte, so a stray byte never swallows the valid text after it.
std::u16string DecodeUtf8(const unsigned char* bytes, std::size_t count)
{
    std::u16string units;
    units.reserve(count);
    std::size_t i = 0;
    while (i < count) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            units.push_back(lead);
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t codePoint = 0;
        char32_t minimum = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, codePoint = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, codePoint = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, codePoint = lead & 0x07, minimum = 0x10000;
        }
        bool valid = length != 0 && i + length <= count;
        for (std::size_t k = 1; valid && k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80)
                valid = false;
            else
                codePoint = (codePoint << 6) | (bytes[i + k] & 0x3F);
        }
        if (valid && (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)))
            valid = false;
        if (!valid) {
            units.push_back(ReplacementCharacter);
            ++i;
            continue;
        }
        AppendCodePoint(units, codePoint);
        i += length;
    }
    return units;
}

std::u16string Decode(const char* text, std::size_t count, GSCharCode charCode)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    if (IsUtf8Code(charCode))
        return DecodeUtf8(bytes, count);
    return std::u16string(bytes, bytes + count);
}

void AppendUtf8(std::string& out, char32_t codePoint)
{
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

std::string EncodeUtf8(const std::u16string& units)
{
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        // Most of a long text is ASCII: copied a run at a time.
        std::size_t run = i;
        while (run < units.size() && units[run] < 0x80)
            ++run;
        if (run > i) {
            const std::size_t old = out.size();
            out.resize(old + (run - i));
            for (std::size_t k = i; k < run; ++k)
                out[old + (k - i)] = static_cast<char>(units[k]);
            i = run;
            if (i == units.size())
                break;
        }
        const char16_t unit = units[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendUtf8(out, ReplacementCharacter);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::string EncodeLatin1(const std::u16string& units)
{
    std::string out;
    out.reserve(units.size());
    for (const char16_t unit : units)
        out.push_back(unit <= 0xFF ? static_cast<char>(unit) : '?');
    return out;
}

}  // namespace

UniString::CStr::CStr(std::string bytes) : bytes(std::move(bytes)) {}

UniString::UniString(const char* text, GSCharCode charCode)
{
    if (text != nullptr)
        units = Decode(text, std::strlen(text), charCode);
}

UniString::UniString(const char* text, UInt32 byteCount, GSCharCode charCode)
{
    if (text != nullptr)
        units = Decode(text, byteCount, charCode);
}

UniString::UniString(const uchar_t* text)
{
    if (text != nullptr)
        units.assign(text, ucslen(text));
}

UniString::UniString(const uchar_t* text, UInt32 length)
{
    if (text != nullptr)
        units.assign(text, length);
}

UniString::UniString(std::u16string_view units) : units(units) {}

UniString UniString::Printf(const char* format, ...)
{
    if (format == nullptr)
        return UniString();
    const ClassicNumbers classic;
    char small[256];
    va_list args;
    va_start(args, format);
    const int needed = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (needed < 0)
        return UniString();
    if (static_cast<std::size_t>(needed) < sizeof small)
        return UniString(small, static_cast<UInt32>(needed), CC_UTF8);

    std::vector<char> large(static_cast<std::size_t>(needed) + 1);
    va_start(args, format);
    std::vsnprintf(large.data(), large.size(), format, args);
    va_end(args);
    return UniString(large.data(), static_cast<UInt32>(needed), CC_UTF8);
}

uchar_t UniString::operator[](UInt32 index) const
{
    if (index >= units.size())
        throw IndexOutOfBoundsException("UniString index out of bounds", __FILE__, __LINE__);
    return units[index];
}

UniString::CStr UniString::ToCStr(GSCharCode charCode) const
{
    return CStr(IsUtf8Code(charCode) ? EncodeUtf8(units) : EncodeLatin1(units));
}

std::string UniString::ToUtf8() const
{
    return EncodeUtf8(units);
}

UniString& UniString::Append(const UniString& other)
{
    units += other.units;
    return *this;
}

UniString& UniString::Append(const char* utf8)
{
    if (utf8 != nullptr)
        units += Decode(utf8, std::strlen(utf8), CC_UTF8);
    return *this;
}

UniString& UniString::operator+=(uchar_t unit)
{
    units.push_back(unit);
    return *this;
}

bool UniString::BeginsWith(const UniString& prefix) const
{
    return units.size() >= prefix.units.size() && units.compare(0, prefix.units.size(), prefix.units) == 0;
}

bool UniString::EndsWith(const UniString& suffix) const
{
    return units.size() >= suffix.units.size() &&
           units.compare(units.size() - suffix.units.size(), suffix.units.size(), suffix.units) == 0;
}

UniString UniString::GetSubstring(UInt32 from, UInt32 length) const
{
    if (from >= units.size())
        return UniString();
    return UniString(units.substr(from, length));
}

UniString UniString::GetSuffix(UInt32 length) const
{
    if (length >= units.size())
        return *this;
    return UniString(units.substr(units.size() - length));
}

bool UniString::operator==(const char* utf8) const
{
    return *this == UniString(utf8, CC_UTF8);
}

UniString operator+(const UniString& left, const UniString& right)
{
    UniString result(left);
    return result.Append(right);
}

UniString operator+(const UniString& left, const char* right)
{
    UniString result(left);
    return result.Append(right);
}

UniString operator+(const char* left, const UniString& right)
{
    UniString result(left, CC_UTF8);
    return result.Append(right);
}

const UniString EmptyUniString;

uchar_t* ucscpy(uchar_t* dest, const uchar_t* source)
{
    uchar_t* out = dest;
    while ((*out++ = *source++) != 0) {
    }
    return dest;
}

uchar_t* ucsncpy(uchar_t* dest, const uchar_t* source, UInt32 capacity)
{
    if (dest == nullptr || capacity == 0)
        return dest;
    UInt32 i = 0;
    if (source != nullptr) {
        for (; i + 1 < capacity && source[i] != 0; ++i)
            dest[i] = source[i];
    }
    dest[i] = 0;
    return dest;
}

UInt32 ucslen(const uchar_t* text)
{
    UInt32 length = 0;
    if (text != nullptr) {
        while (text[length] != 0)
            ++length;
    }
    return length;
}

}  // namespace GS

Int32 CHTruncate(const char* source, char* dest, Int32 destSize, GSCharCode charCode)
{
    if (dest == nullptr || destSize <= 0)
        return 0;
    if (source == nullptr) {
        dest[0] = '\0';
        return 0;
    }
    const std::size_t sourceLength = std::strlen(source);
    std::size_t count = sourceLength < static_cast<std::size_t>(destSize - 1) ? sourceLength
                                                                                : static_cast<std::size_t>(destSize - 1);
    if ((charCode == CC_Default || charCode == CC_UTF8) && count < sourceLength) {
        // Step back over continuation bytes so the cut falls before a character, not inside one.
        while (count > 0 && (static_cast<unsigned char>(source[count]) & 0xC0) == 0x80)
            --count;
    }
    std::memmove(dest, source, count);
    dest[count] = '\0';
    return static_cast<Int32>(count);
}
