#pragma once

// The orthophoto: the page's image placed as a picture at its georeferenced place.

#include <vector>

#include "PlaceTarget.hpp"

namespace Placement {

GSErrCode PlaceOrthophoto(const std::vector<char>& imageBytes, double width, double height, double centerX,
                          double centerY, double scaleX, double scaleY, double shiftX, double shiftY,
                          const GS::UniString& layerName, const PlaceTarget& target, GS::UniString& diagnostics);
// The same for an image still in the page's Base64 text: decoded straight into the host's handle.
GSErrCode PlaceOrthophotoFromText(const GS::UniString& base64Image, double width, double height, double centerX,
                                  double centerY, double scaleX, double scaleY, double shiftX, double shiftY,
                                  const GS::UniString& layerName, const PlaceTarget& target, GS::UniString& diagnostics);
bool IsPng(const std::vector<char>& bytes);

}  // namespace Placement
