#include <cmath>

#include "SurveyPoint.hpp"

#include "Bridge.hpp"
#include "HostInterface.hpp"

namespace {

const char* const DefaultCrsName = "EPSG:5514 (S-JTSK / Krovak East North)";

// A page value that should be written. Zero means "keep what is stored"; a non-finite value
// (a text such as "nan" read as a number) would poison the project's georeference, so it is kept too.
bool IsGiven(double value)
{
    return value != 0.0 && std::isfinite(value);
}

}  // namespace

GS::UniString ReadSurveyPoint()
{
    API_GeoLocation geo{};
    if (Host::GetGeoLocation(&geo) != NoError)
        return GS::UniString("{\"ok\":false}");

    double eastings = -geo.surveyPointPosition.x;
    double northings = -geo.surveyPointPosition.y;
    double height = -geo.surveyPointPosition.z;
    if (std::fabs(geo.geoReferenceData.eastings) >= 1.0 || std::fabs(geo.geoReferenceData.northings) >= 1.0) {
        eastings = geo.geoReferenceData.eastings;
        northings = geo.geoReferenceData.northings;
        height = geo.geoReferenceData.orthogonalHeight;
    }
    return GS::UniString::Printf("{\"ok\":true,\"eastings\":%.4f,\"northings\":%.4f,\"height\":%.4f}", eastings,
                                 northings, height);
}

GSErrCode WriteSurveyPoint(double eastings, double northings, double height, bool apply, double latitude,
                           double longitude)
{
    if (!apply)
        return NoError;

    API_GeoLocation geo{};
    const GSErrCode readResult = Host::GetGeoLocation(&geo);
    if (readResult != NoError)
        return readResult;

    if (IsGiven(eastings)) {
        geo.geoReferenceData.eastings = eastings;
        geo.surveyPointPosition.x = -eastings;
    }
    if (IsGiven(northings)) {
        geo.geoReferenceData.northings = northings;
        geo.surveyPointPosition.y = -northings;
    }
    if (IsGiven(height)) {
        geo.geoReferenceData.orthogonalHeight = height;
        geo.surveyPointPosition.z = -height;
    }
    if (geo.geoReferenceData.name.IsEmpty())
        geo.geoReferenceData.name = GS::UniString(DefaultCrsName);

    const GSErrCode writeResult = Host::SetGeoLocation(&geo);

    // The site goes back even when the geo-location was refused: altitude and position stand on their own.
    API_PlaceInfo site = geo.placeInfo;
    if (IsGiven(height))
        site.altitude = height;
    if ((IsGiven(latitude) || IsGiven(longitude)) && std::isfinite(latitude) && std::isfinite(longitude)) {
        site.latitude = latitude;
        site.longitude = longitude;
    }
    Host::SetSiteLocation(&site);

    return writeResult;
}

API_Coord GetOriginOffset(GS::UniString* diagnostics)
{
    API_Coord offset{0.0, 0.0};
    if (Host::GetOriginOffset(&offset) != NoError)
        offset = API_Coord{0.0, 0.0};

    if (diagnostics != nullptr && (offset.x != 0.0 || offset.y != 0.0))
        diagnostics->Append(GS::UniString::Printf("ofs=(%.3f, %.3f) ", offset.x, offset.y));
    return offset;
}

namespace Bridge {

JSRef GetSurveyPoint(JSRef)
{
    return TextReply(ReadSurveyPoint());
}

JSRef SetSurveyPoint(JSRef parameter)
{
    const JSArgs args = ArgumentList(parameter);
    const double eastings = NumberArgument(args, 0);
    const double northings = NumberArgument(args, 1);
    const double height = NumberArgument(args, 2);
    const bool apply = NumberArgument(args, 3) > 0.5;
    const double latitude = NumberArgument(args, 4);
    const double longitude = NumberArgument(args, 5);
    return BoolReply(WriteSurveyPoint(eastings, northings, height, apply, latitude, longitude) == NoError);
}

}  // namespace Bridge
