#pragma once

// The browser control and its events.

#include <vector>

#include "DGPanel.hpp"
#include "GSRoot.hpp"

namespace DG {

class BrowserBase;

struct BrowserNewTabArg {
    GS::UniString url;
    bool userGesture = false;
};

struct BrowserURLChangeArg {
    GS::UniString newURL;
};

class PLATFORM_API BrowserBase : public Item {
public:
    BrowserBase(const Panel& panel, Int16 id);
    ~BrowserBase() override;

    void StopLoad();
    UInt32 GetStopLoadCount() const { return stopLoadCount; }

    EventNotifier<BrowserBase, BrowserNewTabArg> onNewTabRequested;
    EventNotifier<BrowserBase, BrowserURLChangeArg, bool> onUrlWillChange;

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

}  // namespace DG
