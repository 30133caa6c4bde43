#pragma once

// Dialogs, modeless dialogs and palettes.

#include <vector>

#include "DGPanel.hpp"
#include "GSRoot.hpp"

namespace DG {

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

}  // namespace DG
