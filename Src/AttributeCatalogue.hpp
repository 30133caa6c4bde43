#pragma once

// The project's attributes, stories, worksheets and pens as the page's JSON catalogue.

#include "ACAPinc.h"

GS::UniString JsonEscape(const GS::UniString& text);
GS::UniString BuildAttributeCatalogue();
namespace Placement {
GS::UniString AttrNamesJsonArray(API_AttrTypeID typeID, bool byIndex);
}
