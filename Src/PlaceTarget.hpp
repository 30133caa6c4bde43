#pragma once

// Where a placement goes (the floor plan or a worksheet, a story) and the one undo step it runs in.

#include <functional>

#include "ACAPinc.h"

constexpr GSErrCode ErrWorksheetNotFound = -71001;
constexpr Int16 DefaultStory = -10000;

struct PlaceTarget {
    bool floorPlan = true;
    GS::UniString worksheetName;  // empty: "KN"
    GS::UniString worksheetRef;   // empty: "Podklady"
    Int16 storyIndex = DefaultStory;
};

namespace Placement {

GSErrCode RunInTarget(const PlaceTarget& target, const char* undoName,
                      const std::function<GSErrCode(const API_Coord&)>& body, GS::UniString& diagnostics);
bool FindOrCreateWorksheet(const GS::UniString& name, const GS::UniString& ref, API_DatabaseInfo& database);
bool FindAttributeByName(API_AttrTypeID typeID, const GS::UniString& name, API_AttributeIndex& index);
bool EnsureLayer(const GS::UniString& name, API_AttributeIndex& index);
// Makes the floor plan current for terrain and buildings; a failure appends "switch_plan_err=%d ".
GSErrCode SwitchToFloorPlan(GS::UniString& diagnostics);

}  // namespace Placement
