#include "MapPalette.hpp"

#include <functional>

#include "APIMigration.hpp"
#include "DefaultProgramRunner.hpp"
#include "ExternalAddress.hpp"
#include "HostInterface.hpp"
#include "ResourceIds.hpp"

namespace {

const GS::Guid paletteGuid("{8E2B6A41-0C7D-4E2A-9B3F-1A5C9D7E4F20}");
GS::Ref<MapPalette, GS::Counter> instance;

constexpr Int16 ShowAtDefaultPosition = -32768;

const char* const DarkThemeScript = "window.acSetTheme && window.acSetTheme('dark');";
const char* const LightThemeScript = "window.acSetTheme && window.acSetTheme('light');";
const char* const ResyncScript = "window.acResyncProjectOrigin && window.acResyncProjectOrigin();";

}  // namespace

void OpenExternally(const GS::UniString& url)
{
    const GS::UniString address = ExternalAddress(url);
    if (!address.IsEmpty())
        OSUtils::OpenWithDefaultBrowser(address);
}

MapPalette::MapPalette()
    : DG::Palette(Host::GetOwnResourceModule(), ResourceIds::PaletteDialog, Host::GetOwnResourceModule(),
                  paletteGuid),
      DG::PanelObserver(),
      browser(*this, ResourceIds::BrowserItem)
{
    Attach(*this);
    BeginEventProcessing();
    InitBrowserControl();
}

MapPalette::~MapPalette()
{
    EndEventProcessing();
    Detach(*this);
}

void MapPalette::InitBrowserControl()
{
    Host::BrowserLoad(browser, WebAppAddress());
    RegisterACAPIJavaScriptObject();

    if constexpr (Migration::OutsideAddressesByNewTab) {
        browser.onNewTabRequested += [](const DG::BrowserBase&, const DG::BrowserNewTabArg& arg) {
            OpenExternally(arg.url);
        };
    } else {
        browser.onUrlWillChange += [this](const DG::BrowserBase&, const DG::BrowserURLChangeArg& arg) {
            return AllowAddressChange(arg.newURL);
        };
    }

    if constexpr (Migration::ThemeHandling) {
        using namespace std::placeholders;
        DG::AppearanceManager::onAppearanceChanged.Add(std::bind(&MapPalette::OnAppearanceChanged, this, _1, _2),
                                                       static_cast<DG::EventTarget*>(this));
    }
}

bool MapPalette::AllowAddressChange(const GS::UniString& url)
{
    if (!IsOutsideAddress(url))
        return true;
    OpenExternally(url);
    browser.StopLoad();
    return false;
}

void MapPalette::OnAppearanceChanged(const DG::AppearanceManager&, const DG::AppearanceChangedEventArg& arg)
{
    Host::BrowserExecuteScript(browser, arg.type == DG::AppearanceType::Dark ? DarkThemeScript : LightThemeScript);
}

void MapPalette::PanelCloseRequested(const DG::PanelCloseRequestEvent&, bool* accepted)
{
    HidePalette(*this);
    if (accepted != nullptr)
        *accepted = true;
}

void MapPalette::PanelResized(const DG::PanelResizeEvent& ev)
{
    BeginMoveResizeItems();
    browser.Resize(ev.GetHorizontalChange(), ev.GetVerticalChange());
    EndMoveResizeItems();
}

bool MapPalette::HasInstance()
{
    return instance != nullptr;
}

MapPalette& MapPalette::GetInstance()
{
    return *instance;
}

MapPalette& MapPalette::CreateInstance()
{
    instance = GS::NewRef<MapPalette>();
    Host::KeepInMemory(true);
    return *instance;
}

const GS::Guid& MapPalette::PaletteGuid()
{
    return paletteGuid;
}

void MapPalette::ShowPalette(MapPalette& palette)
{
    palette.Show(ShowAtDefaultPosition);
    SetMenuItemChecked(true);
}

void MapPalette::HidePalette(MapPalette& palette)
{
    palette.Hide();
    SetMenuItemChecked(false);
}

void MapPalette::TogglePalette()
{
    if (HasInstance() && GetInstance().IsVisible()) {
        HidePalette(GetInstance());
        return;
    }
    if (!HasInstance())
        CreateInstance();
    ShowPalette(GetInstance());
}

void MapPalette::SetMenuItemChecked(bool checked)
{
    API_MenuItemRef itemRef{};
    itemRef.menuResID = ResourceIds::MenuStrings;
    itemRef.itemIndex = ResourceIds::MenuItemIndex;
    GSFlags flags = 0;
    Host::GetMenuItemFlags(&itemRef, &flags);
    if (checked)
        flags |= API_MenuItemChecked;
    else
        flags &= ~API_MenuItemChecked;
    Host::SetMenuItemFlags(&itemRef, &flags);
}

void MapPalette::ResyncProjectOrigin()
{
    if (HasInstance())
        Host::BrowserExecuteScript(GetInstance().browser, ResyncScript);
}

GSErrCode MapPalette::PaletteControlCallback(Int32 /*referenceID*/, API_PaletteMessageID messageID, GS::IntPtr param)
{
    switch (messageID) {
        case APIPalMsg_ClosePalette:
            if (HasInstance())
                HidePalette(GetInstance());
            break;
        case APIPalMsg_HidePalette_Begin:
            if (HasInstance() && GetInstance().IsVisible())
                HidePalette(GetInstance());
            break;
        case APIPalMsg_HidePalette_End:
            if (HasInstance() && !GetInstance().IsVisible())
                ShowPalette(GetInstance());
            break;
        case APIPalMsg_OpenPalette:
            if (!HasInstance())
                CreateInstance();
            ShowPalette(GetInstance());
            break;
        case APIPalMsg_IsPaletteVisible:
            if (param != 0)
                *reinterpret_cast<bool*>(param) = HasInstance() && GetInstance().IsVisible();
            break;
        default:
            break;
    }
    return NoError;
}
