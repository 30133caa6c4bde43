#pragma once

// The host's dialog library: panels and their observers, the items on them, and the event lists
// the other dialog headers use. Host-side hooks (marked so) let the host deliver events.

#include <functional>
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
class EventProperty {
public:
    using Handler = std::function<Result(const Source&, const Arg&)>;

    void operator+=(Handler handler) { handlers.push_back(std::move(handler)); }
    void Add(Handler handler) { handlers.push_back(std::move(handler)); }
    bool HasHandlers() const { return !handlers.empty(); }
    void Clear() { handlers.clear(); }

    // Host side.
    Result Notify(const Source& source, const Arg& arg) const
    {
        if constexpr (std::is_same_v<Result, bool>) {
            bool allowed = true;
            for (const auto& handler : handlers)
                allowed = handler(source, arg) && allowed;
            return allowed;
        } else {
            for (const auto& handler : handlers)
                handler(source, arg);
        }
    }

private:
    std::vector<Handler> handlers;
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
