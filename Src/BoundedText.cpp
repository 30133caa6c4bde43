#include "BoundedText.hpp"

#include <algorithm>
#include <string>

#include "TextUnits.hpp"

namespace {

constexpr char16_t Replacement = 0xFFFD;

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

GS::UniString BoundedText(const GS::UniString& text, UInt32 capacity)
{
    if (capacity == 0)
        return {};
    const std::u16string_view units = TextUnits(text);
    const std::size_t room = capacity - 1;
    std::u16string kept;
    kept.reserve(std::min(units.size(), room));
    for (std::size_t i = 0; i < units.size() && kept.size() < room; ++i) {
        const char16_t unit = units[i];
        if (IsHighSurrogate(unit) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
            // A pair fits whole or not at all.
            if (kept.size() + 2 > room)
                break;
            kept.push_back(unit);
            kept.push_back(units[++i]);
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            kept.push_back(Replacement);
        } else if (unit == 0) {
            break;
        } else {
            kept.push_back(unit);
        }
    }
    return GS::UniString(std::move(kept));
}

void CopyBoundedText(GS::uchar_t* field, UInt32 capacity, const GS::UniString& text)
{
    GS::ucsncpy(field, BoundedText(text, capacity).ToUStr(), capacity);
}
