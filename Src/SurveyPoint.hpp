#pragma once

// The project's geo-location, survey point and project-origin offset.

#include "ACAPinc.h"

GS::UniString ReadSurveyPoint();
GSErrCode WriteSurveyPoint(double eastings, double northings, double height, bool apply, double latitude,
                           double longitude);
// Appends "ofs=(x, y) " to the diagnostics (when given) for a non-zero offset.
API_Coord GetOriginOffset(GS::UniString* diagnostics);
