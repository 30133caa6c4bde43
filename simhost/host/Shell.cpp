#include "host/Shell.hpp"

#include "ResourceReading.hpp"
#include "RS.hpp"

namespace sim {

namespace {

// A menu text holds the title, then the host's control codes after the first "^".
std::string MenuTitle(const GS::UniString& text)
{
    std::string utf8 = text.ToUtf8();
    return utf8.substr(0, utf8.find('^'));
}

}  // namespace

const Menu* Shell::FindMenu(Int16 resId) const
{
    for (const Menu& menu : menus)
        if (menu.resId == resId)
            return &menu;
    return nullptr;
}

Menu* Shell::FindMenu(Int16 resId)
{
    return const_cast<Menu*>(static_cast<const Shell&>(*this).FindMenu(resId));
}

GSErrCode Shell::MenuCommand(Int16 menuResId, Int32 itemIndex) const
{
    const Menu* menu = FindMenu(menuResId);
    if (menu == nullptr || menu->handler == nullptr)
        return APIERR_BADPARS;
    API_MenuParams params{};
    params.menuItemRef.menuResID = menuResId;
    params.menuItemRef.itemIndex = itemIndex;
    return menu->handler(&params);
}

GSErrCode Shell::PaletteMessage(Int32 messageId, bool* answer) const
{
    if (palettes.empty())
        return APIERR_BADPARS;
    const RegisteredPalette& palette = palettes.front();
    bool visible = false;
    GS::IntPtr param = messageId == APIPalMsg_IsPaletteVisible ? reinterpret_cast<GS::IntPtr>(&visible) : 0;
    GSErrCode result = palette.callback(palette.referenceId, static_cast<API_PaletteMessageID>(messageId), param);
    if (answer != nullptr)
        *answer = visible;
    return result;
}

GSErrCode Shell::ProjectEvent(Int32 eventId) const
{
    if (eventHandler == nullptr || (static_cast<GSFlags>(eventId) & eventMask) == 0)
        return NoError;
    return eventHandler(static_cast<API_NotifyEventID>(eventId), 0);
}

bool Shell::GetItemFlags(Int16 menuResId, Int32 itemIndex, GSFlags* flags) const
{
    auto found = itemFlags.find({menuResId, itemIndex});
    if (found == itemFlags.end())
        return false;
    *flags = found->second;
    return true;
}

bool Shell::MenuChecked() const
{
    GSFlags flags = 0;
    return !menus.empty() && GetItemFlags(menus.front().resId, 1, &flags) && (flags & API_MenuItemChecked) != 0;
}

GSErrCode Shell::RegisterMenu(Int16 menuStrResID, Int16 promptStrResID, APIMenuCodeID menuCode, GSFlags menuFlags)
{
    if (FindMenu(menuStrResID) != nullptr)
        return APIERR_NAMEALREADYUSED;
    GSResModule resources = RS::OpenModuleFile(modulePath);
    std::vector<GS::UniString> texts;
    // Left open: the module may read the same resources through the same cache.
    if (!RS::IsOpen(resources) || !RS::GetStringList(resources, menuStrResID, &texts) || texts.empty())
        return APIERR_BADPARS;

    Menu menu;
    menu.resId = menuStrResID;
    menu.promptResId = promptStrResID;
    menu.code = menuCode;
    menu.flags = menuFlags;
    for (const GS::UniString& text : texts) {
        menu.titles.push_back(MenuTitle(text));
        itemFlags[{menuStrResID, static_cast<Int32>(menu.titles.size())}] = 0;
    }
    menus.push_back(std::move(menu));
    return NoError;
}

GSErrCode Shell::InstallMenuHandler(Int16 menuStrResID, APIMenuCommandProc* handler)
{
    Menu* menu = FindMenu(menuStrResID);
    if (menu == nullptr || handler == nullptr)
        return APIERR_BADPARS;
    menu->handler = handler;
    return NoError;
}

GSErrCode Shell::RegisterPalette(Int32 referenceID, APIPaletteControlCallBackProc* callback, GSFlags controlFlags,
                                 const API_Guid& guid)
{
    if (callback == nullptr || guid == APINULLGuid)
        return APIERR_BADPARS;
    RegisteredPalette palette{referenceID, callback, controlFlags, guid};
    for (RegisteredPalette& existing : palettes) {
        if (existing.guid == guid) {
            existing = palette;
            return NoError;
        }
    }
    palettes.push_back(palette);
    return NoError;
}

GSErrCode Shell::InstallProjectEventHandler(GSFlags mask, APIProjectEventHandlerProc* handler)
{
    eventMask = handler != nullptr ? mask : 0;
    eventHandler = handler;
    return NoError;
}

GSErrCode Shell::KeepInMemory(bool keep)
{
    keepInMemory = keep;
    return NoError;
}

GSErrCode Shell::GetMenuItemFlags(const API_MenuItemRef* menuItemRef, GSFlags* flags)
{
    if (menuItemRef == nullptr || flags == nullptr)
        return APIERR_BADPARS;
    return GetItemFlags(menuItemRef->menuResID, menuItemRef->itemIndex, flags) ? NoError : APIERR_BADPARS;
}

GSErrCode Shell::SetMenuItemFlags(const API_MenuItemRef* menuItemRef, GSFlags* flags)
{
    if (menuItemRef == nullptr || flags == nullptr)
        return APIERR_BADPARS;
    auto found = itemFlags.find({menuItemRef->menuResID, menuItemRef->itemIndex});
    if (found == itemFlags.end())
        return APIERR_BADPARS;
    found->second = *flags;
    return NoError;
}

}  // namespace sim
