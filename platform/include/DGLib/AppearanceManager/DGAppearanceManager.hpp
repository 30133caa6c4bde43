#pragma once

// The host's theme and its change event.

#include <functional>
#include <vector>

#include "DGPanel.hpp"
#include "GSRoot.hpp"

namespace DG {

struct AppearanceChangedEventArg {
    Int16 appearance = 0;  // 1: dark
};

class PLATFORM_API AppearanceManager {
public:
    using Handler = std::function<void(const AppearanceManager&, const AppearanceChangedEventArg&)>;

    class PLATFORM_API ChangeEvent {
    public:
        // The subscription ends when the target is destroyed.
        void Add(EventTarget& target, Handler handler);
        UInt32 GetSubscriberCount() const;

    private:
        friend class AppearanceManager;
        struct Subscription {
            UInt64 id;
            Handler handler;
        };
        std::vector<Subscription> subscriptions;
        UInt64 nextId = 1;
    };

    ChangeEvent onAppearanceChanged;

    // Host side: switches the theme and tells every subscriber.
    void SetAppearance(Int16 appearance);
};

PLATFORM_API AppearanceManager& GetAppearanceManager();

}  // namespace DG
