#pragma once

// The host's theme and its change event.

#include "DGPanel.hpp"
#include "GSRoot.hpp"

namespace DG {

enum class AppearanceType {
    Light = 0,
    Dark = 1
};

// The host's theme setting behind the type; the simulator hands on the number it was given.
enum class AppearanceMode : Int16 {};

struct AppearanceChangedEventArg {
    AppearanceMode mode;
    AppearanceType type;
};

class PLATFORM_API AppearanceManager {
public:
    static AppearanceManager& GetInstance();

    static EventNotifier<AppearanceManager, AppearanceChangedEventArg>& onAppearanceChanged;

    // Host side: switches the theme (1: dark) and tells every subscriber.
    void SetAppearance(Int16 appearance);
};

}  // namespace DG
