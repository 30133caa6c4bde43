#pragma once

// The one list of the ACAPI functions the page can call, in the order they are registered (the
// page may rely on it: new functions go at the end). X(name, firstApi): Bridge::name, registered in
// the builds for host API firstApi and later. Each is defined in the file of the feature that owns
// it; the registration, the declarations and the fuzz target all read this list.

#include "APIMigration.hpp"

#define LANDFETCH_ACAPI_FUNCTIONS(X)                       \
    X(GetVersion, 0)                                       \
    X(GetAttributes, 0)                                    \
    X(GetSurveyPoint, 0)                                   \
    X(SetSurveyPoint, 0)                                   \
    X(PlaceOrthophoto, 0)                                  \
    X(PlaceCadastre, 0)                                    \
    X(PlaceTerrain, 0)                                     \
    X(PlaceBuildings, 0)                                   \
    X(ChooseSaveFile, 0)                                   \
    X(SaveTextFile, 0)                                     \
    X(SetProjectInfo, 0)                                   \
    X(GetAppearance, Migration::FirstThemedApiVersion)

namespace ACAPI {

struct FunctionName {
    const char* name;
    int firstApi;
};

// The list as data, for code that names the functions without calling them.
#define LANDFETCH_ACAPI_FUNCTION_NAME(name, firstApi) FunctionName{#name, firstApi},
inline constexpr FunctionName FunctionNames[] = {LANDFETCH_ACAPI_FUNCTIONS(LANDFETCH_ACAPI_FUNCTION_NAME)};
#undef LANDFETCH_ACAPI_FUNCTION_NAME

constexpr bool InBuild(const FunctionName& function, int apiVersion)
{
    return apiVersion >= function.firstApi;
}

}  // namespace ACAPI
