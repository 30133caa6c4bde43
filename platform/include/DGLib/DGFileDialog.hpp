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
    enum Type : Int32 { OpenFile = 1, OpenMultiFile = 2, OpenFolder = 3, Save = 4 };

    explicit FileDialog(Int32 type);
    ~FileDialog() override;

    bool AddFilter(FTM::TypeID type, Int32 extensionOption = 0);
    void SetFolder(const IO::Location& newFolder) { folder = newFolder; }
    bool SelectFile(const IO::Location& file, bool selectName = true);
    bool Invoke() override;

    UInt32 GetSelectionCount() const { return static_cast<UInt32>(selected.size()); }
    const IO::Location& GetSelectedFile(UInt32 index) const;

    // Host side: what the dialog shows, and the user's choice.
    Int32 GetType() const { return type; }
    const std::vector<FTM::TypeID>& GetFilters() const { return filters; }
    const IO::Location& GetFolder() const { return folder; }
    const IO::Location& GetProposedFile() const { return proposed; }
    void SetSelectedFile(const IO::Location& file);

private:
    Int32 type;
    std::vector<FTM::TypeID> filters;
    IO::Location folder;
    IO::Location proposed;
    std::vector<IO::Location> selected;
};

// Host side: answers every file dialog that is invoked; without one a dialog is cancelled.
using FileDialogAnswerer = std::function<bool(FileDialog&)>;
PLATFORM_API void SetFileDialogAnswerer(FileDialogAnswerer answerer);

}  // namespace DG
