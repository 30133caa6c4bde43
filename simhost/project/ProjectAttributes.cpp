// Attributes by kind, and pens.

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "project/Project.hpp"

namespace sim {

namespace {

bool Enumerable(Int32 typeID)
{
    return typeID == API_LayerID || typeID == API_LinetypeID || typeID == API_FilltypeID ||
           typeID == API_CompWallID || typeID == API_MaterialID || typeID == API_BuildingMaterialID;
}

// The 8-bit name of a header, refused when it has no terminator.
bool NarrowName(const API_Attr_Head& head, std::string* name)
{
    const auto end = std::find(std::begin(head.name), std::end(head.name), '\0');
    if (end == std::end(head.name)) {
        return false;
    }
    *name = std::string(std::begin(head.name), end);
    return true;
}

bool HeadName(const API_Attr_Head& head, std::string* name)
{
    if (head.uniStringNamePtr != nullptr) {
        *name = head.uniStringNamePtr->ToUtf8();
        return true;
    }
    return NarrowName(head, name);
}

std::string TextField(const GS::uchar_t (&field)[256])
{
    const auto end = std::find(std::begin(field), std::end(field), u'\0');
    return GS::UniString(field, static_cast<UInt32>(end - std::begin(field))).ToUtf8();
}

}  // namespace

GSErrCode Project::EnumerateAttributes(API_AttrTypeID typeID, const API_AttributeVisitor& visitor)
{
    if (!Enumerable(typeID) || !visitor) {
        return APIERR_BADPARS;
    }
    const auto kind = model.attributes.find(typeID);
    if (kind == model.attributes.end()) {
        return NoError;
    }
    // A copy: the visitor may ask the host for more, even create attributes.
    const std::vector<Attribute> list = kind->second;
    for (const Attribute& attribute : list) {
        API_Attribute record{};
        record.header.typeID = typeID;
        record.header.index = ACAPI_CreateAttributeIndex(attribute.index);
        CHTruncate(attribute.name.c_str(), record.header.name, sizeof record.header.name, CC_UTF8);
        GS::UniString name(attribute.name.c_str(), CC_UTF8);
        if (!attribute.extra.value("narrowNameOnly", false)) {
            record.header.uniStringNamePtr = &name;
        }
        if (typeID == API_MaterialID && attribute.extra.contains("rgb")) {
            const auto& rgb = attribute.extra["rgb"];
            record.material.surfaceRGB = {rgb.at(0).get<double>(), rgb.at(1).get<double>(), rgb.at(2).get<double>()};
        }
        visitor(record);
    }
    return NoError;
}

GSErrCode Project::GetAttributeByName(API_Attr_Head* head)
{
    std::string name;
    if (head == nullptr || !Enumerable(head->typeID) || !HeadName(*head, &name)) {
        return APIERR_BADPARS;
    }
    const Attribute* attribute = FindAttributeByName(head->typeID, name);
    if (name.empty() || attribute == nullptr) {
        return APIERR_BADNAME;
    }
    head->index = ACAPI_CreateAttributeIndex(attribute->index);
    return NoError;
}

GSErrCode Project::CreateAttribute(API_Attribute* attribute, API_AttributeDefExt* /*defs*/,
                                   const GS::UniString& /*folder*/)
{
    if (attribute == nullptr) {
        return APIERR_BADPARS;
    }
    const Int32 typeID = attribute->header.typeID;
    if (typeID != API_LayerID && typeID != API_MaterialID) {
        return APIERR_BADPARS;
    }
    Attribute created;
    if (!HeadName(attribute->header, &created.name)) {
        return APIERR_BADPARS;
    }
    if (created.name.empty()) {
        return APIERR_BADNAME;
    }
    if (const Attribute* existing = FindAttributeByName(typeID, created.name)) {
        attribute->header.index = ACAPI_CreateAttributeIndex(existing->index);
        return APIERR_NAMEALREADYUSED;
    }
    if (typeID == API_MaterialID) {
        const API_MaterialType& surface = attribute->material;
        const API_Texture& texture = surface.texture;
        const API_RGBColor& rgb = surface.surfaceRGB;
        if (!std::isfinite(rgb.f_red) || !std::isfinite(rgb.f_green) || !std::isfinite(rgb.f_blue) ||
            !std::isfinite(texture.xSize) || !std::isfinite(texture.ySize) || !std::isfinite(texture.rotAng)) {
            return APIERR_BADPARS;
        }
        created.extra = {{"mtype", surface.mtype},
                         {"ambient", surface.ambientPc},
                         {"diffuse", surface.diffusePc},
                         {"specular", surface.specularPc},
                         {"transparency", surface.transpPc},
                         {"rgb", {rgb.f_red, rgb.f_green, rgb.f_blue}}};
        if (texture.fileLoc != nullptr) {
            const std::string file = texture.fileLoc->ToFileSystemPath();
            std::error_code error;
            if (file.empty() || !std::filesystem::is_regular_file(file, error) || !IsLibraryFolder(file)) {
                return APIERR_BADPARS;
            }
            created.extra["texture"] = {{"name", TextField(texture.texName)},
                                        {"file", file},
                                        {"sizeX", texture.xSize},
                                        {"sizeY", texture.ySize},
                                        {"rotAng", texture.rotAng},
                                        {"status", texture.status}};
        }
    } else {
        const API_LayerType& layer = attribute->layer;
        if (layer.locked || layer.hidden || layer.wireframe) {
            created.extra = {{"locked", layer.locked}, {"hidden", layer.hidden}, {"wireframe", layer.wireframe}};
        }
    }
    std::vector<Attribute>& list = model.attributes[typeID];
    Int32 highest = 0;
    for (const Attribute& other : list) {
        highest = std::max(highest, other.index);
    }
    if (!inCommand) {
        // Inside a command it cannot meet a held one: the command either clears what can be redone or is rolled back.
        const auto held = heldAttributeIndex.find(typeID);
        if (held != heldAttributeIndex.end()) {
            highest = std::max(highest, held->second);
        }
    }
    created.index = highest + 1;
    attribute->header.index = ACAPI_CreateAttributeIndex(created.index);
    Record(AttributeMade{typeID, created.index, list.size(), std::nullopt});
    list.push_back(std::move(created));
    return NoError;
}

GSErrCode Project::GetPenCount(UInt32* count)
{
    if (count == nullptr) {
        return APIERR_BADPARS;
    }
    *count = static_cast<UInt32>(pens.size());
    return NoError;
}

GSErrCode Project::GetPen(API_Pen* pen)
{
    if (pen == nullptr) {
        return APIERR_BADPARS;
    }
    const auto found =
        std::find_if(pens.begin(), pens.end(), [pen](const Pen& candidate) { return candidate.index == pen->index; });
    if (found == pens.end()) {
        return APIERR_BADINDEX;
    }
    pen->rgb = {found->rgb[0], found->rgb[1], found->rgb[2]};
    pen->width = 0.18;
    return NoError;
}

}  // namespace sim
