// ChooseSaveFile and SaveTextFile: the plot report as a UTF-8 text file.

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "ReportFile.hpp"

#include "AttributeCatalogue.hpp"
#include "Bridge.hpp"
#include "DGFileDialog.hpp"
#include "File.hpp"
#include "FileType.hpp"
#include "FileTypeManager.hpp"
#include "HostInterface.hpp"
#include "TextUnits.hpp"

namespace {

const char* const ReportFileTypeId = "Orvani.Landfetch.ReportTxt";
const char* const DefaultReportName = "report.txt";

const char* const ReplyNoFolder = "{\"ok\":false,\"err\":\"cilova_slozka\"}";
const char* const ReplyCancelled = "{\"ok\":false,\"err\":\"zruseno\"}";
const char* const ReplyNoFile = "{\"ok\":false,\"err\":\"soubor\"}";

// The host's own files: projects (solo, archive, teamwork and its local data), templates and backups.
constexpr std::array<std::u16string_view, 7> HostFileTypes{u"pln", u"pla", u"plp", u"plc", u"tpl", u"bpn", u"bak"};
const char* const ReplyNotWritten = "{\"ok\":false,\"err\":\"zapis\"}";

// Paths the user picked in the save dialog while the module is loaded: the only places outside
// the report folder that a page may write to.
std::vector<IO::Location>& ChosenFiles()
{
    static std::vector<IO::Location> chosen;
    return chosen;
}

GS::UniString SuccessReply(const IO::Location& location)
{
    GS::UniString path;
    location.ToPath(&path);
    GS::UniString reply("{\"ok\":true,\"path\":\"");
    reply += JsonEscape(path);
    reply += "\"}";
    return reply;
}

bool IsChosenFile(const IO::Location& location)
{
    for (const IO::Location& chosen : ChosenFiles()) {
        if (chosen == location)
            return true;
    }
    return false;
}

bool LiesDirectlyInReportFolder(const IO::Location& location)
{
    IO::Name name;
    if (location.GetLastLocalName(&name) != NoError)
        return false;
    const GS::UniString& text = name.ToString();
    if (text == "." || text == "..")
        return false;
    // Only names a bare name could give: "plot.pln::$DATA" would reach another file's content.
    if (SanitizeFileName(text) != text)
        return false;
    // Rebuilt from the folder, so that "dir/sub/../x" or a second separator style does not pass.
    IO::Location expected;
    if (!FindReportFolder(expected) || expected.AppendToLocal(name) != NoError)
        return false;
    return expected == location;
}

// A path as Windows tells files apart: without case, either separator, and without the dots and
// blanks it drops from the end of a name.
std::u16string FileKey(const GS::UniString& path)
{
    std::u16string key(TextUnits(path));
    while (!key.empty() && (key.back() == u'.' || key.back() == u' '))
        key.pop_back();
    for (char16_t& unit : key) {
        if (unit == u'\\')
            unit = u'/';
        else if (unit >= u'A' && unit <= u'Z')
            unit = static_cast<char16_t>(unit - u'A' + u'a');
    }
    return key;
}

bool HasHostFileType(const std::u16string& key)
{
    const std::size_t slash = key.rfind(u'/');
    const std::size_t dot = key.rfind(u'.');
    if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash))
        return false;
    const std::u16string_view type = std::u16string_view(key).substr(dot + 1);
    return std::find(HostFileTypes.begin(), HostFileTypes.end(), type) != HostFileTypes.end();
}

bool IsOpenProjectFile(const std::u16string& key)
{
    API_ProjectInfo project{};
    bool same = false;
    if (Host::GetProjectInfo(&project) == NoError && !project.untitled && project.location != nullptr) {
        GS::UniString projectPath;
        project.location->ToPath(&projectPath);
        same = !projectPath.IsEmpty() && FileKey(projectPath) == key;
    }
    return same;
}

// A report never replaces the open project, nor any project, template or backup of the host.
bool IsHostFile(const IO::Location& location)
{
    GS::UniString path;
    location.ToPath(&path);
    const std::u16string key = FileKey(path);
    return HasHostFileType(key) || IsOpenProjectFile(key);
}

}  // namespace

bool FindReportFolder(IO::Location& folder)
{
    API_ProjectInfo project{};
    bool found = false;
    if (Host::GetProjectInfo(&project) == NoError && !project.untitled && project.location != nullptr) {
        IO::Location projectFolder = *project.location;
        if (projectFolder.DeleteLastLocalName() == NoError) {
            folder = projectFolder;
            found = true;
        }
    }
    if (found)
        return true;
    API_SpecFolderID folderID = API_UserDocumentsFolderID;
    return Host::GetSpecialFolder(&folderID, &folder) == NoError;
}

GS::UniString SanitizeFileName(const GS::UniString& name)
{
    std::u16string result;
    result.reserve(name.GetLength());
    for (char16_t unit : TextUnits(name)) {
        const bool forbidden = unit < 0x20 || std::u16string_view(u"*/:?\\\"<>|").find(unit) != std::u16string_view::npos;
        result += forbidden ? u'_' : unit;
    }
    if (result.empty())
        return DefaultReportName;
    return GS::UniString(std::move(result));
}

bool IsAbsolutePath(const GS::UniString& path)
{
    const std::u16string_view units = TextUnits(path);
    if (!units.empty() && units[0] == u'/')
        return true;
    if (units.size() >= 2 && units[0] == u'\\' && units[1] == u'\\')
        return true;
    return units.size() >= 3 && units[1] == u':' && (units[2] == u'\\' || units[2] == u'/');
}

GS::UniString ChooseReportFile(const GS::UniString& proposedName)
{
    IO::Location folder;
    if (!FindReportFolder(folder))
        return ReplyNoFolder;

    DG::FileDialog dialog(DG::FileDialog::Save);
    dialog.SetTitle("Uložit report o pozemku");

    FTM::FileTypeManager typeManager(ReportFileTypeId);
    const FTM::FileType reportType("Textový soubor", "txt", 0, 0, 0, nullptr, nullptr, true);
    FTM::TypeID typeID = FTM::FileTypeManager::SearchForType(reportType, FTM::RootGroup);
    if (typeID == FTM::UnknownType)
        typeID = typeManager.AddType(reportType, FTM::RootGroup);
    dialog.AddFilter(typeID, DG::FileDialog::SystemDefault);

    dialog.SetFolder(folder);
    IO::Location proposed = folder;
    proposed.AppendToLocal(IO::Name(SanitizeFileName(proposedName)));
    dialog.SelectFile(proposed, true);

    // A dialog that reports success without a file is no choice either.
    if (!dialog.Invoke() || dialog.GetSelectionCount() == 0)
        return ReplyCancelled;

    const IO::Location chosen = dialog.GetSelectedFile(0);
    if (!IsChosenFile(chosen))
        ChosenFiles().push_back(chosen);
    return SuccessReply(chosen);
}

GS::UniString WriteReportFile(const GS::UniString& target, const GS::UniString& text)
{
    IO::Location location;
    if (IsAbsolutePath(target)) {
        location = IO::Location(target);
        // A page may not pick any file the user can write: only what the user chose, or the report folder.
        if (!IsChosenFile(location) && !LiesDirectlyInReportFolder(location))
            return ReplyNoFile;
    } else {
        if (!FindReportFolder(location))
            return ReplyNoFolder;
        location.AppendToLocal(IO::Name(SanitizeFileName(target)));
    }

    if (IsHostFile(location))
        return ReplyNoFile;

    // The page knows one word for a file it cannot have, whether refused or impossible to make.
    IO::File file(location, IO::File::Create);
    if (file.GetStatus() != NoError)
        return ReplyNoFile;
    if (file.Open(IO::File::WriteEmptyMode, IO::AccessDeniedIsErrorInPrivateLocations) != NoError)
        return ReplyNotWritten;

    static const char byteOrderMark[3] = {'\xEF', '\xBB', '\xBF'};
    GSErrCode written = file.WriteBin(byteOrderMark, sizeof byteOrderMark);
    const GS::UniString::CStr utf8 = text.ToCStr(CC_UTF8);
    const UInt32 length = static_cast<UInt32>(std::strlen(utf8.Get()));
    if (written == NoError && length > 0)
        written = file.WriteBin(utf8.Get(), length);
    const GSErrCode closed = file.Close();
    // A report cut short by a full disk must not be announced as saved.
    if (written != NoError || closed != NoError)
        return ReplyNotWritten;
    return SuccessReply(location);
}

JSRef Bridge::ChooseSaveFile(JSRef parameter)
{
    const JSArgs args = ArgumentList(parameter);
    return TextReply(ChooseReportFile(StringArgument(args, 0)));
}

JSRef Bridge::SaveTextFile(JSRef parameter)
{
    const JSArgs args = ArgumentList(parameter);
    return TextReply(WriteReportFile(StringArgument(args, 0), StringArgument(args, 1)));
}
