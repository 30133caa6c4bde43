#pragma once

// What the page reads from and writes to the project besides the model.

#include <utility>
#include <vector>

#include "APIDefs.hpp"
#include "IO.hpp"

// Geo-location and survey point
GS::UniString ReadSurveyPoint();
GSErrCode WriteSurveyPoint(double eastings, double northings, double height, bool apply, double latitude,
                           double longitude);
// Appends "ofs=(x, y) " to the diagnostics (when given) for a non-zero offset.
API_Coord GetOriginOffset(GS::UniString* diagnostics);

// Attribute catalogue
GS::UniString JsonEscape(const GS::UniString& text);
GS::UniString BuildAttributeCatalogue();
namespace Placement {
GS::UniString AttrNamesJsonArray(API_AttrTypeID typeID, bool byIndex);
}

// Project-info autotexts
GS::UniString ApplyProjectInfo(const std::vector<std::pair<GS::UniString, GS::UniString>>& pairs);

// Report file
bool FindReportFolder(IO::Location& folder);
GS::UniString SanitizeFileName(const GS::UniString& name);
bool IsAbsolutePath(const GS::UniString& path);
GS::UniString ChooseReportFile(const GS::UniString& proposedName);
GS::UniString WriteReportFile(const GS::UniString& target, const GS::UniString& text);
