#include <cstring>
#include <limits>

#include "BoundedText.hpp"
#include "Bridge.hpp"
#include "HostInterface.hpp"
#include "MemoRelease.hpp"
#include "Placement.hpp"

namespace {

constexpr UInt32 PictureNameCapacity = sizeof(API_PictureType::pictName) / sizeof(GS::uchar_t);

}  // namespace

namespace Placement {

bool IsPng(const std::vector<char>& bytes)
{
    return bytes.size() >= 9 && static_cast<unsigned char>(bytes[0]) == 0x89 && bytes[1] == 'P' && bytes[2] == 'N' &&
           bytes[3] == 'G';
}

GSErrCode PlaceOrthophoto(const std::vector<char>& imageBytes, double width, double height, double centerX,
                          double centerY, double scaleX, double scaleY, double shiftX, double shiftY,
                          const GS::UniString& layerName, const PlaceTarget& target, GS::UniString& diagnostics)
{
    if (imageBytes.empty())
        return APIERR_IRREGULARPOLY;

    API_Element element{};
    API_ElementMemo memo{};
    MemoRelease release(memo);
    element.header.type.typeID = API_PictureID;
    const GSErrCode defaults = Host::GetElementDefaults(&element, nullptr);
    if (defaults != NoError)
        return defaults;

    if (target.floorPlan && target.storyIndex > DefaultStory)
        element.header.floorInd = target.storyIndex;

    const bool png = IsPng(imageBytes);
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
    picture.colorDepth = 6;
    picture.storageFormat = png ? 5 : 4;
    const GS::UniString pictureName(png ? "Site DTM CUZK" : "Ortofoto CUZK");
    CopyBoundedText(picture.pictName, PictureNameCapacity, pictureName);
    CHTruncate(png ? "image/png" : "image/jpeg", picture.mimeType, sizeof picture.mimeType, CC_Default);

    // A size the host's 32-bit handle size cannot express is refused rather than cut short.
    if (imageBytes.size() > static_cast<std::size_t>(std::numeric_limits<GSSize>::max()))
        return APIERR_MEMFULL;
    memo.pictHdl = BMAllocateHandle(static_cast<GSSize>(imageBytes.size()), ALLCLEAR, 0);
    if (memo.pictHdl == nullptr)
        return APIERR_MEMFULL;
    std::memcpy(*memo.pictHdl, imageBytes.data(), imageBytes.size());

    // The layer is made inside the undo step, so that undoing the placement takes a new layer with it.
    const auto body = [&](const API_Coord& offset) -> GSErrCode {
        API_AttributeIndex layer = 0;
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

}  // namespace Placement

namespace Bridge {

JSRef PlaceOrthophoto(JSRef parameter)
{
    const JSArgs args = ArgumentList(parameter);
    std::vector<char> imageBytes;
    BytesArgument(imageBytes, args, 0);
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

    return GuardedTextReply([imageBytes = std::move(imageBytes), width, height, centerX, centerY, scaleX, scaleY,
                             shiftX, shiftY, layerName = std::move(layerName), target = std::move(target)]() {
        GS::UniString diagnostics;
        const GSErrCode status = Placement::PlaceOrthophoto(imageBytes, width, height, centerX, centerY, scaleX,
                                                            scaleY, shiftX, shiftY, layerName, target, diagnostics);
        return PlacementReply(status, diagnostics);
    });
}

}  // namespace Bridge
