#include "DGFileDialog.hpp"

namespace DG {

namespace {

FileDialogAnswerer& Answerer()
{
    // Never destroyed: a module unloaded after the exit handlers still reaches it.
    static FileDialogAnswerer& answerer = *new FileDialogAnswerer;
    return answerer;
}

}  // namespace

SystemDialog::~SystemDialog() = default;

FileDialog::FileDialog(Type type) : type(type) {}

FileDialog::~FileDialog() = default;

UIndex FileDialog::AddFilter(FTM::GeneralID typeId, ExtensionOptions /*extensionOptions*/)
{
    if (typeId == FTM::UnknownType)
        return MaxUIndex;
    filters.push_back(typeId);
    return static_cast<UIndex>(filters.size() - 1);
}

bool FileDialog::SelectFile(const IO::Location& file, bool /*selectName*/)
{
    proposed = file;
    return true;
}

bool FileDialog::Invoke()
{
    selected.clear();
    const FileDialogAnswerer answerer = Answerer();
    if (!answerer)
        return false;
    // An answer without a chosen file is no answer: callers read the first selected file.
    return answerer(*this) && !selected.empty();
}

const IO::Location& FileDialog::GetSelectedFile(UInt32 index) const
{
    if (index >= selected.size())
        throw GS::IndexOutOfBoundsException("No such selected file", __FILE__, __LINE__);
    return selected[index];
}

void FileDialog::SetSelectedFile(const IO::Location& file)
{
    selected.push_back(file);
}

void SetFileDialogAnswerer(FileDialogAnswerer answerer)
{
    Answerer() = std::move(answerer);
}

}  // namespace DG
