#include "AppearanceManager/DGAppearanceManager.hpp"
#include "DGModule.hpp"

namespace DG {

namespace {

bool darkMode = false;

}  // namespace

// Never destroyed: palettes of a module unloaded at exit still end their subscriptions here.
EventNotifier<AppearanceManager, AppearanceChangedEventArg>& AppearanceManager::onAppearanceChanged =
    *new EventNotifier<AppearanceManager, AppearanceChangedEventArg>;

void AppearanceManager::SetAppearance(Int16 appearance)
{
    darkMode = appearance == 1;
    const AppearanceChangedEventArg arg{static_cast<AppearanceMode>(appearance),
                                        darkMode ? AppearanceType::Dark : AppearanceType::Light};
    onAppearanceChanged.Notify(*this, arg);
}

AppearanceManager& AppearanceManager::GetInstance()
{
    static AppearanceManager* manager = new AppearanceManager;
    return *manager;
}

bool IsDarkMode()
{
    return darkMode;
}

void SetDarkMode(bool dark)
{
    darkMode = dark;
}

}  // namespace DG
