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

constexpr GSErrCode APIErrorStart = static_cast<GSErrCode>(0x81060000);

constexpr GSErrCode APIERR_GENERAL = static_cast<GSErrCode>(0x81060001);
constexpr GSErrCode APIERR_MEMFULL = static_cast<GSErrCode>(0x81060002);       // memory cannot be allocated
constexpr GSErrCode APIERR_CANCEL = static_cast<GSErrCode>(0x81060003);
constexpr GSErrCode APIERR_BADID = static_cast<GSErrCode>(0x81060065);         // no such identifier (element, database)
constexpr GSErrCode APIERR_BADINDEX = static_cast<GSErrCode>(0x81060066);      // no such index (attribute, pen, story)
constexpr GSErrCode APIERR_BADNAME = static_cast<GSErrCode>(0x81060067);       // no such name
constexpr GSErrCode APIERR_BADPARS = static_cast<GSErrCode>(0x81060068);       // bad parameters
constexpr GSErrCode APIERR_BADDATABASE = static_cast<GSErrCode>(0x8106006A);   // the operation needs another database
constexpr GSErrCode APIERR_IRREGULARPOLY = static_cast<GSErrCode>(0x81060072);  // irregular polygon
constexpr GSErrCode APIERR_NAMEALREADYUSED = static_cast<GSErrCode>(0x810600E4);
constexpr GSErrCode APIERR_NOTINIT = static_cast<GSErrCode>(0x81060385);
constexpr GSErrCode APIERR_NOTSUPPORTED = static_cast<GSErrCode>(0x81060387);  // not possible here or in this state
constexpr GSErrCode APIERR_MISSINGCODE = static_cast<GSErrCode>(0x810603E9);

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

constexpr API_Guid APINULLGuid{};
static_assert(sizeof(GS::Guid) == sizeof(API_Guid));

inline API_Guid& GSGuid2APIGuid(GS::Guid& guid)
{
    return reinterpret_cast<API_Guid&>(guid);
}

inline const API_Guid& GSGuid2APIGuid(const GS::Guid& guid)
{
    return reinterpret_cast<const API_Guid&>(guid);
}

inline GS::Guid& APIGuid2GSGuid(API_Guid& guid)
{
    return reinterpret_cast<GS::Guid&>(guid);
}

inline const GS::Guid& APIGuid2GSGuid(const API_Guid& guid)
{
    return reinterpret_cast<const GS::Guid&>(guid);
}

// An attribute's place in its kind's list. Only equality and the sign are offered: indices are
// not ordered and are no numbers to compute with.
class API_AttributeIndex {
public:
    API_AttributeIndex() = default;  // records are zero-filled, which makes the invalid index

    Int32 ToInt32_Deprecated() const { return index; }
    bool IsPositive() const { return index > 0; }
    bool IsNegative() const { return index < 0; }

    bool operator==(const API_AttributeIndex& other) const { return index == other.index; }
    bool operator!=(const API_AttributeIndex& other) const { return index != other.index; }

private:
    friend constexpr API_AttributeIndex ACAPI_CreateAttributeIndex(Int32 number);
    explicit constexpr API_AttributeIndex(Int32 number) : index(number) {}

    Int32 index;
};
static_assert(sizeof(API_AttributeIndex) == sizeof(Int32));
static_assert(std::is_trivially_copyable_v<API_AttributeIndex>);
static_assert(std::is_trivially_default_constructible_v<API_AttributeIndex>);

constexpr API_AttributeIndex ACAPI_CreateAttributeIndex(Int32 number)
{
    return API_AttributeIndex(number);
}

constexpr API_AttributeIndex APIInvalidAttributeIndex = ACAPI_CreateAttributeIndex(0);
constexpr API_AttributeIndex APIApplicationLayerAttributeIndex = ACAPI_CreateAttributeIndex(1);
constexpr API_AttributeIndex APISolidLineAttributeIndex = ACAPI_CreateAttributeIndex(1);

// ---------------------------------------------------------------------------------------------
// Entry points and registration

enum API_AddonType : Int32 {
    APIAddon_DontRegister = 0,
    APIAddon_Normal = 1,
    APIAddon_Preload = 2,
    APIAddon_Unknown = 9999
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

enum APIMenuCodeID : Int32 { MenuCode_UserDef = 0, MenuCode_Palettes = 12 };

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

// The views in which a palette stays enabled.
constexpr GSFlags API_PalEnabled_FloorPlan = 0x00000001;
constexpr GSFlags API_PalEnabled_Section = 0x00000002;
constexpr GSFlags API_PalEnabled_3D = 0x00000004;
constexpr GSFlags API_PalEnabled_Detail = 0x00000010;
constexpr GSFlags API_PalEnabled_Layout = 0x00000020;
constexpr GSFlags API_PalEnabled_Worksheet = 0x00000040;
constexpr GSFlags API_PalEnabled_Elevation = 0x00000080;
constexpr GSFlags API_PalEnabled_InteriorElevation = 0x00000100;
constexpr GSFlags API_PalEnabled_DocumentFrom3D = 0x00000200;

using APIPaletteControlCallBackProc = GSErrCode(Int32 referenceID, API_PaletteMessageID messageID, GS::IntPtr param);

enum API_NotifyEventID : Int32 {
    APINotify_New = 1,
    APINotify_NewAndReset = 2,
    APINotify_Open = 4,
    APINotify_PreSave = 8,
    APINotify_Save = 16,
    APINotify_Close = 32,
    APINotify_Quit = 64
};

using APIProjectEventHandlerProc = GSErrCode(API_NotifyEventID notifID, Int32 param);

// ---------------------------------------------------------------------------------------------
// Geo-location

struct API_PlaceInfo {
    Int32 reserved0[4];
    double longitude;
    double latitude;
    double altitude;  // metres
    double north;     // radians
    double reserved1[5];
};
static_assert(sizeof(API_PlaceInfo) == 88);

struct API_GeoReferenceData {
    GS::UniString name;  // the coordinate reference system
    GS::UniString description;
    GS::UniString geodeticDatum;
    GS::UniString verticalDatum;
    GS::UniString mapProjection;
    GS::UniString mapZone;
    double eastings;
    double northings;
    double orthogonalHeight;
    double xAxisAbscissa;
    double xAxisOrdinate;
    double scale;
};

struct API_GeoLocation {
    API_PlaceInfo placeInfo;
    API_Coord3D surveyPointPosition;  // project frame
    API_GeoReferenceData geoReferenceData;
};

// ---------------------------------------------------------------------------------------------
// Databases (views)

enum API_DatabaseTypeID : Int32 {
    APIWind_FloorPlanID = 1,
    APIWind_SectionID = 2,
    APIWind_DetailID = 3,
    APIWind_LayoutID = 5,
    APIWind_3DModelID = 4,
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
    short floorId;
    bool dispOnSections;
    bool reserved0;
    Int16 reserved1;
    double level;
    GS::uchar_t uName[256];
    Int32 reserved2[4];
};
static_assert(sizeof(API_StoryType) == 544);
static_assert(offsetof(API_StoryType, uName) == 16);

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
    short flags;
    short reserved0[3];
    char name[256];  // 8-bit, default character code
    API_Guid guid;
    UInt64 reserved1;
    GS::UniString* uniStringNamePtr;  // a Unicode name; preferred over `name` when not null
};

struct API_LayerType {
    API_Attr_Head head;
    Int32 conClassId;
    bool locked;
    bool hidden;
    bool wireframe;
    bool reserved;
};

// Texture status flags.
constexpr Int16 APITxtr_DiffusePattern = 0x0020;
constexpr Int16 APITxtr_SpecularPattern = 0x0040;
constexpr Int16 APITxtr_AmbientPattern = 0x0080;
constexpr Int16 APITxtr_SurfacePattern = 0x0100;
constexpr Int16 APITxtr_LinkMat = 0x1000;

struct API_Texture {
    IO::Location* fileLoc;  // the texture file
    GS::uchar_t texName[256];
    Int16 status;
    UInt16 reserved0;
    Int32 reserved1;
    double xSize;  // metres one copy covers
    double ySize;
    double rotAng;
    double reserved2[4];
};

enum API_MaterTypeID : Int32 { APIMater_MatteID = 2 };

struct API_MaterialType {
    API_Attr_Head head;
    API_MaterTypeID mtype;
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

struct API_Pen {
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

// An optional value: assigning a value sets it, assigning APINullValue clears it.
struct APINullValueType {};
constexpr APINullValueType APINullValue{};

template <typename T>
struct APIOptional {
    bool hasValue;
    T value;

    APIOptional& operator=(const T& newValue)
    {
        hasValue = true;
        value = newValue;
        return *this;
    }
    APIOptional& operator=(APINullValueType)
    {
        hasValue = false;
        value = T{};
        return *this;
    }
};

using API_OverriddenAttribute = APIOptional<API_AttributeIndex>;

struct API_ExtendedPenType {
    Int16 penIndex;
    Int16 colorOverridePenIndex;
};

struct API_PolyLineType {
    API_Elem_Head head;
    API_ExtendedPenType linePen;
    API_AttributeIndex ltypeInd;
    API_Polygon poly;
};

enum API_AnchorID : Int32 {
    APIAnc_LT = 0,
    APIAnc_MT = 1,
    APIAnc_RT = 2,
    APIAnc_LM = 3,
    APIAnc_MM = 4,
    APIAnc_RM = 5,
    APIAnc_LB = 6,
    APIAnc_MB = 7,
    APIAnc_RB = 8
};

struct API_TextType {
    API_Elem_Head head;
    Int16 pen;
    Int16 reserved0;
    API_AnchorID anchor;
    API_Coord loc;
    double size;   // mm on paper
    double angle;  // radians
    bool nonBreaking;
    bool reserved1[7];
};

// The Windows host's depths; the macOS host numbers those above 4 otherwise.
enum API_ColorDepthID : Int32 {
    APIColorDepth_FromSourceImage = -1,
    APIColorDepth_BW = 0,
    APIColorDepth_16C = 1,
    APIColorDepth_256C = 2,
    APIColorDepth_16G = 3,
    APIColorDepth_256G = 4,
    APIColorDepth_64KC = 5,
    APIColorDepth_TC24 = 6,
    APIColorDepth_TC32 = 7
};

enum API_PictureFormat : Int32 {
    APIPictForm_Default = 0,
    APIPictForm_Bitmap = 1,
    APIPictForm_GIF = 2,
    APIPictForm_TIFF = 3,
    APIPictForm_JPEG = 4,
    APIPictForm_PNG = 5
};

struct API_PictureType {
    API_Elem_Head head;
    bool mirrored;
    bool usePixelSize;
    short pixelSizeX;
    short pixelSizeY;
    bool transparent;
    bool anchorLocked;

    double rotAngle;
    API_Box destBox;     // first x, first y, second x, second y
    API_ColorDepthID colorDepth;
    API_PictureFormat storageFormat;
    GS::uchar_t pictName[256];
    char mime[128];
};
static_assert(offsetof(API_PictureType, transparent) == sizeof(API_Elem_Head) + 6);

struct API_MeshLevel {
    Int32 nSubLines;
    Int32 nCoords;
};

struct API_MeshType {
    API_Elem_Head head;
    Int16 skirt;  // 1: skirt down to skirtLevel below the mesh
    Int16 reserved0;
    API_OverriddenAttribute topMat;
    API_OverriddenAttribute sideMat;
    API_OverriddenAttribute botMat;
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
#if defined(LANDFETCH_API_VERSION) && LANDFETCH_API_VERSION < 28
    char** textContent;               // zero-terminated UTF-8 in a handle, killed with the memo
#else
    GS::UniString* textContent;       // owned by the memo (deleted with it)
#endif
    char** pictHdl;                   // image file bytes
    Int64 reserved[4];
};

#ifndef LANDFETCH_API_VERSION
// Host side: the memo of a module built for host API 27, whose text is a handle. A host reads a
// module's memo in the layout of the module's version only.
struct API_ElementMemo27 {
    API_Coord** coords;
    Int32** pends;
    double** meshPolyZ;
    API_MeshLevelCoord** meshLevelCoords;
    Int32** meshLevelEnds;
    char** textContent;  // zero-terminated UTF-8
    char** pictHdl;
    Int64 reserved[4];
};
static_assert(sizeof(API_ElementMemo27) == sizeof(API_ElementMemo));
static_assert(offsetof(API_ElementMemo27, textContent) == offsetof(API_ElementMemo, textContent));
static_assert(offsetof(API_ElementMemo27, pictHdl) == offsetof(API_ElementMemo, pictHdl));
static_assert(offsetof(API_ElementMemo27, reserved) == offsetof(API_ElementMemo, reserved));
#endif

constexpr UInt64 APIMemoMask_Polygon = 1;
constexpr UInt64 APIMemoMask_All = ~UInt64(0);

// ---------------------------------------------------------------------------------------------
// Project, folders, libraries, autotexts

// The host fills the pointers; the record owns them and deletes them with itself.
struct API_ProjectInfo {
    bool untitled = false;
    bool teamwork = false;
    Int16 reserved0 = 0;
    Int32 reserved1 = 0;
    IO::Location* location = nullptr;  // the project file; null when untitled
    IO::Location* location_team = nullptr;
    GS::UniString* projectPath = nullptr;
    GS::UniString* projectName = nullptr;
    Int64 reserved2[4] = {};

    API_ProjectInfo() = default;
    API_ProjectInfo(const API_ProjectInfo&) = delete;
    API_ProjectInfo& operator=(const API_ProjectInfo&) = delete;
    ~API_ProjectInfo()
    {
        delete location;
        delete location_team;
        delete projectPath;
        delete projectName;
    }
};

enum API_SpecFolderID : Int32 {
    API_ApplicationPrefsFolderID = 1,
    API_UserDocumentsFolderID = 6,
    API_TemporaryFolderID = 7,
    API_ApplicationFolderID = 8
};

enum API_LibraryTypeID : Int32 {
    API_Undefined = 0,
    API_LocalLibrary = 1,
    API_UrlLibrary = 2,
    API_BuiltInLibrary = 3,
    API_EmbeddedLibrary = 4,
    API_ServerLibrary = 7
};

struct API_LibraryInfo {
    IO::Location location;
    GS::UniString name;
    API_LibraryTypeID libraryType;
    bool readOnly;
};

enum API_AutotextType : Int32 { APIAutoText_Fixed = 1, APIAutoText_Custom = 2, APIAutoText_Other = 4 };

using API_AutoTextList = GS::Array<GS::ArrayFB<GS::UniString, 3>>;

// The body of an undoable command; its result becomes the command's.
using API_CommandBody = std::function<GSErrCode()>;
using API_AttributeVisitor = std::function<void(API_Attribute&)>;
