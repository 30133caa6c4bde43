#pragma once

// The page's report, saved as a text file the user chose.

#include "ACAPinc.h"
#include "Location.hpp"

bool FindReportFolder(IO::Location& folder);
GS::UniString SanitizeFileName(const GS::UniString& name);
bool IsAbsolutePath(const GS::UniString& path);
GS::UniString ChooseReportFile(const GS::UniString& proposedName);
GS::UniString WriteReportFile(const GS::UniString& target, const GS::UniString& text);
