#pragma once

// The host API's records, codes and entry-point types, shared by the host and its add-ons.
// Records are plain data: callers zero-fill them before use.

#include <cstring>
#include <functional>
#include <type_traits>

#include "GSRoot.hpp"
#include "Location.hpp"

// ---------------------------------------------------------------------------------------------
// Result codes

constexpr GSErrCode APIERR_GENERAL = static_cast<GSErrCode>(0x81060000);
constexpr GSErrCode APIERR_NOTINIT = static_cast<GSErrCode>(0x81060001);       // called before the function table arrived
constexpr GSErrCode APIERR_MEMFULL = static_cast<GSErrCode>(0x81060002);       // memory cannot be allocated
constexpr GSErrCode APIERR_BADPARS = static_cast<GSErrCode>(0x81060003);       // bad parameters
constexpr GSErrCode APIERR_BADINDEX = static_cast<GSErrCode>(0x81060004);      // no such index (attribute, pen, story)
constexpr GSErrCode APIERR_BADNAME = static_cast<GSErrCode>(0x81060005);       // no such name
constexpr GSErrCode APIERR_BADID = static_cast<GSErrCode>(0x81060006);         // no such identifier (element, database)
constexpr GSErrCode APIERR_BADDATABASE = static_cast<GSErrCode>(0x81060007);   // the operation needs another database
constexpr GSErrCode APIERR_NOTSUPPORTED = static_cast<GSErrCode>(0x81060008);  // not possible in this state
constexpr GSErrCode APIERR_IRREGULARPOLY = static_cast<GSErrCode>(0x81060068);  // too few points or vertices
constexpr GSErrCode APIERR_NAMEALREADYUSED = static_cast<GSErrCode>(0x8106012D);
constexpr GSErrCode APIERR_CANCEL = static_cast<GSErrCode>(0x81060130);
constexpr GSErrCode APIERR_MISSINGCODE = static_cast<GSErrCode>(0x81060387);  // operation missing from the table

// ---------------------------------------------------------------------------------------------
// Basic records

struct API_Coord {
    double x;
    double y;
};

struct API_Coord3D {
    double x;
    double y;
    double z;
};

struct API_Box {
    double xMin;
    double yMin;
    double xMax;
    double yMax;
};

struct API_RGBColor {
    double f_red;
    double f_green;
    double f_blue;
};

struct API_Guid {
    UInt32 time_low;
    UInt16 time_mid;
    UInt16 time_hi_and_version;
    UInt8 clock_seq_hi_and_reserved;
    UInt8 clock_seq_low;
    UInt8 node[6];

    bool operator==(const API_Guid& other) const { return std::memcmp(this, &other, sizeof(API_Guid)) == 0; }
    bool operator!=(const API_Guid& other) const { return !(*this == other); }
};
static_assert(sizeof(API_Guid) == 16);

inline API_Guid GSGuid2APIGuid(const GS::Guid& guid)
{
    UInt8 binary[16];
    guid.GetBinary(binary);
    API_Guid result;
    std::memcpy(&result, binary, sizeof result);
    return result;
}

inline GS::Guid APIGuid2GSGuid(const API_Guid& guid)
{
    UInt8 binary[16];
    std::memcpy(binary, &guid, sizeof binary);
    return GS::Guid(binary);
}

inline bool IsNullGuid(const API_Guid& guid)
{
    return guid == API_Guid{};
}

using API_AttributeIndex = Int32;

// ---------------------------------------------------------------------------------------------
// Entry points and registration

enum API_AddonType : Int32 {
    APIAddon_Unknown = 0,
    APIAddon_DontRegister = 1,
    APIAddon_Preload = 2,
    APIAddon_Normal = 3
};

struct API_AddOnInfo {
    GS::UniString name;
    GS::UniString description;
};

struct API_EnvirParams {
    API_AddOnInfo addOnInfo;
    Int32 serverApplication;
    Int32 applicationVersion;
};

// ---------------------------------------------------------------------------------------------
// Menus, palettes, project events

struct API_MenuItemRef {
    Int16 menuResID;
    Int16 reserved0;
    Int32 itemIndex;
    Int32 reserved1[2];
};
static_assert(sizeof(API_MenuItemRef) == 16);
static_assert(offsetof(API_MenuItemRef, itemIndex) == 4);

constexpr GSFlags API_MenuItemDisabled = 1;
constexpr GSFlags API_MenuItemChecked = 2;

enum API_MenuCodeID : Int32 { MenuCode_UserDef = 12 };

struct API_MenuParams {
    API_MenuItemRef menuItemRef;
    Int32 reserved[4];
};

using APIMenuCommandProc = GSErrCode(const API_MenuParams* menuParams);

enum API_PaletteMessageID : Int32 {
    APIPalMsg_ClosePalette = 1,
    APIPalMsg_HidePalette_Begin = 2,
    APIPalMsg_HidePalette_End = 3,
    APIPalMsg_DisableItems_Begin = 4,
    APIPalMsg_DisableItems_End = 5,
    APIPalMsg_OpenPalette = 6,
    APIPalMsg_IsPaletteVisible = 7
};

using APIPaletteControlCallBackProc = GSErrCode(Int32 referenceID, API_PaletteMessageID messageID, GS::IntPtr param);

enum API_NotifyEventID : Int32 {
    APINotify_New = 1,
    APINotify_NewAndReset = 2,
    APINotify_Open = 4,
    APINotify_PreSave = 8,
    APINotify_Close = 16,
    APINotify_Quit = 32
};

using APIProjectEventHandlerProc = GSErrCode(API_NotifyEventID notifID, Int32 param);

// ---------------------------------------------------------------------------------------------
// Geo-location

struct API_SiteLocation {
    Int32 reserved0[4];
    double longitude;
    double latitude;
    double altitude;  // metres
    double north;     // radians
    double reserved1[5];
};
static_assert(sizeof(API_SiteLocation) == 88);

struct API_GeoReference {
    double eastings;
    double northings;
    double height;
    double scale;
    double xAxisAbscissa;
    double xAxisOrdinate;
};

struct API_GeoLocation {
    API_SiteLocation site;
    API_Coord3D surveyPoint;  // project frame
    GS::UniString crsName;
    GS::UniString description;
    GS::UniString geodeticDatum;
    GS::UniString verticalDatum;
    GS::UniString mapProjection;
    GS::UniString mapZone;
    API_GeoReference geoReference;
};

// ---------------------------------------------------------------------------------------------
// Databases (views)

enum API_DatabaseTypeID : Int32 {
    APIWind_FloorPlanID = 1,
    APIWind_SectionID = 2,
    APIWind_DetailID = 3,
    APIWind_LayoutID = 5,
    APIWind_3DModelID = 8,
    APIWind_WorksheetID = 12
};

struct API_DatabaseUnId {
    API_Guid elemSetId;

    bool operator==(const API_DatabaseUnId& other) const { return elemSetId == other.elemSetId; }
};
static_assert(sizeof(API_DatabaseUnId) == 16);

struct API_DatabaseInfo {
    API_DatabaseTypeID typeID;
    Int32 index;
    API_DatabaseUnId databaseUnId;
    GS::uchar_t name[256];
    GS::uchar_t ref[256];
    Int32 reserved[8];
};

// ---------------------------------------------------------------------------------------------
// Stories

// One story entry: 544 bytes, the index first, the name as zero-terminated UTF-16.
struct API_StoryType {
    Int16 index;
    Int16 reserved0;
    Int32 floorId;
    double level;
    double dispOnSections;
    double reserved1;
    GS::uchar_t uName[256];
};
static_assert(sizeof(API_StoryType) == 544);

struct API_StoryInfo {
    Int16 firstStory;
    Int16 lastStory;
    Int16 actStory;
    Int16 reserved0;
    API_StoryType** data;  // a handle of entries; the caller kills it with BMKillHandle
    Int32 reserved1[4];
};

// ---------------------------------------------------------------------------------------------
// Attributes and pens

enum API_AttrTypeID : Int32 {
    API_ZombieAttrID = 0,
    API_LayerID = 1,
    API_LinetypeID = 2,
    API_FilltypeID = 3,
    API_CompWallID = 4,
    API_MaterialID = 5,  // surfaces
    API_BuildingMaterialID = 12
};

struct API_Attr_Head {
    API_AttrTypeID typeID;
    API_AttributeIndex index;
    GSFlags flags;
    Int32 reserved0;
    char name[256];  // 8-bit, default character code
    GS::UniString* uniStringNamePtr;  // a Unicode name; preferred over `name` when not null
    API_Guid guid;
};

struct API_LayerType {
    API_Attr_Head head;
    Int32 conClassId;
    bool locked;
    bool hidden;
    bool wireframe;
    bool reserved;
};

struct API_Texture {
    IO::Location* fileLoc;  // the texture file
    GS::uchar_t texName[256];
    UInt16 status;
    UInt16 reserved0;
    Int32 reserved1;
    double xSize;  // metres one copy covers
    double ySize;
    double rotAng;
    double reserved2[4];
};

struct API_MaterialType {
    API_Attr_Head head;
    Int32 mtype;      // surface type code
    Int16 ambientPc;  // percentages
    Int16 diffusePc;
    Int16 specularPc;
    Int16 transpPc;
    API_RGBColor surfaceRGB;
    API_Texture texture;
    Int32 reserved[8];
};

struct API_LinetypeType {
    API_Attr_Head head;
    double defineScale;
    Int32 reserved[4];
};

struct API_BuildingMaterialType {
    API_Attr_Head head;
    API_AttributeIndex cutFill;
    Int32 reserved[4];
};

union API_Attribute {
    API_Attr_Head header;
    API_LayerType layer;
    API_LinetypeType linetype;
    API_MaterialType material;
    API_BuildingMaterialType buildingMaterial;
};
static_assert(std::is_trivially_copyable_v<API_Attribute>);

struct API_AttributeDefExt {
    Int32 reserved[4];
};

struct API_PenType {
    Int16 index;
    Int16 reserved0;
    Int32 reserved1;
    API_RGBColor rgb;  // 0..1 each
    double width;
};

// ---------------------------------------------------------------------------------------------
// Elements

enum API_ElemTypeID : Int32 {
    API_ZombieElemID = 0,
    API_MeshID = 10,
    API_TextID = 15,
    API_PolyLineID = 20,
    API_PictureID = 31
};

using API_ElemVariationID = Int32;

struct API_ElemType {
    API_ElemTypeID typeID;
    API_ElemVariationID variationID;
};

struct API_Elem_Head {
    API_ElemType type;
    API_Guid guid;
    Int16 floorInd;  // story
    Int16 reserved0;
    API_AttributeIndex layer;
    Int32 reserved1[4];
};

struct API_Polygon {
    Int32 nCoords;
    Int32 nSubPolys;
    Int32 nArcs;
};

struct API_OverriddenAttribute {
    bool overridden;
    API_AttributeIndex attributeIndex;
};

struct API_PolyLineType {
    API_Elem_Head head;
    Int16 pen;
    Int16 reserved0;
    API_AttributeIndex ltypeInd;
    API_Polygon poly;
};

struct API_TextType {
    API_Elem_Head head;
    Int16 pen;
    Int16 reserved0;
    Int32 anchor;  // 1..9, 4 is the left middle
    API_Coord loc;
    double size;   // mm on paper
    double angle;  // radians
    bool nonBreaking;
    bool reserved1[7];
};

struct API_PictureType {
    API_Elem_Head head;
    bool mirrored;  // the leading 16 bits
    bool anchorLocked;
    bool transparent;
    bool reserved0;
    Int32 reserved1;
    double rotAngle;
    API_Box destBox;     // first x, first y, second x, second y
    Int32 colorDepth;    // 6: true colour
    Int32 storageFormat; // 4: JPEG, 5: PNG
    GS::uchar_t pictName[256];
    char mimeType[128];
};
static_assert(offsetof(API_PictureType, transparent) == sizeof(API_Elem_Head) + 2);

struct API_MeshLevel {
    Int32 nSubLines;
    Int32 nCoords;
};

struct API_MeshType {
    API_Elem_Head head;
    Int16 skirt;  // 1: skirt down to skirtLevel below the mesh
    Int16 reserved0;
    API_OverriddenAttribute oTopMat;
    API_OverriddenAttribute oSideMat;
    API_OverriddenAttribute oBotMat;
    bool materialsChained;
    bool reserved1;
    bool reserved2;
    bool option;  // a host option; the add-on only switches it off on request
    API_AttributeIndex buildingMaterial;
    double level;
    double skirtLevel;  // depth of the skirt below the level
    API_Polygon poly;
    API_MeshLevel levelLines;
};
static_assert(offsetof(API_MeshType, option) == offsetof(API_MeshType, materialsChained) + 3);
static_assert(offsetof(API_MeshType, skirtLevel) == offsetof(API_MeshType, level) + sizeof(double));

union API_Element {
    API_Elem_Head header;
    API_PolyLineType polyLine;
    API_TextType text;
    API_PictureType picture;
    API_MeshType mesh;
};
static_assert(std::is_trivially_copyable_v<API_Element>);

struct API_MeshLevelCoord {
    API_Coord3D c;
    Int32 vertexID;
    Int32 reserved;
};
static_assert(sizeof(API_MeshLevelCoord) == 32);

// Element data that does not fit a record: handles owned by the memo, and a text.
struct API_ElementMemo {
    API_Coord** coords;               // entry 0 unused; entries 1..nCoords
    Int32** pends;                    // contour ends: 0, then the last coordinate of each contour
    double** meshPolyZ;               // heights of the polygon vertices, entry 0 unused
    API_MeshLevelCoord** meshLevelCoords;
    Int32** meshLevelEnds;
    GS::UniString* textContent;       // owned by the memo (delete on dispose)
    char** pictHdl;                   // image file bytes
    Int64 reserved[4];
};

constexpr UInt64 APIMemoMask_Polygon = 1;
constexpr UInt64 APIMemoMask_All = ~UInt64(0);

// ---------------------------------------------------------------------------------------------
// Project, folders, libraries, autotexts

struct API_ProjectInfo {
    bool untitled;
    bool teamwork;
    Int16 reserved0;
    Int32 reserved1;
    IO::Location* location;       // the project file; null when untitled
    IO::Location* location_team;
    GS::UniString* projectPath;
    GS::UniString* projectName;
    Int64 reserved2[4];
};

enum API_SpecFolderID : Int32 {
    API_ApplicationFolderID = 1,
    API_UserDocumentsFolderID = 6,
    API_TemporaryFolderID = 7
};

enum API_LibraryTypeID : Int32 {
    API_Undefined = 0,
    API_LocalLibrary = 1,
    API_ServerLibrary = 2,
    API_BuiltInLibrary = 3,
    API_EmbeddedLibrary = 4
};

struct API_LibraryInfo {
    IO::Location location;
    GS::UniString name;
    API_LibraryTypeID libraryType;
    bool readOnly;
};

enum API_AutotextsTypeID : Int32 { APIAutoText_Custom = 7 };

using API_AutoTextList = GS::Array<GS::ArrayFB<GS::UniString, 3>>;

// The body of an undoable command; its result becomes the command's.
using API_CommandBody = std::function<GSErrCode()>;
using API_AttributeVisitor = std::function<void(API_Attribute&)>;
