// Geo-location, site location and the project-origin offset.

#include <cmath>

#include "project/Project.hpp"

namespace sim {

namespace {

bool Finite(std::initializer_list<double> values)
{
    for (double value : values) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    return true;
}

bool FiniteSite(const API_PlaceInfo& site)
{
    return Finite({site.longitude, site.latitude, site.altitude, site.north});
}

}  // namespace

GSErrCode Project::GetGeoLocation(API_GeoLocation* geoLocation)
{
    if (geoLocation == nullptr) {
        return APIERR_BADPARS;
    }
    GetSiteLocation(&geoLocation->placeInfo);
    geoLocation->surveyPointPosition = {model.surveyPoint[0], model.surveyPoint[1], model.surveyPoint[2]};
    API_GeoReferenceData& data = geoLocation->geoReferenceData;
    GS::UniString* texts[6] = {&data.name,          &data.description,   &data.geodeticDatum,
                               &data.verticalDatum, &data.mapProjection, &data.mapZone};
    for (int i = 0; i < 6; ++i) {
        *texts[i] = GS::UniString(model.crs[i].c_str(), CC_UTF8);
    }
    const auto& reference = model.geoReference;
    data.eastings = reference[0];
    data.northings = reference[1];
    data.orthogonalHeight = reference[2];
    data.scale = reference[3];
    data.xAxisAbscissa = reference[4];
    data.xAxisOrdinate = reference[5];
    return NoError;
}

GSErrCode Project::SetGeoLocation(const API_GeoLocation* geoLocation)
{
    if (geoLocation == nullptr) {
        return APIERR_BADPARS;
    }
    const API_Coord3D& point = geoLocation->surveyPointPosition;
    const API_GeoReferenceData& reference = geoLocation->geoReferenceData;
    if (!FiniteSite(geoLocation->placeInfo) || !Finite({point.x, point.y, point.z}) ||
        !Finite({reference.eastings, reference.northings, reference.orthogonalHeight, reference.scale, reference.xAxisAbscissa,
                 reference.xAxisOrdinate})) {
        return APIERR_BADPARS;
    }
    const GeoState before = Geo();
    const API_PlaceInfo& site = geoLocation->placeInfo;
    model.longitude = site.longitude;
    model.latitude = site.latitude;
    model.altitude = site.altitude;
    model.north = site.north;
    model.surveyPoint = {point.x, point.y, point.z};
    model.geoReference = {reference.eastings,     reference.northings,     reference.orthogonalHeight,
                          reference.scale,        reference.xAxisAbscissa, reference.xAxisOrdinate};
    const GS::UniString* texts[6] = {&reference.name,          &reference.description,
                                     &reference.geodeticDatum, &reference.verticalDatum,
                                     &reference.mapProjection, &reference.mapZone};
    for (int i = 0; i < 6; ++i) {
        model.crs[i] = texts[i]->ToUtf8();
    }
    RecordGeo(before);
    return NoError;
}

GSErrCode Project::GetSiteLocation(API_PlaceInfo* siteLocation)
{
    if (siteLocation == nullptr) {
        return APIERR_BADPARS;
    }
    siteLocation->longitude = model.longitude;
    siteLocation->latitude = model.latitude;
    siteLocation->altitude = model.altitude;
    siteLocation->north = model.north;
    return NoError;
}

GSErrCode Project::SetSiteLocation(const API_PlaceInfo* siteLocation)
{
    if (siteLocation == nullptr || !FiniteSite(*siteLocation)) {
        return APIERR_BADPARS;
    }
    const GeoState before = Geo();
    model.longitude = siteLocation->longitude;
    model.latitude = siteLocation->latitude;
    model.altitude = siteLocation->altitude;
    model.north = siteLocation->north;
    RecordGeo(before);
    return NoError;
}

GSErrCode Project::GetOriginOffset(API_Coord* offset)
{
    if (offset == nullptr) {
        return APIERR_BADPARS;
    }
    *offset = {model.originOffset[0], model.originOffset[1]};
    return NoError;
}

}  // namespace sim
