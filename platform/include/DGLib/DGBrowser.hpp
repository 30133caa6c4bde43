#pragma once

// The browser control and its events.

#include <vector>

#include "DGPanel.hpp"
#include "GSRoot.hpp"

namespace DG {

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

}  // namespace DG
