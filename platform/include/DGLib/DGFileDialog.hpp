#pragma once

// The system's file dialog.

#include <functional>
#include <vector>

#include "FileType.hpp"
#include "GSRoot.hpp"
#include "Location.hpp"

namespace DG {

class PLATFORM_API SystemDialog {
public:
    virtual ~SystemDialog();
    void SetTitle(const GS::UniString& newTitle) { title = newTitle; }
    const GS::UniString& GetTitle() const { return title; }
    virtual bool Invoke() = 0;

private:
    GS::UniString title;
};

class PLATFORM_API FileDialog : public SystemDialog {
public:
    enum Type : Int32 { OpenFile = 0, OpenMultiFile = 1, OpenFolder = 2, OpenMultiFolder = 3, Save = 4 };
    enum ExtensionOptions : Int32 { SystemDefault = 0 };

    explicit FileDialog(Type type);
    ~FileDialog() override;

    // The new filter's index; MaxUIndex for an unknown type, which is not added.
    UIndex AddFilter(FTM::GeneralID type, ExtensionOptions extensionOptions = SystemDefault);
    void SetFolder(const IO::Location& newFolder) { folder = newFolder; }
    bool SelectFile(const IO::Location& file, bool selectName = true);
    bool Invoke() override;

    UInt32 GetSelectionCount() const { return static_cast<UInt32>(selected.size()); }
    const IO::Location& GetSelectedFile(UInt32 index) const;

    // Host side: what the dialog shows, and the user's choice.
    Type GetType() const { return type; }
    const std::vector<FTM::GeneralID>& GetFilters() const { return filters; }
    const IO::Location& GetFolder() const { return folder; }
    const IO::Location& GetProposedFile() const { return proposed; }
    void SetSelectedFile(const IO::Location& file);

private:
    Type type;
    std::vector<FTM::GeneralID> filters;
    IO::Location folder;
    IO::Location proposed;
    std::vector<IO::Location> selected;
};

// Host side: answers every file dialog that is invoked; without one a dialog is cancelled.
using FileDialogAnswerer = std::function<bool(FileDialog&)>;
PLATFORM_API void SetFileDialogAnswerer(FileDialogAnswerer answerer);

}  // namespace DG
