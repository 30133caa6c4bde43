#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <limits>

#include "OrthophotoPlacement.hpp"

#include "BoundedText.hpp"
#include "Bridge.hpp"
#include "HostInterface.hpp"
#include "TextUnits.hpp"
#include "MemoRelease.hpp"

namespace {

constexpr UInt32 PictureNameCapacity = sizeof(API_PictureType::pictName) / sizeof(GS::uchar_t);

}  // namespace

namespace Placement {

bool IsPng(const std::vector<char>& bytes)
{
    return bytes.size() >= 9 && static_cast<unsigned char>(bytes[0]) == 0x89 && bytes[1] == 'P' && bytes[2] == 'N' &&
           bytes[3] == 'G';
}

namespace {

// The picture's bytes as the placement needs them: whether there are any, their format, and the
// host handle holding exactly them (null when memory is short).
struct PictureData {
    bool empty = true;
    bool png = false;
    std::function<GSHandle()> makeHandle;
};

GSErrCode PlacePicture(const PictureData& data, double width, double height, double centerX, double centerY,
                       double scaleX, double scaleY, double shiftX, double shiftY, const GS::UniString& layerName,
                       const PlaceTarget& target, GS::UniString& diagnostics)
{
    if (data.empty)
        return APIERR_BADPARS;

    API_Element element{};
    API_ElementMemo memo{};
    MemoRelease release(memo);
    element.header.type.typeID = API_PictureID;
    const GSErrCode defaults = Host::GetElementDefaults(&element, nullptr);
    if (defaults != NoError)
        return defaults;

    if (target.floorPlan && target.storyIndex > DefaultStory)
        element.header.floorInd = target.storyIndex;

    const bool png = data.png;
    API_PictureType& picture = element.picture;
    picture.mirrored = false;
    picture.anchorLocked = false;
    picture.transparent = png;
    picture.rotAngle = 0.0;
    const double left = centerX - width * 0.5;
    const double bottom = centerY - height * 0.5;
    picture.destBox.xMin = left - shiftX;
    picture.destBox.yMin = bottom + height * scaleY - shiftY;
    picture.destBox.xMax = left + width * scaleX - shiftX;
    picture.destBox.yMax = bottom - shiftY;
    picture.colorDepth = APIColorDepth_TC24;
    picture.storageFormat = png ? APIPictForm_PNG : APIPictForm_JPEG;
    const GS::UniString pictureName(png ? "Site DTM CUZK" : "Ortofoto CUZK");
    CopyBoundedText(picture.pictName, PictureNameCapacity, pictureName);
    CHTruncate(png ? "image/png" : "image/jpeg", picture.mime, sizeof picture.mime, CC_Default);

    memo.pictHdl = data.makeHandle();
    if (memo.pictHdl == nullptr)
        return APIERR_MEMFULL;

    // The layer is made inside the undo step, so that undoing the placement takes a new layer with it.
    const auto body = [&](const API_Coord& offset) -> GSErrCode {
        API_AttributeIndex layer = APIInvalidAttributeIndex;
        if (EnsureLayer(layerName, layer))
            element.header.layer = layer;
        picture.destBox.xMin -= offset.x;
        picture.destBox.xMax -= offset.x;
        picture.destBox.yMin -= offset.y;
        picture.destBox.yMax -= offset.y;
        return Host::CreateElement(&element, &memo);
    };
    return RunInTarget(target, "Vložit ortofoto", body, diagnostics);
}

// A handle of `size` bytes; a size the host's 32-bit handle size cannot express is refused rather
// than cut short.
GSHandle NewHandle(std::uint64_t size)
{
    if (size > static_cast<std::uint64_t>(std::numeric_limits<GSSize>::max()))
        return nullptr;
    return BMAllocateHandle(static_cast<GSSize>(size), ALLOCATE_CLEAR, 0);
}

bool IsLetter(char16_t unit)
{
    return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z') || (unit >= u'0' && unit <= u'9') ||
           unit == u'+' || unit == u'/';
}

// The first bytes of a Base64 text: nine at most, enough to tell its format and whether it has any.
std::vector<char> LeadingBytes(const GS::UniString& base64Image)
{
    std::string letters;
    for (const char16_t unit : TextUnits(base64Image)) {
        if (letters.size() == 12)
            break;
        if (IsLetter(unit))
            letters.push_back(static_cast<char>(unit));
    }
    return DecodeBase64(letters);
}

// Decodes into a handle sized for a text of letters only, up to its closing "=": what such a text
// gives exactly, and never less room than any other text needs. A text with other bytes in it
// comes out shorter and moves into a handle of its own size.
GSHandle DecodedHandle(const GS::UniString& base64Image)
{
    const std::u16string_view units = TextUnits(base64Image);
    std::size_t letters = units.size();
    while (letters > 0 && units[letters - 1] == u'=')
        --letters;
    const std::uint64_t room = static_cast<std::uint64_t>(letters) * 6 / 8;
    GSHandle handle = NewHandle(room);
    if (handle == nullptr)
        return nullptr;
    const std::size_t size = DecodeBase64Into(base64Image, *handle);
    if (size == room)
        return handle;
    GSHandle exact = NewHandle(size);
    if (exact != nullptr)
        std::memcpy(*exact, *handle, size);
    BMKillHandle(&handle);
    return exact;
}

}  // namespace

GSErrCode PlaceOrthophoto(const std::vector<char>& imageBytes, double width, double height, double centerX,
                          double centerY, double scaleX, double scaleY, double shiftX, double shiftY,
                          const GS::UniString& layerName, const PlaceTarget& target, GS::UniString& diagnostics)
{
    PictureData data;
    data.empty = imageBytes.empty();
    data.png = IsPng(imageBytes);
    data.makeHandle = [&imageBytes]() {
        GSHandle handle = NewHandle(imageBytes.size());
        if (handle != nullptr)
            std::memcpy(*handle, imageBytes.data(), imageBytes.size());
        return handle;
    };
    return PlacePicture(data, width, height, centerX, centerY, scaleX, scaleY, shiftX, shiftY, layerName, target,
                        diagnostics);
}

GSErrCode PlaceOrthophotoFromText(const GS::UniString& base64Image, double width, double height, double centerX,
                                  double centerY, double scaleX, double scaleY, double shiftX, double shiftY,
                                  const GS::UniString& layerName, const PlaceTarget& target, GS::UniString& diagnostics)
{
    PictureData data;
    const std::vector<char> leading = LeadingBytes(base64Image);
    data.empty = leading.empty();
    data.png = IsPng(leading);
    data.makeHandle = [&base64Image]() { return DecodedHandle(base64Image); };
    return PlacePicture(data, width, height, centerX, centerY, scaleX, scaleY, shiftX, shiftY, layerName, target,
                        diagnostics);
}

}  // namespace Placement

namespace Bridge {

JSRef PlaceOrthophoto(JSRef parameter)
{
    const JSArgs args = ArgumentList(parameter);
    // Images run to tens of megabytes: decoded once, from the page's text straight into the
    // host's handle, with no byte vector in between.
    const GS::UniString& imageText = StringArgumentInPlace(args, 0);
    const double width = NumberArgument(args, 1);
    const double height = NumberArgument(args, 2);
    const double centerX = NumberArgument(args, 3);
    const double centerY = NumberArgument(args, 4);
    const double scaleX = NumberArgument(args, 5);
    const double scaleY = NumberArgument(args, 6);
    const double shiftX = NumberArgument(args, 7);
    const double shiftY = NumberArgument(args, 8);
    GS::UniString layerName = StringArgument(args, 9);
    PlaceTarget target;
    target.floorPlan = StringArgument(args, 10) == "plan";
    target.worksheetName = StringArgument(args, 11);
    target.worksheetRef = StringArgument(args, 12);
    target.storyIndex = ArgumentCount(args) > 13 ? NumberToInt16(NumberArgument(args, 13)) : DefaultStory;

    return GuardedTextReply([&imageText, width, height, centerX, centerY, scaleX, scaleY,
                             shiftX, shiftY, layerName = std::move(layerName), target = std::move(target)]() {
        GS::UniString diagnostics;
        const GSErrCode status = Placement::PlaceOrthophotoFromText(imageText, width, height, centerX, centerY, scaleX,
                                                                    scaleY, shiftX, shiftY, layerName, target, diagnostics);
        return PlacementReply(status, diagnostics);
    });
}

}  // namespace Bridge
