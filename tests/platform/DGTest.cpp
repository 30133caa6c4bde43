#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "AppearanceManager/DGAppearanceManager.hpp"
#include "DGBrowser.hpp"
#include "DGDialog.hpp"
#include "DGFileDialog.hpp"
#include "DGModule.hpp"
#include "DGPanel.hpp"
#include "FileType.hpp"
#include "Location.hpp"

namespace {

class RecordingObserver : public DG::PanelObserver {
public:
    void PanelCloseRequested(const DG::PanelCloseRequestEvent&, bool* accepted) override
    {
        events.push_back("close");
        *accepted = acceptClose;
    }
    void PanelResizeEntered(const DG::PanelResizeEvent& ev) override
    {
        events.push_back("entered " + std::to_string(ev.GetHorizontalChange()));
    }
    void PanelResized(const DG::PanelResizeEvent& ev) override
    {
        events.push_back("resized " + std::to_string(ev.GetHorizontalChange()) + " " +
                         std::to_string(ev.GetVerticalChange()) + " panel " +
                         std::to_string(ev.GetSource()->GetWidth()));
    }
    void PanelResizeExited(const DG::PanelResizeEvent&) override { events.push_back("exited"); }

    bool acceptClose = true;
    std::vector<std::string> events;
};

TEST(PanelObservers, CloseRequestReachesEveryObserver)
{
    DG::Panel panel(100, 200);
    RecordingObserver first, second;
    first.acceptClose = false;
    panel.Attach(first);
    panel.Attach(second);
    panel.Attach(second);  // attaching twice still notifies once
    EXPECT_TRUE(panel.RequestClose());
    EXPECT_EQ(first.events, std::vector<std::string>{"close"});
    EXPECT_EQ(second.events, std::vector<std::string>{"close"});

    panel.Detach(second);
    EXPECT_FALSE(panel.RequestClose());
    EXPECT_EQ(second.events.size(), 1u);
}

TEST(PanelObservers, UserResizeNotifiesInOrderWithTheNewSize)
{
    DG::Panel panel(420, 640);
    RecordingObserver observer;
    panel.Attach(observer);
    panel.UserResize(-20, 35);
    EXPECT_EQ(observer.events, (std::vector<std::string>{"entered -20", "resized -20 35 panel 400", "exited"}));
    EXPECT_EQ(panel.GetWidth(), 400);
    EXPECT_EQ(panel.GetHeight(), 675);
}

TEST(PanelObservers, ObserverDestroyedFirstIsNoLongerCalled)
{
    DG::Panel panel(10, 10);
    {
        RecordingObserver shortLived;
        panel.Attach(shortLived);
    }
    EXPECT_FALSE(panel.RequestClose());
    panel.UserResize(1, 1);

    auto observer = std::make_unique<RecordingObserver>();
    {
        DG::Panel shortPanel(5, 5);
        shortPanel.Attach(*observer);
    }
    observer.reset();  // the panel it was attached to is gone already

    DG::Panel first(1, 1), second(1, 1), third(1, 1);
    auto shared = std::make_unique<RecordingObserver>();
    first.Attach(*shared);
    second.Attach(*shared);
    third.Attach(*shared);
    shared.reset();
    EXPECT_FALSE(first.RequestClose());
    EXPECT_FALSE(second.RequestClose());
    EXPECT_FALSE(third.RequestClose());
}

// Closing destroys the other observer, as a palette that deletes its helper on close would.
class DestroyingObserver : public DG::PanelObserver {
public:
    void PanelCloseRequested(const DG::PanelCloseRequestEvent&, bool* accepted) override
    {
        other.reset();
        *accepted = true;
    }
    std::unique_ptr<RecordingObserver> other;
};

TEST(PanelObservers, ObserverDestroyedDuringANotificationIsSkipped)
{
    DG::Panel panel(10, 10);
    DestroyingObserver destroyer;
    destroyer.other = std::make_unique<RecordingObserver>();
    panel.Attach(destroyer);
    panel.Attach(*destroyer.other);
    EXPECT_TRUE(panel.RequestClose());
    EXPECT_EQ(destroyer.other, nullptr);
}

TEST(PanelItems, ItemsFollowThePanelAndResizeByChanges)
{
    DG::Dialog dialog(300, 300);
    auto item = std::make_unique<DG::Item>(dialog, 1);
    EXPECT_EQ(dialog.GetItem(1), item.get());
    EXPECT_EQ(dialog.GetItem(2), nullptr);
    item->SetRect(0, 0, 300, 300);
    dialog.BeginMoveResizeItems();
    EXPECT_TRUE(dialog.IsInMoveResize());
    item->Resize(-50, 20);
    dialog.EndMoveResizeItems();
    EXPECT_FALSE(dialog.IsInMoveResize());
    EXPECT_EQ(item->GetWidth(), 250);
    EXPECT_EQ(item->GetHeight(), 320);
    item.reset();
    EXPECT_EQ(dialog.GetItem(1), nullptr);
}

TEST(PanelItems, ItemOutlivingItsPanelReportsIt)
{
    auto panel = std::make_unique<DG::Panel>(1, 1);
    DG::Item item(*panel, 3);
    panel.reset();
    EXPECT_THROW(item.GetPanel(), GS::NullPointerException);
}

TEST(ModelessDialogs, ShowHideAndEventProcessing)
{
    DG::ModelessBase dialog(10, 10);
    EXPECT_FALSE(dialog.IsVisible());
    dialog.Show(-32768);
    EXPECT_TRUE(dialog.IsVisible());
    dialog.Hide();
    EXPECT_FALSE(dialog.IsVisible());
    dialog.BeginEventProcessing();
    EXPECT_TRUE(dialog.IsProcessingEvents());
    dialog.EndEventProcessing();
    EXPECT_FALSE(dialog.IsProcessingEvents());
}

TEST(Palettes, WithoutResourcesHaveSizeZeroAndAreListed)
{
    const GS::Guid guid("{8E2B6A41-0C7D-4E2A-9B3F-1A5C9D7E4F20}");
    {
        DG::Palette palette(InvalidResModule, 32500, InvalidResModule, guid);
        EXPECT_EQ(palette.GetWidth(), 0);
        EXPECT_TRUE(palette.GetTitle().IsEmpty());
        EXPECT_EQ(DG::Palette::Find(guid), &palette);
        DG::Browser browser(palette, 1);
        EXPECT_EQ(browser.GetWidth(), 0);
        ASSERT_EQ(DG::BrowserBase::GetAll().size(), 1u);
        EXPECT_EQ(DG::BrowserBase::GetAll()[0], &browser);
        browser.StopLoad();
        EXPECT_EQ(browser.GetStopLoadCount(), 1u);
    }
    EXPECT_EQ(DG::Palette::Find(guid), nullptr);
    EXPECT_TRUE(DG::Palette::GetAll().empty());
    EXPECT_TRUE(DG::BrowserBase::GetAll().empty());
}

TEST(BrowserEvents, UrlChangeGoesAheadOnlyWhenNoHandlerRefuses)
{
    DG::Panel panel(1, 1);
    DG::Browser browser(panel, 1);
    std::vector<std::string> seen;
    browser.onUrlWillChange += [&seen](const DG::BrowserBase&, const DG::BrowserURLChangeArg& arg) {
        seen.push_back(arg.newURL.ToUtf8());
        return !arg.newURL.BeginsWith("https://other");
    };
    browser.onNewTabRequested += [&seen](const DG::BrowserBase&, const DG::BrowserNewTabArg& arg) {
        seen.push_back("tab " + arg.url.ToUtf8());
    };
    EXPECT_TRUE(browser.onUrlWillChange.Notify(browser, {GS::UniString("about:blank")}));
    EXPECT_FALSE(browser.onUrlWillChange.Notify(browser, {GS::UniString("https://other.org")}));
    browser.onNewTabRequested.Notify(browser, {GS::UniString("https://x.org")});
    EXPECT_EQ(seen, (std::vector<std::string>{"about:blank", "https://other.org", "tab https://x.org"}));
}

struct ThemedTarget : DG::EventTarget {
    std::vector<Int16> received;
    std::vector<DG::AppearanceType> types;
};

TEST(Appearance, SubscriptionsEndWithTheirTarget)
{
    DG::AppearanceManager& manager = DG::AppearanceManager::GetInstance();
    const UInt32 before = manager.onAppearanceChanged.GetSubscriberCount();
    std::vector<std::string> order;
    auto first = std::make_unique<ThemedTarget>();
    ThemedTarget second;
    manager.onAppearanceChanged.Add(
        [&order, target = first.get()](const DG::AppearanceManager&, const DG::AppearanceChangedEventArg& arg) {
            order.push_back("first");
            target->received.push_back(static_cast<Int16>(arg.mode));
            EXPECT_EQ(arg.type, DG::AppearanceType::Dark);
        },
        first.get());
    manager.onAppearanceChanged.Add(
        [&order, &second](const DG::AppearanceManager&, const DG::AppearanceChangedEventArg& arg) {
            order.push_back("second");
            second.received.push_back(static_cast<Int16>(arg.mode));
            second.types.push_back(arg.type);
        },
        &second);
    manager.SetAppearance(1);
    EXPECT_TRUE(DG::IsDarkMode());
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(first->received, std::vector<Int16>{1});

    first.reset();  // a destroyed target must never be called again
    EXPECT_EQ(manager.onAppearanceChanged.GetSubscriberCount(), before + 1);
    manager.SetAppearance(2);
    EXPECT_FALSE(DG::IsDarkMode());
    EXPECT_EQ(second.received, (std::vector<Int16>{1, 2}));
    EXPECT_EQ(second.types, (std::vector<DG::AppearanceType>{DG::AppearanceType::Dark, DG::AppearanceType::Light}));
    EXPECT_EQ(order.size(), 3u);
}

TEST(Appearance, HandlerMayDestroyAnotherSubscriber)
{
    DG::AppearanceManager& manager = DG::AppearanceManager::GetInstance();
    auto victim = std::make_unique<ThemedTarget>();
    ThemedTarget killer;
    bool victimCalled = false;
    manager.onAppearanceChanged.Add(
        [&victim](const DG::AppearanceManager&, const DG::AppearanceChangedEventArg&) { victim.reset(); }, &killer);
    manager.onAppearanceChanged.Add(
        [&victimCalled](const DG::AppearanceManager&, const DG::AppearanceChangedEventArg&) { victimCalled = true; },
        victim.get());
    manager.SetAppearance(1);
    EXPECT_FALSE(victimCalled);
    EXPECT_EQ(victim, nullptr);
    DG::SetDarkMode(false);
    EXPECT_FALSE(DG::IsDarkMode());
}

TEST(FileDialogs, WithoutAnAnswererTheDialogIsCancelled)
{
    DG::SetFileDialogAnswerer(nullptr);
    DG::FileDialog dialog(DG::FileDialog::Save);
    EXPECT_FALSE(dialog.Invoke());
    EXPECT_EQ(dialog.GetSelectionCount(), 0u);
    EXPECT_THROW(dialog.GetSelectedFile(0), GS::IndexOutOfBoundsException);
}

TEST(FileDialogs, TheAnswererSeesTheDialogAndPicksAFile)
{
    DG::FileDialog dialog(DG::FileDialog::Save);
    dialog.SetTitle(GS::UniString("Uložit report o pozemku"));
    EXPECT_EQ(dialog.AddFilter(FTM::TypeID(7)), 0u);
    EXPECT_EQ(dialog.AddFilter(FTM::UnknownType), MaxUIndex);
    dialog.SetFolder(IO::Location(GS::UniString("/projects")));
    dialog.SelectFile(IO::Location(GS::UniString("/projects/report.txt")), true);

    DG::SetFileDialogAnswerer([](DG::FileDialog& shown) {
        EXPECT_EQ(shown.GetType(), DG::FileDialog::Save);
        EXPECT_EQ(shown.GetTitle(), "Uložit report o pozemku");
        EXPECT_EQ(shown.GetFilters(), std::vector<FTM::GeneralID>{FTM::TypeID(7)});
        shown.SetSelectedFile(shown.GetProposedFile());
        return true;
    });
    ASSERT_TRUE(dialog.Invoke());
    GS::UniString path;
    dialog.GetSelectedFile(0).ToPath(&path);
    EXPECT_EQ(path, "/projects/report.txt");

    // Accepting without choosing a file is not a success.
    DG::SetFileDialogAnswerer([](DG::FileDialog&) { return true; });
    EXPECT_FALSE(dialog.Invoke());
    DG::SetFileDialogAnswerer(nullptr);
}

}  // namespace
