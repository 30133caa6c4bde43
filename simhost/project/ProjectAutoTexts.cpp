// Project-info autotexts: listed by name, created by name, set by database key.

#include <algorithm>
#include <cctype>

#include "project/Project.hpp"

namespace sim {

GSErrCode Project::GetAutoTexts(API_AutoTextList* autotexts, API_AutotextType typeID)
{
    if (autotexts == nullptr || typeID != APIAutoText_Custom) {
        return APIERR_BADPARS;
    }
    autotexts->Clear();
    for (const AutoText& autotext : model.autotexts) {
        GS::ArrayFB<GS::UniString, 3> entry;
        for (const std::string* text : {&autotext.name, &autotext.key, &autotext.value}) {
            entry.Push(GS::UniString(text->c_str(), CC_UTF8));
        }
        autotexts->Push(std::move(entry));
    }
    return NoError;
}

GSErrCode Project::CreateAutoText(const API_Guid* guid, const char* name)
{
    if (guid == nullptr || *guid == APINULLGuid) {
        return APIERR_BADPARS;
    }
    if (name == nullptr || *name == '\0') {
        return APIERR_BADNAME;
    }
    std::string key = APIGuid2GSGuid(*guid).ToUniString().ToUtf8();
    std::erase_if(key, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
    key = "<#CUSTOM_" + key + ">";
    const bool taken = std::any_of(model.autotexts.begin(), model.autotexts.end(), [&](const AutoText& autotext) {
        return autotext.name == name || autotext.key == key;
    });
    if (taken) {
        return APIERR_NAMEALREADYUSED;
    }
    Record(AutoTextMade{key, model.autotexts.size(), std::nullopt});
    model.autotexts.push_back(AutoText{name, key, std::string()});
    return NoError;
}

GSErrCode Project::SetAutoText(const GS::UniString* dbKey, const GS::UniString* value)
{
    if (dbKey == nullptr || value == nullptr) {
        return APIERR_BADPARS;
    }
    const std::string key = dbKey->ToUtf8();
    const auto found = std::find_if(model.autotexts.begin(), model.autotexts.end(),
                                    [&key](const AutoText& autotext) { return autotext.key == key; });
    if (found == model.autotexts.end()) {
        return APIERR_BADNAME;
    }
    std::string text = value->ToUtf8();
    if (inCommand && text != found->value) {
        Record(AutoTextSet{key, found->value, text});
    }
    found->value = std::move(text);
    return NoError;
}

}  // namespace sim
