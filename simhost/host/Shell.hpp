#pragma once

// The host's shell as an add-on sees it: menus and their item flags, palettes, project events and
// whether the add-on stays loaded.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ACAPinc.h"
#include "host/OperationOwners.hpp"

namespace sim {

struct Menu {
    Int16 resId = 0;
    Int16 promptResId = 0;
    APIMenuCodeID code = MenuCode_UserDef;
    GSFlags flags = 0;
    std::vector<std::string> titles;  // item n is titles[n - 1]
    APIMenuCommandProc* handler = nullptr;
};

struct RegisteredPalette {
    Int32 referenceId = 0;
    APIPaletteControlCallBackProc* callback = nullptr;
    GSFlags flags = 0;
    API_Guid guid{};
};

class Shell {
public:
    // The module file whose resources hold the menu texts.
    void SetModulePath(const std::string& path) { modulePath = path; }
    const std::string& ModulePath() const { return modulePath; }

    // Host side: what the user does.
    GSErrCode MenuCommand(Int16 menuResId, Int32 itemIndex) const;
    GSErrCode PaletteMessage(Int32 messageId, bool* answer) const;
    GSErrCode ProjectEvent(Int32 eventId) const;

    // What the add-on registered.
    const std::vector<Menu>& Menus() const { return menus; }
    const Menu* FindMenu(Int16 resId) const;
    const std::vector<RegisteredPalette>& Palettes() const { return palettes; }
    bool KeepsInMemory() const { return keepInMemory; }
    GSFlags ProjectEventMask() const { return eventMask; }
    bool HasProjectEventHandler() const { return eventHandler != nullptr; }

    // Flags of a menu item; false when the item does not exist.
    bool GetItemFlags(Int16 menuResId, Int32 itemIndex, GSFlags* flags) const;
    // The checked flag of item 1 of the first menu the add-on registered.
    bool MenuChecked() const;

    // The host operations the shell carries out (host/OperationOwners.hpp).
#define SIM_SHELL_OPERATION(name, params, args) SIM_DECLARE_OWNED_OPERATION(shell, name, params)
    API_HOST_OPERATIONS(SIM_SHELL_OPERATION)
#undef SIM_SHELL_OPERATION

private:
    Menu* FindMenu(Int16 resId);

    std::string modulePath;
    std::vector<Menu> menus;
    std::map<std::pair<Int16, Int32>, GSFlags> itemFlags;
    std::vector<RegisteredPalette> palettes;
    bool keepInMemory = false;
    GSFlags eventMask = 0;
    APIProjectEventHandlerProc* eventHandler = nullptr;
};

}  // namespace sim
