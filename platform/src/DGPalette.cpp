#include <algorithm>

#include "DGBrowser.hpp"
#include "DGDialog.hpp"
#include "ResourceReading.hpp"
#include "RS.hpp"

namespace DG {

namespace {

std::vector<Palette*>& LivePalettes()
{
    // Never destroyed: a module unloaded after the exit handlers still reaches it.
    static std::vector<Palette*>& palettes = *new std::vector<Palette*>;
    return palettes;
}

std::vector<BrowserBase*>& LiveBrowsers()
{
    // Never destroyed: a module unloaded after the exit handlers still reaches it.
    static std::vector<BrowserBase*>& browsers = *new std::vector<BrowserBase*>;
    return browsers;
}

}  // namespace

// A missing resource leaves an empty palette that still works; the host shows such a palette too.
Palette::Palette(GSResModule dialogResModule, Int16 resId, GSResModule /*iconResModule*/, const GS::Guid& guid)
    : ModelessBase(0, 0), guid(guid), resId(resId), resModule(dialogResModule)
{
    RS::DialogResource dialog;
    if (RS::GetDialog(dialogResModule, resId, &dialog)) {
        SetSize(dialog.width, dialog.height);
        title = dialog.title;
        std::vector<ItemPlace> places;
        for (const auto& item : dialog.items)
            places.push_back({item.id, item.x, item.y, item.width, item.height});
        SetItemPlaces(std::move(places));
    }
    LivePalettes().push_back(this);
}

Palette::~Palette()
{
    auto& palettes = LivePalettes();
    palettes.erase(std::remove(palettes.begin(), palettes.end(), this), palettes.end());
}

std::vector<Palette*> Palette::GetAll()
{
    return LivePalettes();
}

Palette* Palette::Find(const GS::Guid& guid)
{
    for (Palette* palette : LivePalettes()) {
        if (palette->GetGuid() == guid)
            return palette;
    }
    return nullptr;
}

BrowserBase::BrowserBase(const Panel& panel, Int16 id) : Item(panel, id)
{
    LiveBrowsers().push_back(this);
}

BrowserBase::~BrowserBase()
{
    auto& browsers = LiveBrowsers();
    browsers.erase(std::remove(browsers.begin(), browsers.end(), this), browsers.end());
}

void BrowserBase::StopLoad()
{
    ++stopLoadCount;
}

std::vector<BrowserBase*> BrowserBase::GetAll()
{
    return LiveBrowsers();
}

Browser::Browser(const Panel& panel, Int16 id) : BrowserBase(panel, id) {}

Browser::~Browser() = default;

}  // namespace DG
