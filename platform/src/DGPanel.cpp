#include <algorithm>
#include <map>

#include "DGDialog.hpp"
#include "DGPanel.hpp"

namespace GS {

EventSource::~EventSource() = default;
EventObserver::~EventObserver() = default;

}  // namespace GS

namespace DG {

namespace {

// The panels each observer is attached to, so that an observer that dies first leaves no
// dangling pointer behind in a panel.
using AttachmentMap = std::map<PanelObserver*, std::vector<Panel*>>;

AttachmentMap& Attachments()
{
    // Never destroyed: a module unloaded after the exit handlers still reaches it.
    static AttachmentMap& attachments = *new AttachmentMap;
    return attachments;
}

template <class T>
void Erase(std::vector<T>& items, const T& item)
{
    items.erase(std::remove(items.begin(), items.end(), item), items.end());
}

// An observer may detach itself or another one (or die) while it is told: each is looked up again.
template <class Tell>
void Notify(const std::vector<PanelObserver*>& observers, Tell tell)
{
    const auto current = observers;
    for (PanelObserver* observer : current) {
        if (std::find(observers.begin(), observers.end(), observer) != observers.end())
            tell(*observer);
    }
}

}  // namespace

EventTarget::EventTarget() = default;

EventTarget::~EventTarget()
{
    const auto pending = std::move(unsubscribers);
    for (const auto& unsubscribe : pending)
        unsubscribe();
}

void EventTarget::AddUnsubscriber(std::function<void()> unsubscribe)
{
    unsubscribers.push_back(std::move(unsubscribe));
}

DefaultEventTargetProvider::~DefaultEventTargetProvider() = default;
PanelNotifyHandler::~PanelNotifyHandler() = default;

PanelResizeEvent::PanelResizeEvent(const Panel* source, Int32 horizontalChange, Int32 verticalChange)
    : source(source), horizontalChange(horizontalChange), verticalChange(verticalChange)
{
}

PanelObserver::~PanelObserver()
{
    auto found = Attachments().find(this);
    if (found == Attachments().end())
        return;
    const std::vector<Panel*> panels = found->second;  // Detach edits the list
    for (Panel* panel : panels)
        panel->Detach(*this);
    Attachments().erase(this);
}

void PanelObserver::PanelOpened(const PanelOpenEvent&) {}
void PanelObserver::PanelClosed(const PanelCloseEvent&) {}
void PanelObserver::PanelCloseRequested(const PanelCloseRequestEvent&, bool*) {}
void PanelObserver::PanelContextHelpRequested(const PanelHelpEvent&, bool*) {}
void PanelObserver::PanelResizeEntered(const PanelResizeEvent&) {}
void PanelObserver::PanelResizing(const PanelResizeEvent&) {}
void PanelObserver::PanelResized(const PanelResizeEvent&) {}
void PanelObserver::PanelResizeExited(const PanelResizeEvent&) {}

Panel::Panel(Int32 width, Int32 height) : width(width), height(height) {}

Panel::~Panel()
{
    for (Item* item : items)
        item->panel = nullptr;
    for (PanelObserver* observer : observers) {
        auto found = Attachments().find(observer);
        if (found != Attachments().end())
            Erase(found->second, this);
    }
}

void Panel::Attach(PanelObserver& observer)
{
    if (std::find(observers.begin(), observers.end(), &observer) != observers.end())
        return;
    observers.push_back(&observer);
    Attachments()[&observer].push_back(this);
}

void Panel::Detach(PanelObserver& observer)
{
    Erase(observers, &observer);
    auto found = Attachments().find(&observer);
    if (found != Attachments().end())
        Erase(found->second, this);
}

Item* Panel::GetItem(Int16 id) const
{
    for (Item* item : items) {
        if (item->GetId() == id)
            return item;
    }
    return nullptr;
}

bool Panel::RequestClose()
{
    bool accepted = false;
    const PanelCloseRequestEvent event{this};
    Notify(observers, [&](PanelObserver& observer) { observer.PanelCloseRequested(event, &accepted); });
    return accepted;
}


void Panel::UserResize(Int32 horizontalChange, Int32 verticalChange)
{
    const PanelResizeEvent event(this, horizontalChange, verticalChange);
    Notify(observers, [&](PanelObserver& observer) { observer.PanelResizeEntered(event); });
    SetSize(width + horizontalChange, height + verticalChange);
    Notify(observers, [&](PanelObserver& observer) { observer.PanelResized(event); });
    Notify(observers, [&](PanelObserver& observer) { observer.PanelResizeExited(event); });
}

void Panel::SetSize(Int32 newWidth, Int32 newHeight)
{
    width = newWidth;
    height = newHeight;
}

Dialog::~Dialog() = default;

void Dialog::BeginMoveResizeItems()
{
    ++moveResizeDepth;
}

void Dialog::EndMoveResizeItems()
{
    if (moveResizeDepth > 0)
        --moveResizeDepth;
}

ModelessBase::~ModelessBase() = default;

void ModelessBase::Show(Int16 /*refItem*/)
{
    visible = true;
}

void ModelessBase::Hide()
{
    visible = false;
}

void ModelessBase::BeginEventProcessing()
{
    processingEvents = true;
}

void ModelessBase::EndEventProcessing()
{
    processingEvents = false;
}

Item::Item(const Panel& panel, Int16 id) : panel(const_cast<Panel*>(&panel)), id(id)
{
    for (const auto& place : this->panel->itemPlaces) {
        if (place.id == id) {
            SetRect(place.x, place.y, place.width, place.height);
            break;
        }
    }
    this->panel->items.push_back(this);
}

Item::~Item()
{
    if (panel != nullptr)
        Erase(panel->items, this);
}

const Panel& Item::GetPanel() const
{
    if (panel == nullptr)
        throw GS::NullPointerException("The item's panel is gone", __FILE__, __LINE__);
    return *panel;
}

void Item::Resize(Int32 horizontalChange, Int32 verticalChange)
{
    width += horizontalChange;
    height += verticalChange;
}

void Item::SetRect(Int32 newX, Int32 newY, Int32 newWidth, Int32 newHeight)
{
    x = newX;
    y = newY;
    width = newWidth;
    height = newHeight;
}

}  // namespace DG
