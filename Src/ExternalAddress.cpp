#include "ExternalAddress.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "TextUnits.hpp"

namespace {

// Documents a viewer shows. Pages, XML and anything else that may carry active content or run are
// left out: the page can write such files itself through SaveTextFile.
constexpr std::array<std::u16string_view, 9> DocumentTypes{u"txt", u"pdf", u"csv", u"json", u"png",
                                                          u"jpg", u"jpeg", u"tif", u"tiff"};

bool IsAsciiLetter(char16_t unit)
{
    return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z');
}

bool IsAsciiDigit(char16_t unit)
{
    return unit >= u'0' && unit <= u'9';
}

char16_t AsciiLower(char16_t unit)
{
    return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

std::u16string AsciiLower(std::u16string_view text)
{
    std::u16string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char16_t unit) { return AsciiLower(unit); });
    return lower;
}

bool IsControl(char16_t unit)
{
    return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F);
}

bool BeginsWith(std::u16string_view text, std::u16string_view start)
{
    return text.substr(0, start.size()) == start;
}

struct Address {
    std::u16string scheme;  // lower case
    std::u16string rest;    // everything after the scheme's colon
};

// The address as a browser reads it: control characters and blanks around it dropped, tabs and
// line breaks inside it ignored, the scheme without regard to case. None when it has no scheme or
// other control characters remain.
std::optional<Address> ReadAddress(std::u16string_view url)
{
    std::size_t begin = 0;
    std::size_t end = url.size();
    while (begin < end && url[begin] <= u' ')
        ++begin;
    while (end > begin && url[end - 1] <= u' ')
        --end;
    std::u16string text;
    for (std::size_t i = begin; i < end; ++i) {
        const char16_t unit = url[i];
        if (unit == u'\t' || unit == u'\n' || unit == u'\r')
            continue;
        if (IsControl(unit))
            return std::nullopt;
        text.push_back(unit);
    }
    if (text.empty() || !IsAsciiLetter(text[0]))
        return std::nullopt;
    std::size_t colon = 1;
    while (colon < text.size() && (IsAsciiLetter(text[colon]) || IsAsciiDigit(text[colon]) || text[colon] == u'+' ||
                                   text[colon] == u'-' || text[colon] == u'.'))
        ++colon;
    if (colon == text.size() || text[colon] != u':')
        return std::nullopt;
    return Address{AsciiLower(std::u16string_view(text).substr(0, colon)), text.substr(colon + 1)};
}

bool IsWebScheme(const std::u16string& scheme)
{
    return scheme == u"http" || scheme == u"https";
}

// A web address in one form: "scheme://host" and the rest, the host in lower case, however many
// slashes or backslashes the page put after the scheme. Empty without a host.
std::u16string WebForm(const Address& address)
{
    const std::u16string& rest = address.rest;
    const std::size_t hostStart = rest.find_first_not_of(u"/\\");
    if (hostStart == std::u16string::npos)
        return {};
    std::size_t hostEnd = rest.find_first_of(u"/\\?#", hostStart);
    if (hostEnd == std::u16string::npos)
        hostEnd = rest.size();
    if (hostEnd == hostStart)
        return {};
    return address.scheme + u"://" + AsciiLower(std::u16string_view(rest).substr(hostStart, hostEnd - hostStart)) +
           rest.substr(hostEnd);
}

// The build's own addresses in the same form, without a trailing slash.
std::u16string BuildAddressForm(const GS::UniString& configured)
{
    const std::optional<Address> address = ReadAddress(TextUnits(configured));
    std::u16string form = address && IsWebScheme(address->scheme) ? WebForm(*address) : std::u16string(TextUnits(configured));
    while (!form.empty() && form.back() == u'/')
        form.pop_back();
    return form;
}

const std::u16string& WebAppForm()
{
    static const std::u16string form = BuildAddressForm(WebAppAddress());
    return form;
}

const std::u16string& OpenFilePrefixForm()
{
    static const std::u16string form = BuildAddressForm(OpenFilePrefix());
    return form;
}

void AppendUtf8(std::string& bytes, char32_t codePoint)
{
    if (codePoint < 0x80) {
        bytes += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        bytes += static_cast<char>(0xC0 | (codePoint >> 6));
        bytes += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        bytes += static_cast<char>(0xE0 | (codePoint >> 12));
        bytes += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        bytes += static_cast<char>(0xF0 | (codePoint >> 18));
        bytes += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        bytes += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

int HexValue(char16_t unit)
{
    if (IsAsciiDigit(unit))
        return unit - u'0';
    const char16_t lower = AsciiLower(unit);
    if (lower >= u'a' && lower <= u'f')
        return lower - u'a' + 10;
    return -1;
}

// The bytes a path names once its escapes are decoded, as the system decodes them. None for a
// broken escape or a lone surrogate.
std::optional<std::string> DecodedBytes(std::u16string_view text)
{
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit == u'%') {
            if (i + 2 >= text.size())
                return std::nullopt;
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
        } else if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                return std::nullopt;
            AppendUtf8(bytes, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return std::nullopt;
        } else {
            AppendUtf8(bytes, unit);
        }
    }
    return bytes;
}

// Well-formed UTF-8 only: no overlong forms (a slash written in two bytes stays no slash), no
// surrogates, nothing beyond U+10FFFF.
std::optional<std::u16string> FromUtf8(const std::string& bytes)
{
    std::u16string text;
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        char32_t codePoint = 0;
        char32_t lowest = 0;
        if (lead < 0x80) {
            length = 1;
            codePoint = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            codePoint = lead & 0x1F;
            lowest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            codePoint = lead & 0x0F;
            lowest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            codePoint = lead & 0x07;
            lowest = 0x10000;
        } else {
            return std::nullopt;
        }
        if (i + length > bytes.size())
            return std::nullopt;
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        if (codePoint < lowest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return std::nullopt;
        if (codePoint >= 0x10000) {
            text.push_back(static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(codePoint));
        }
        i += length;
    }
    return text;
}

bool IsDocument(std::u16string_view path)
{
    const std::u16string_view name = path.substr(path.rfind(u'/') + 1);
    const std::size_t dot = name.rfind(u'.');
    if (dot == std::u16string_view::npos)
        return false;
    const std::u16string type = AsciiLower(name.substr(dot + 1));
    return std::find(DocumentTypes.begin(), DocumentTypes.end(), type) != DocumentTypes.end();
}

// The file address for what follows the open-file prefix ("/" and a path), or empty. The path is
// judged after decoding, as Windows will read it, and handed out in that judged form.
std::u16string LocalFileAddress(std::u16string_view rest)
{
    const std::optional<std::string> bytes = DecodedBytes(rest);
    if (!bytes)
        return {};
    std::optional<std::u16string> decoded = FromUtf8(*bytes);
    if (!decoded)
        return {};
    std::u16string& path = *decoded;
    for (char16_t& unit : path) {
        if (IsControl(unit) || unit == u'?' || unit == u'#')
            return {};
        if (unit == u'\\')
            unit = u'/';
    }
    // "/C:/…" or "/name…": a drive, or the root of this machine. Two slashes name another host.
    const bool drive = path.size() >= 4 && path[0] == u'/' && IsAsciiLetter(path[1]) && path[2] == u':' && path[3] == u'/';
    const bool rooted = path.size() >= 2 && path[0] == u'/' && path[1] != u'/';
    if (!drive && !rooted)
        return {};
    // Any other colon names a drive-relative path or a stream of another file.
    if (path.find(u':', drive ? 3 : 0) != std::u16string::npos)
        return {};
    if (!IsDocument(path))
        return {};

    std::u16string address = u"file://";
    for (const char16_t unit : path) {
        if (unit == u'%')
            address += u"%25";
        else
            address += unit;
    }
    return address;
}

}  // namespace

const GS::UniString& WebAppAddress()
{
    static const GS::UniString address(LANDFETCH_WEBAPP_ADDRESS);
    return address;
}

const GS::UniString& OpenFilePrefix()
{
    static const GS::UniString prefix(LANDFETCH_OPEN_FILE_PREFIX);
    return prefix;
}

GS::UniString ExternalAddress(const GS::UniString& url)
{
    const std::optional<Address> address = ReadAddress(TextUnits(url));
    if (!address)
        return {};
    if (address->scheme == u"mailto")
        return GS::UniString(u"mailto:" + address->rest);
    if (!IsWebScheme(address->scheme))
        return {};

    const std::u16string form = WebForm(*address);
    if (form.empty())
        return {};
    const std::u16string& prefix = OpenFilePrefixForm();
    if (BeginsWith(form, prefix)) {
        if (form.size() == prefix.size())
            return {};
        const char16_t next = form[prefix.size()];
        if (next == u'/')
            return GS::UniString(LocalFileAddress(std::u16string_view(form).substr(prefix.size())));
        // "?", "#" or "\" right after the prefix still address the prefix's own host; any other
        // character makes it another host that merely starts with the same letters.
        if (next == u'?' || next == u'#' || next == u'\\')
            return {};
    }
    return GS::UniString(form);
}

bool IsOutsideAddress(const GS::UniString& url)
{
    if (url.IsEmpty())
        return false;
    const std::optional<Address> address = ReadAddress(TextUnits(url));
    if (!address)
        return true;
    const std::u16string& scheme = address->scheme;
    if (scheme == u"about" || scheme == u"javascript" || scheme == u"blob")
        return false;
    if (!IsWebScheme(scheme))
        return true;
    const std::u16string form = WebForm(*address);
    const std::u16string& app = WebAppForm();
    if (form.empty() || !BeginsWith(form, app))
        return true;
    if (form.size() == app.size())
        return false;
    const char16_t next = form[app.size()];
    return next != u'/' && next != u'?' && next != u'#';
}
