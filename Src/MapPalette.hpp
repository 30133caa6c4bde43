#pragma once

// The add-on's only window: a palette filled by one browser that shows the web application.

#include "ACAPinc.h"
#include "AppearanceManager/DGAppearanceManager.hpp"
#include "DGBrowser.hpp"
#include "DGDialog.hpp"
#include "DGPanel.hpp"
#include "GSRoot.hpp"

class MapPalette : public DG::Palette, public DG::PanelObserver {
public:
    MapPalette();
    ~MapPalette() override;

    // The one palette, owned by a module-wide reference until the module is unloaded.
    static bool HasInstance();
    static MapPalette& GetInstance();  // throws the host's null-pointer exception when there is none
    static MapPalette& CreateInstance();

    static const GS::Guid& PaletteGuid();

    static void ShowPalette(MapPalette& palette);
    static void HidePalette(MapPalette& palette);
    static void TogglePalette();
    static void SetMenuItemChecked(bool checked);
    static void ResyncProjectOrigin();
    static GSErrCode PaletteControlCallback(Int32 referenceID, API_PaletteMessageID messageID, GS::IntPtr param);

    void OnAppearanceChanged(const DG::AppearanceManager& manager, const DG::AppearanceChangedEventArg& arg);

protected:
    void InitBrowserControl();
    void RegisterACAPIJavaScriptObject();

    void PanelCloseRequested(const DG::PanelCloseRequestEvent& ev, bool* accepted) override;
    void PanelResized(const DG::PanelResizeEvent& ev) override;

private:
    bool AllowAddressChange(const GS::UniString& url);

    DG::Browser browser;
};

// Hands an address that leaves the page to the system's default browser, in the form
// ExternalAddress gives; an address it refuses is dropped.
void OpenExternally(const GS::UniString& url);
