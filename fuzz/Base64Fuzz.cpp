// DecodeBase64, BytesArgument and every decoding path this processor has (scalar and vector)
// against a plain decoder that works bit by bit.
//
// Input: first byte chooses how the rest becomes the page's text (bit 0: UTF-16 code units instead
// of UTF-8; bit 1: the text is given as a number instead, which must read as no bytes).

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Base64.hpp"
#include "Bridge.hpp"
#include "FuzzInput.hpp"

namespace {

std::vector<char> ReferenceDecode(const std::string& text)
{
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<bool> bits;
    for (char c : text) {
        const std::size_t value = c == '\0' ? std::string::npos : alphabet.find(c);
        if (value == std::string::npos)
            continue;
        for (int bit = 5; bit >= 0; --bit)
            bits.push_back(((value >> bit) & 1) != 0);
    }
    std::vector<char> bytes;
    for (std::size_t i = 0; i + 8 <= bits.size(); i += 8) {
        unsigned byte = 0;
        for (std::size_t k = 0; k < 8; ++k)
            byte = (byte << 1) | (bits[i + k] ? 1u : 0u);
        bytes.push_back(static_cast<char>(byte));
    }
    return bytes;
}

std::string Show(const std::vector<char>& bytes)
{
    return std::to_string(bytes.size()) + " bytes";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t mode = data[0];
    ++data, --size;

    const std::string raw(reinterpret_cast<const char*>(data), size);
    if (DecodeBase64(raw) != ReferenceDecode(raw))
        fuzz::Fail("DecodeBase64 differs from the reference", Show(ReferenceDecode(raw)));

    for (const Base64::Path path : {Base64::Path::Scalar, Base64::Path::Sse41, Base64::Path::Avx2}) {
        if (!Base64::PathAvailable(path))
            continue;
        // Exactly the room the bytes need: a vector store beyond it is caught by the sanitizer.
        const std::vector<char> expected = ReferenceDecode(raw);
        std::vector<char> bytes(expected.size());
        bytes.resize(Base64::DecodeInto(raw.data(), raw.size(), bytes.data(), path));
        if (bytes != expected)
            fuzz::Fail("a decoding path differs from the reference on 8-bit text",
                       std::string(Base64::PathName(path)) + ": " + Show(bytes) + " instead of " + Show(expected));
        // The same bytes read as UTF-16 units: those beyond ASCII are skipped.
        std::u16string units(size / 2, u'\0');
        std::memcpy(units.data(), data, units.size() * 2);
        std::string narrowed;
        for (const char16_t unit : units)
            narrowed.push_back(unit < 0x80 ? static_cast<char>(unit) : '\x80');
        const std::vector<char> expectedUnits = ReferenceDecode(narrowed);
        bytes.assign(expectedUnits.size(), 0);
        bytes.resize(Base64::DecodeInto(units.data(), units.size(), bytes.data(), path));
        if (bytes != expectedUnits)
            fuzz::Fail("a decoding path differs from the reference on UTF-16 text",
                       std::string(Base64::PathName(path)) + ": " + Show(bytes) + " instead of " + Show(expectedUnits));
    }

    const GS::UniString text = (mode & 1) != 0 ? fuzz::Utf16Text(data, size) : fuzz::Utf8Text(data, size);
    JSArgs args;
    args.Push(GS::NewRef<JS::Value>(Int32(7)));
    if ((mode & 2) != 0)
        args.Push(GS::NewRef<JS::Value>(static_cast<double>(size)));
    else
        args.Push(GS::NewRef<JS::Value>(text));

    // What was in the vector before must not survive.
    std::vector<char> bytes(3, 'x');
    std::vector<char>& result = BytesArgument(bytes, args, 1);
    if (&result != &bytes)
        fuzz::Fail("BytesArgument returns another vector than it was given");
    std::vector<char> expected;
    if ((mode & 2) == 0) {
        const GS::UniString::CStr cText = text.ToCStr(CC_Default);
        expected = ReferenceDecode(std::string(cText.Get(), cText.GetLength()));
    }
    if (bytes != expected)
        fuzz::Fail("BytesArgument differs from the reference", Show(bytes) + " instead of " + Show(expected));

    // A number and an absent argument read as no bytes.
    bytes.assign(2, 'y');
    if (!BytesArgument(bytes, args, 0).empty() || !BytesArgument(bytes, args, 2).empty())
        fuzz::Fail("BytesArgument of a number or of an absent argument is not empty");
    return 0;
}
