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

bool FiniteSite(const API_SiteLocation& site)
{
    return Finite({site.longitude, site.latitude, site.altitude, site.north});
}

}  // namespace

GSErrCode Project::GetGeoLocation(API_GeoLocation* geoLocation)
{
    if (geoLocation == nullptr) {
        return APIERR_BADPARS;
    }
    GetSiteLocation(&geoLocation->site);
    geoLocation->surveyPoint = {model.surveyPoint[0], model.surveyPoint[1], model.surveyPoint[2]};
    GS::UniString* texts[6] = {&geoLocation->crsName,       &geoLocation->description,   &geoLocation->geodeticDatum,
                               &geoLocation->verticalDatum, &geoLocation->mapProjection, &geoLocation->mapZone};
    for (int i = 0; i < 6; ++i) {
        *texts[i] = GS::UniString(model.crs[i].c_str(), CC_UTF8);
    }
    const auto& reference = model.geoReference;
    geoLocation->geoReference = {reference[0], reference[1], reference[2], reference[3], reference[4], reference[5]};
    return NoError;
}

GSErrCode Project::SetGeoLocation(const API_GeoLocation* geoLocation)
{
    if (geoLocation == nullptr) {
        return APIERR_BADPARS;
    }
    const API_Coord3D& point = geoLocation->surveyPoint;
    const API_GeoReference& reference = geoLocation->geoReference;
    if (!FiniteSite(geoLocation->site) || !Finite({point.x, point.y, point.z}) ||
        !Finite({reference.eastings, reference.northings, reference.height, reference.scale, reference.xAxisAbscissa,
                 reference.xAxisOrdinate})) {
        return APIERR_BADPARS;
    }
    const GeoState before = Geo();
    const API_SiteLocation& site = geoLocation->site;
    model.longitude = site.longitude;
    model.latitude = site.latitude;
    model.altitude = site.altitude;
    model.north = site.north;
    model.surveyPoint = {point.x, point.y, point.z};
    model.geoReference = {reference.eastings,     reference.northings,     reference.height,
                          reference.scale,        reference.xAxisAbscissa, reference.xAxisOrdinate};
    const GS::UniString* texts[6] = {&geoLocation->crsName,       &geoLocation->description,
                                     &geoLocation->geodeticDatum, &geoLocation->verticalDatum,
                                     &geoLocation->mapProjection, &geoLocation->mapZone};
    for (int i = 0; i < 6; ++i) {
        model.crs[i] = texts[i]->ToUtf8();
    }
    RecordGeo(before);
    return NoError;
}

GSErrCode Project::GetSiteLocation(API_SiteLocation* siteLocation)
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

GSErrCode Project::SetSiteLocation(const API_SiteLocation* siteLocation)
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
