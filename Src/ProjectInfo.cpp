// SetProjectInfo: the page's key/value pairs written into project-info autotexts by name.

#include "ProjectInfo.hpp"

#include "Bridge.hpp"
#include "HostInterface.hpp"
#include "TextUnits.hpp"

namespace {

using Pairs = std::vector<std::pair<GS::UniString, GS::UniString>>;

// The database key of the first autotext named `key`; null when there is none.
const GS::UniString* FindAutoTextKey(const API_AutoTextList& autotexts, const GS::UniString& key)
{
    for (const auto& entry : autotexts) {
        if (entry.GetSize() >= 2 && entry[0] == key)
            return &entry[1];
    }
    return nullptr;
}

bool HoldsZeroUnit(const GS::UniString& text)
{
    return TextUnits(text).find(u'\0') != std::u16string_view::npos;
}

}  // namespace

GS::UniString ApplyProjectInfo(const Pairs& pairs)
{
    API_AutoTextList autotexts;
    if (Host::GetAutoTexts(&autotexts, APIAutoText_Custom) != NoError)
        return "{\"ok\":false,\"err\":\"autotexty\"}";

    int set = 0;
    int created = 0;
    for (const auto& [key, value] : pairs) {
        if (key.IsEmpty())
            continue;
        const GS::UniString* dbKey = FindAutoTextKey(autotexts, key);
        // The narrow name would end at U+0000 and create an autotext under another name.
        if (dbKey == nullptr && !HoldsZeroUnit(key)) {
            GS::Guid guid;
            guid.Generate();
            const API_Guid apiGuid = GSGuid2APIGuid(guid);
            const GS::UniString::CStr name = key.ToCStr(CC_Default);
            if (Host::CreateAutoText(&apiGuid, name.Get()) == NoError) {
                ++created;
                autotexts.Clear();
                Host::GetAutoTexts(&autotexts, APIAutoText_Custom);
            }
            dbKey = FindAutoTextKey(autotexts, key);
        }
        if (dbKey == nullptr)
            continue;
        if (Host::SetAutoText(dbKey, &value) == NoError)
            ++set;
    }
    return GS::UniString::Printf("{\"ok\":true,\"set\":%d,\"created\":%d}", set, created);
}

JSRef Bridge::SetProjectInfo(JSRef parameter)
{
    const JSArgs args = ArgumentList(parameter);
    Pairs pairs;
    if (ArgumentCount(args) > 0) {
        const JSArgs items = ArgumentList(args[0]);
        for (const JSRef& item : items) {
            const JSArgs pair = ArgumentList(item);
            pairs.emplace_back(StringArgument(pair, 0), StringArgument(pair, 1));
        }
    }
    return TextReply(ApplyProjectInfo(pairs));
}
