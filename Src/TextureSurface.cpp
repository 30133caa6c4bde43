// An image from the page becomes a surface whose texture file travels with the project.

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "TextureSurface.hpp"

#include "BoundedText.hpp"
#include "File.hpp"
#include "HostInterface.hpp"
#include "PlaceTarget.hpp"
#include "TextUnits.hpp"

namespace {

// Texture files written since the module was loaded; keeps names apart within one second.
UInt32 textureFileCounter = 0;

constexpr Int32 TemporaryFolder = 7;
constexpr API_MaterTypeID SurfaceTypeCode = APIMater_MatteID;
constexpr Int16 TextureStatusFlags = APITxtr_LinkMat | APITxtr_SurfacePattern | APITxtr_AmbientPattern |
                                     APITxtr_SpecularPattern | APITxtr_DiffusePattern;
constexpr UInt32 TextureNameCapacity = sizeof(API_Texture::texName) / sizeof(GS::uchar_t);

bool IsPngData(const std::vector<char>& bytes)
{
    return bytes.size() >= 9 && static_cast<unsigned char>(bytes[0]) == 0x89 && bytes[1] == 'P' && bytes[2] == 'N' &&
           bytes[3] == 'G';
}

GS::UniString FileStem(const GS::UniString& surfaceName)
{
    std::u16string stem;
    for (GS::uchar_t unit : TextUnits(surfaceName)) {
        const bool keep = (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z') || (unit >= u'0' && unit <= u'9');
        stem.push_back(keep ? unit : u'_');
    }
    return GS::UniString(std::move(stem));
}

bool WriteTemporaryFile(const IO::Location& file, const std::vector<char>& bytes, GS::UniString& diagnostics)
{
    IO::File output(file, IO::File::Create);
    if (output.GetStatus() != NoError) {
        diagnostics += "tex_file_err ";
        return false;
    }
    if (output.Open(IO::File::WriteEmptyMode, IO::AccessDeniedIsErrorInPrivateLocations) != NoError) {
        diagnostics += "tex_open_err ";
        return false;
    }
    output.WriteBin(bytes.data(), static_cast<UInt32>(bytes.size()));
    output.Close();
    return true;
}

// Once copied into the library the temporary copy has no use; repeated placements would pile them up.
void RemoveTemporaryFile(const IO::Location& file)
{
    const std::string path = file.ToFileSystemPath();
    if (!path.empty())
        std::remove(path.c_str());
}

}  // namespace

namespace Placement {

GS::UniString UniqueSurfaceName(const GS::UniString& baseName)
{
    API_AttributeIndex index = APIInvalidAttributeIndex;
    if (!FindAttributeByName(API_MaterialID, baseName, index))
        return baseName;
    for (int n = 2; n <= 999; ++n) {
        const GS::UniString candidate = baseName + GS::UniString::Printf(" %d", n);
        if (!FindAttributeByName(API_MaterialID, candidate, index))
            return candidate;
    }
    return baseName;
}

bool FindEmbeddedLibrary(IO::Location& folder)
{
    GS::Array<API_LibraryInfo> libraries;
    if (Host::GetLibraries(&libraries) != NoError)
        return false;
    for (UInt32 i = libraries.GetSize(); i > 0; --i) {
        const API_LibraryInfo& library = libraries[i - 1];
        if (library.libraryType != API_EmbeddedLibrary)
            continue;
        if (library.location.IsEmpty())
            return false;
        folder = library.location;
        return true;
    }
    return false;
}

bool CreateTextureSurface(const TerrainTexture& texture, double sizeX, double sizeY, const GS::UniString& baseName,
                          API_AttributeIndex& index, GS::UniString& diagnostics)
{
    // Written as negations so that a NaN size counts as no size.
    if (texture.imageBytes.empty() || !(sizeX > 0.0) || !(sizeY > 0.0))
        return false;

    const GS::UniString surfaceName = UniqueSurfaceName(baseName);
    const bool png = IsPngData(texture.imageBytes);
    ++textureFileCounter;
    const unsigned long seconds = static_cast<unsigned long>(std::time(nullptr));
    const GS::UniString fileName = FileStem(surfaceName) +
                                   GS::UniString::Printf("_%lu_%u", seconds, textureFileCounter) +
                                   (png ? ".png" : ".jpg");

    API_SpecFolderID folderId = static_cast<API_SpecFolderID>(TemporaryFolder);
    IO::Location temporaryFile;
    if (Host::GetSpecialFolder(&folderId, &temporaryFile) != NoError) {
        diagnostics += "tex_tmpfolder_err ";
        return false;
    }
    temporaryFile.AppendToLocal(IO::Name(fileName));
    if (!WriteTemporaryFile(temporaryFile, texture.imageBytes, diagnostics))
        return false;

    IO::Location libraryFolder;
    if (!FindEmbeddedLibrary(libraryFolder)) {
        diagnostics += "tex_no_embedded_lib ";
        return false;
    }
    GS::Array<IO::Location> files;
    files.Push(temporaryFile);
    const GSErrCode copyError = Host::CopyFilesIntoLibrary(libraryFolder, files, true);
    if (copyError != NoError) {
        diagnostics += GS::UniString::Printf("tex_copy_err=%d ", copyError);
        return false;
    }
    RemoveTemporaryFile(temporaryFile);
    Host::ReloadLibraries();

    API_Attribute surface;
    std::memset(&surface, 0, sizeof surface);
    surface.header.typeID = API_MaterialID;
    CHTruncate(surfaceName.ToCStr(CC_Default), surface.header.name, sizeof surface.header.name, CC_Default);
    surface.material.mtype = SurfaceTypeCode;
    surface.material.ambientPc = 100;
    surface.material.diffusePc = 100;
    surface.material.surfaceRGB = {1.0, 1.0, 1.0};
    surface.material.texture.status = TextureStatusFlags;
    surface.material.texture.xSize = sizeX;
    surface.material.texture.ySize = sizeY;
    surface.material.texture.rotAng = 0.0;
    // Bounded: the name grows with the page's dataset code and must not overrun the field.
    CopyBoundedText(surface.material.texture.texName, TextureNameCapacity, fileName);

    auto textureFile = std::make_unique<IO::Location>(libraryFolder);
    textureFile->AppendToLocal(IO::Name(fileName));
    surface.material.texture.fileLoc = textureFile.get();
    const GSErrCode createError = Host::CreateAttribute(&surface, nullptr, GS::EmptyUniString);
    surface.material.texture.fileLoc = nullptr;
    textureFile.reset();

    if (createError == NoError) {
        index = surface.header.index;
        diagnostics += "mat=\"";
        diagnostics += surfaceName;
        diagnostics += "\" ";
        return true;
    }
    if (createError == APIERR_NAMEALREADYUSED) {
        index = surface.header.index;
        return true;
    }
    diagnostics += GS::UniString::Printf("tex_mat_err=%d ", createError);
    return false;
}

}  // namespace Placement
