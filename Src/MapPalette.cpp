#include "MapPalette.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>
#include <string>

#include "APIMigration.hpp"
#include "GSUtils.hpp"
#include "HostInterface.hpp"
#include "ResourceIds.hpp"

namespace {

const GS::Guid paletteGuid("{8E2B6A41-0C7D-4E2A-9B3F-1A5C9D7E4F20}");
GS::Ref<MapPalette, GS::Counter> instance;

constexpr Int16 ShowAtDefaultPosition = -32768;

const char* const DarkThemeScript = "window.acSetTheme && window.acSetTheme('dark');";
const char* const LightThemeScript = "window.acSetTheme && window.acSetTheme('light');";
const char* const ResyncScript = "window.acResyncProjectOrigin && window.acResyncProjectOrigin();";

constexpr std::array DocumentExtensions{"txt", "pdf",  "csv", "json", "xml", "html",
                                        "htm", "png",  "jpg", "jpeg", "tif", "tiff"};

std::string Lowercase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool HasSchemeOf(const std::string& lowercaseUrl, const char* scheme)
{
    return lowercaseUrl.rfind(scheme, 0) == 0;
}

// The extension of the file a file address names, without its query or fragment.
std::string FileExtension(const std::string& path)
{
    const std::string file = path.substr(0, path.find_first_of("?#"));
    const std::size_t nameStart = file.find_last_of("/\\");
    const std::string name = nameStart == std::string::npos ? file : file.substr(nameStart + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return {};
    return Lowercase(name.substr(dot + 1));
}

bool IsDocument(const std::string& path)
{
    const std::string extension = FileExtension(path);
    return std::find(DocumentExtensions.begin(), DocumentExtensions.end(), extension) != DocumentExtensions.end();
}

// Inside the web application: its origin itself or a path, query or fragment of it, never a host
// that merely starts with the same letters.
bool IsWebAppAddress(const GS::UniString& url)
{
    const GS::UniString& origin = WebAppAddress();
    if (!url.BeginsWith(origin))
        return false;
    if (url.GetLength() == origin.GetLength())
        return true;
    const GS::uchar_t next = url[origin.GetLength()];
    return next == u'/' || next == u'?' || next == u'#';
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
    if (url.IsEmpty())
        return {};
    const GS::UniString& prefix = OpenFilePrefix();
    if (url.BeginsWith(prefix)) {
        GS::UniString rest = url.GetSuffix(url.GetLength() - prefix.GetLength());
        if (!rest.BeginsWith("/"))
            rest = "/" + rest;
        if (!IsDocument(rest.ToUtf8()))
            return {};
        return "file://" + rest;
    }
    const std::string lowercaseUrl = Lowercase(url.ToUtf8());
    if (HasSchemeOf(lowercaseUrl, "http://") || HasSchemeOf(lowercaseUrl, "https://") ||
        HasSchemeOf(lowercaseUrl, "mailto:"))
        return url;
    return {};
}

void OpenExternally(const GS::UniString& url)
{
    const GS::UniString address = ExternalAddress(url);
    if (!address.IsEmpty())
        OSUtils::OpenWithDefaultBrowser(address);
}

bool IsOutsideAddress(const GS::UniString& url)
{
    const bool leavesPage = url.BeginsWith("http://") || url.BeginsWith("https://") || url.BeginsWith("file://");
    return leavesPage && !IsWebAppAddress(url);
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
        browser.onNewTab += [](const DG::BrowserBase&, const DG::BrowserNewTabArg& arg) { OpenExternally(arg.url); };
    } else {
        browser.onURLChange += [this](const DG::BrowserBase&, const DG::BrowserURLChangeArg& arg) {
            return AllowAddressChange(arg.url);
        };
    }

    if constexpr (Migration::ThemeHandling) {
        using namespace std::placeholders;
        DG::GetAppearanceManager().onAppearanceChanged.Add(
            static_cast<DG::EventTarget&>(*this), std::bind(&MapPalette::OnAppearanceChanged, this, _1, _2));
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
    Host::BrowserExecuteScript(browser, arg.appearance == 1 ? DarkThemeScript : LightThemeScript);
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
