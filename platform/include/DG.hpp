#pragma once

// The host's dialog library: palettes, panels and their observers, the browser control, the file
// dialog and the appearance manager. Host-side hooks (marked so) let the host deliver events.

#include <functional>
#include <vector>

#include "GSRoot.hpp"
#include "IO.hpp"

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

class PLATFORM_API Dialog : public Panel {
public:
    using Panel::Panel;
    ~Dialog() override;

    void BeginMoveResizeItems();
    void EndMoveResizeItems();
    bool IsInMoveResize() const { return moveResizeDepth > 0; }

private:
    Int32 moveResizeDepth = 0;
};

class PLATFORM_API ModelessBase : public Dialog {
public:
    using Dialog::Dialog;
    ~ModelessBase() override;

    void Show(Int16 refItem = -32768);
    void Hide();
    bool IsVisible() const { return visible; }
    void BeginEventProcessing();
    void EndEventProcessing();
    bool IsProcessingEvents() const { return processingEvents; }

private:
    bool visible = false;
    bool processingEvents = false;
};

// A floating palette made from a dialog resource of a module.
class PLATFORM_API Palette : public ModelessBase {
public:
    Palette(GSResModule dialogResModule, Int16 resId, GSResModule iconResModule, const GS::Guid& guid);
    ~Palette() override;

    const GS::Guid& GetGuid() const { return guid; }
    const GS::UniString& GetTitle() const { return title; }
    Int16 GetResourceId() const { return resId; }
    GSResModule GetResourceModule() const { return resModule; }

    // Host side: the palettes that exist, in the order they were made.
    static std::vector<Palette*> GetAll();
    static Palette* Find(const GS::Guid& guid);

private:
    GS::Guid guid;
    GS::UniString title;
    Int16 resId;
    GSResModule resModule;
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

class BrowserBase;

struct BrowserNewTabArg {
    GS::UniString url;
};

struct BrowserURLChangeArg {
    GS::UniString url;
};

class PLATFORM_API BrowserBase : public Item {
public:
    BrowserBase(const Panel& panel, Int16 id);
    ~BrowserBase() override;

    void StopLoad();
    UInt32 GetStopLoadCount() const { return stopLoadCount; }

    EventProperty<BrowserBase, BrowserNewTabArg> onNewTab;
    EventProperty<BrowserBase, BrowserURLChangeArg, bool> onURLChange;

    // Host side: the browser controls that exist.
    static std::vector<BrowserBase*> GetAll();

private:
    UInt32 stopLoadCount = 0;
};

class PLATFORM_API Browser : public BrowserBase {
public:
    Browser(const Panel& panel, Int16 id);
    ~Browser() override;
};

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
PLATFORM_API bool IsDarkMode();
// Host side: the theme the host starts with, without an event.
PLATFORM_API void SetDarkMode(bool dark);

class PLATFORM_API SystemDialog {
public:
    virtual ~SystemDialog();
    void SetTitle(const GS::UniString& newTitle) { title = newTitle; }
    const GS::UniString& GetTitle() const { return title; }
    virtual bool Invoke() = 0;

private:
    GS::UniString title;
};

class PLATFORM_API FileDialog : public SystemDialog {
public:
    enum Type : Int32 { OpenFile = 1, OpenMultiFile = 2, OpenFolder = 3, Save = 4 };

    explicit FileDialog(Int32 type);
    ~FileDialog() override;

    bool AddFilter(FTM::TypeID type, Int32 extensionOption = 0);
    void SetFolder(const IO::Location& newFolder) { folder = newFolder; }
    bool SelectFile(const IO::Location& file, bool selectName = true);
    bool Invoke() override;

    UInt32 GetSelectionCount() const { return static_cast<UInt32>(selected.size()); }
    const IO::Location& GetSelectedFile(UInt32 index) const;

    // Host side: what the dialog shows, and the user's choice.
    Int32 GetType() const { return type; }
    const std::vector<FTM::TypeID>& GetFilters() const { return filters; }
    const IO::Location& GetFolder() const { return folder; }
    const IO::Location& GetProposedFile() const { return proposed; }
    void SetSelectedFile(const IO::Location& file);

private:
    Int32 type;
    std::vector<FTM::TypeID> filters;
    IO::Location folder;
    IO::Location proposed;
    std::vector<IO::Location> selected;
};

// Host side: answers every file dialog that is invoked; without one a dialog is cancelled.
using FileDialogAnswerer = std::function<bool(FileDialog&)>;
PLATFORM_API void SetFileDialogAnswerer(FileDialogAnswerer answerer);

}  // namespace DG
