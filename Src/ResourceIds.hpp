#pragma once

// Identifiers of the module's own resources.

#include "GSRoot.hpp"

namespace ResourceIds {

constexpr Int16 AddOnInfoStrings = 32000;  // 1: name, 2: description
constexpr Int16 AddOnNameIndex = 1;
constexpr Int16 AddOnDescriptionIndex = 2;

constexpr Int16 MenuStrings = 32500;
constexpr Int32 MenuItemIndex = 1;

constexpr Int16 PaletteDialog = 32500;
constexpr Int16 BrowserItem = 1;

constexpr Int16 ModuleIdentifier = 32500;
constexpr Int16 MenuIcon = 10001;

}  // namespace ResourceIds
