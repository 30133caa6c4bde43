#include <algorithm>

#include "AppearanceManager/DGAppearanceManager.hpp"
#include "DGModule.hpp"

namespace DG {

namespace {

bool darkMode = false;

}  // namespace

void AppearanceManager::ChangeEvent::Add(EventTarget& target, Handler handler)
{
    const UInt64 id = nextId++;
    subscriptions.push_back({id, std::move(handler)});
    target.AddUnsubscriber([this, id] {
        subscriptions.erase(std::remove_if(subscriptions.begin(), subscriptions.end(),
                                           [id](const Subscription& s) { return s.id == id; }),
                            subscriptions.end());
    });
}

UInt32 AppearanceManager::ChangeEvent::GetSubscriberCount() const
{
    return static_cast<UInt32>(subscriptions.size());
}

void AppearanceManager::SetAppearance(Int16 appearance)
{
    darkMode = appearance == 1;
    const AppearanceChangedEventArg arg{appearance};
    // A handler may end subscriptions (its own or others'): each one is looked up again before it runs.
    std::vector<UInt64> ids;
    for (const auto& subscription : onAppearanceChanged.subscriptions)
        ids.push_back(subscription.id);
    for (const UInt64 id : ids) {
        const auto& subscriptions = onAppearanceChanged.subscriptions;
        const auto found = std::find_if(subscriptions.begin(), subscriptions.end(),
                                        [id](const ChangeEvent::Subscription& s) { return s.id == id; });
        if (found == subscriptions.end())
            continue;
        const Handler handler = found->handler;
        handler(*this, arg);
    }
}

AppearanceManager& GetAppearanceManager()
{
    // Never destroyed: palettes of a module unloaded at exit still end their subscriptions here.
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
