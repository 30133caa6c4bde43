#pragma once

// The host's dialog library: panels and their observers, the items on them, and the event lists
// the other dialog headers use. Host-side hooks (marked so) let the host deliver events.

#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

#include "GSRoot.hpp"

namespace GS {

class PLATFORM_API EventSource {
public:
    virtual ~EventSource();
};

class PLATFORM_API EventObserver {
public:
    virtual ~EventObserver();
};

}  // namespace GS

namespace DG {

class Panel;

// Subscriptions made for a target end when the target is destroyed.
class PLATFORM_API EventTarget {
public:
    EventTarget();
    EventTarget(const EventTarget&) = delete;
    EventTarget& operator=(const EventTarget&) = delete;
    virtual ~EventTarget();

    void AddUnsubscriber(std::function<void()> unsubscribe);

private:
    std::vector<std::function<void()>> unsubscribers;
};

class PLATFORM_API DefaultEventTargetProvider {
public:
    virtual ~DefaultEventTargetProvider();
};

class PLATFORM_API PanelNotifyHandler {
public:
    virtual ~PanelNotifyHandler();
};

// An event list: handlers run in the order they were added. For a bool result the change goes
// ahead only when no handler refuses it.
template <class Source, class Arg, class Result = void>
class EventNotifier {
public:
    using Handler = std::function<Result(const Source&, const Arg&)>;

    EventNotifier() = default;
    EventNotifier(const EventNotifier&) = delete;
    EventNotifier& operator=(const EventNotifier&) = delete;

    void operator+=(Handler handler) { state->Push(std::move(handler)); }
    // With a target, the subscription ends when the target is destroyed.
    void Add(Handler handler, EventTarget* target = nullptr)
    {
        const UInt64 id = state->Push(std::move(handler));
        if (target != nullptr) {
            target->AddUnsubscriber([weak = std::weak_ptr<State>(state), id] {
                if (const std::shared_ptr<State> alive = weak.lock())
                    alive->Remove(id);
            });
        }
    }
    bool HasHandlers() const { return !state->subscriptions.empty(); }
    void Clear() { state->subscriptions.clear(); }

    // Host side.
    UInt32 GetSubscriberCount() const { return static_cast<UInt32>(state->subscriptions.size()); }

    // Host side. A handler may end subscriptions (its own or others'): each one is looked up again
    // before it runs.
    Result Notify(const Source& source, const Arg& arg) const
    {
        std::vector<UInt64> ids;
        for (const Subscription& subscription : state->subscriptions)
            ids.push_back(subscription.id);
        [[maybe_unused]] bool allowed = true;
        for (const UInt64 id : ids) {
            const Subscription* found = state->Find(id);
            if (found == nullptr)
                continue;
            const Handler handler = found->handler;
            if constexpr (std::is_same_v<Result, bool>)
                allowed = handler(source, arg) && allowed;
            else
                handler(source, arg);
        }
        if constexpr (std::is_same_v<Result, bool>)
            return allowed;
    }

private:
    struct Subscription {
        UInt64 id;
        Handler handler;
    };
    struct State {
        std::vector<Subscription> subscriptions;
        UInt64 nextId = 1;

        UInt64 Push(Handler handler)
        {
            subscriptions.push_back({nextId, std::move(handler)});
            return nextId++;
        }
        void Remove(UInt64 id)
        {
            for (auto it = subscriptions.begin(); it != subscriptions.end(); ++it) {
                if (it->id == id) {
                    subscriptions.erase(it);
                    return;
                }
            }
        }
        const Subscription* Find(UInt64 id) const
        {
            for (const Subscription& subscription : subscriptions)
                if (subscription.id == id)
                    return &subscription;
            return nullptr;
        }
    };
    std::shared_ptr<State> state = std::make_shared<State>();
};

struct PanelOpenEvent { const Panel* source = nullptr; };
struct PanelCloseEvent { const Panel* source = nullptr; };
struct PanelCloseRequestEvent { const Panel* source = nullptr; };
struct PanelHelpEvent { const Panel* source = nullptr; };

class PLATFORM_API PanelResizeEvent {
public:
    PanelResizeEvent(const Panel* source, Int32 horizontalChange, Int32 verticalChange);
    const Panel* GetSource() const { return source; }
    Int32 GetHorizontalChange() const { return horizontalChange; }
    Int32 GetVerticalChange() const { return verticalChange; }

private:
    const Panel* source;
    Int32 horizontalChange;
    Int32 verticalChange;
};

class PLATFORM_API PanelObserver : public GS::EventObserver {
public:
    ~PanelObserver() override;

    virtual void PanelOpened(const PanelOpenEvent& ev);
    virtual void PanelClosed(const PanelCloseEvent& ev);
    virtual void PanelCloseRequested(const PanelCloseRequestEvent& ev, bool* accepted);
    virtual void PanelContextHelpRequested(const PanelHelpEvent& ev, bool* processed);
    virtual void PanelResizeEntered(const PanelResizeEvent& ev);
    virtual void PanelResizing(const PanelResizeEvent& ev);
    virtual void PanelResized(const PanelResizeEvent& ev);
    virtual void PanelResizeExited(const PanelResizeEvent& ev);
};

class Item;

class PLATFORM_API Panel : public GS::EventSource,
                           public PanelNotifyHandler,
                           public EventTarget,
                           public DefaultEventTargetProvider {
public:
    Panel(Int32 width, Int32 height);
    ~Panel() override;

    void Attach(PanelObserver& observer);
    void Detach(PanelObserver& observer);

    Int32 GetWidth() const { return width; }
    Int32 GetHeight() const { return height; }
    const std::vector<Item*>& GetItems() const { return items; }
    Item* GetItem(Int16 id) const;

    // Host side: the user asks to close the panel; true when an observer accepted.
    bool RequestClose();
    // Host side: the user drags the panel's frame by the given amounts.
    void UserResize(Int32 horizontalChange, Int32 verticalChange);

protected:
    // Where the panel's dialog resource puts each item; an item made later takes its place from here.
    struct ItemPlace {
        Int16 id;
        Int32 x, y, width, height;
    };
    void SetSize(Int32 newWidth, Int32 newHeight);
    void SetItemPlaces(std::vector<ItemPlace> places) { itemPlaces = std::move(places); }

private:
    friend class Item;
    std::vector<PanelObserver*> observers;
    std::vector<Item*> items;
    std::vector<ItemPlace> itemPlaces;
    Int32 width;
    Int32 height;
};

class PLATFORM_API Item {
public:
    // The item's place and size come from the panel's dialog resource.
    Item(const Panel& panel, Int16 id);
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;
    virtual ~Item();

    Int16 GetId() const { return id; }
    const Panel& GetPanel() const;  // throws GS::NullPointerException once the panel is gone
    Int32 GetX() const { return x; }
    Int32 GetY() const { return y; }
    Int32 GetWidth() const { return width; }
    Int32 GetHeight() const { return height; }
    void Resize(Int32 horizontalChange, Int32 verticalChange);
    void SetRect(Int32 x, Int32 y, Int32 width, Int32 height);

private:
    friend class Panel;
    Panel* panel;  // null once the panel is gone
    Int16 id;
    Int32 x = 0, y = 0, width = 0, height = 0;
};

}  // namespace DG
