#include "ResourceImage.hpp"

#include <cstring>

namespace RS {

namespace {

constexpr char Magic[8] = {'G', 'S', 'R', 'E', 'S', '\x01', '\0', '\0'};

enum RecordType : UInt32 {
    StringListRecord = 1,
    DialogRecord = 2,
    ModuleIdentifierRecord = 3,
    IconRecord = 4,
    IconGroupRecord = 5
};

class Writer {
public:
    void U32(UInt32 value)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<char>(value >> (8 * i)));
    }
    void I32(Int32 value) { U32(static_cast<UInt32>(value)); }
    void Text(const std::string& text)
    {
        U32(static_cast<UInt32>(text.size()));
        bytes += text;
    }
    void Record(UInt32 type, Int32 id, const std::string& name, const std::string& payload)
    {
        U32(type);
        I32(id);
        Text(name);
        Text(payload);
    }
    std::string bytes;
};

// Every read checks the remaining length, so a damaged container fails instead of overrunning.
class Reader {
public:
    Reader(const char* data, std::size_t size) : data(data), size(size) {}

    bool U32(UInt32* value)
    {
        if (size - offset < 4)
            return false;
        UInt32 result = 0;
        for (int i = 0; i < 4; ++i)
            result |= UInt32(static_cast<unsigned char>(data[offset + i])) << (8 * i);
        offset += 4;
        *value = result;
        return true;
    }
    bool I32(Int32* value)
    {
        UInt32 raw = 0;
        if (!U32(&raw))
            return false;
        *value = static_cast<Int32>(raw);
        return true;
    }
    bool Text(std::string* text)
    {
        UInt32 length = 0;
        if (!U32(&length) || size - offset < length)
            return false;
        text->assign(data + offset, length);
        offset += length;
        return true;
    }
    bool Skip(std::size_t count)
    {
        if (size - offset < count)
            return false;
        offset += count;
        return true;
    }
    bool AtEnd() const { return offset == size; }

private:
    const char* data;
    std::size_t size;
    std::size_t offset = 0;
};

GS::UniString FromUtf8(const std::string& text)
{
    return GS::UniString(text.data(), static_cast<UInt32>(text.size()), CC_UTF8);
}

std::string EncodeDialog(const DialogResource& dialog)
{
    Writer writer;
    writer.Text(dialog.kind);
    writer.Text(dialog.title.ToUtf8());
    writer.Text(dialog.helpName);
    writer.I32(dialog.width);
    writer.I32(dialog.height);
    writer.U32(static_cast<UInt32>(dialog.frameOptions.size()));
    for (const auto& option : dialog.frameOptions)
        writer.Text(option);
    writer.U32(static_cast<UInt32>(dialog.items.size()));
    for (const auto& item : dialog.items) {
        writer.I32(item.id);
        writer.Text(item.type);
        writer.I32(item.x);
        writer.I32(item.y);
        writer.I32(item.width);
        writer.I32(item.height);
        writer.Text(item.helpName);
    }
    return writer.bytes;
}

bool DecodeDialog(Reader& reader, Int32 id, DialogResource* dialog)
{
    std::string title;
    UInt32 optionCount = 0;
    dialog->id = static_cast<Int16>(id);
    if (!reader.Text(&dialog->kind) || !reader.Text(&title) || !reader.Text(&dialog->helpName) ||
        !reader.I32(&dialog->width) || !reader.I32(&dialog->height) || !reader.U32(&optionCount))
        return false;
    dialog->title = FromUtf8(title);
    for (UInt32 i = 0; i < optionCount; ++i) {
        std::string option;
        if (!reader.Text(&option))
            return false;
        dialog->frameOptions.push_back(option);
    }
    UInt32 itemCount = 0;
    if (!reader.U32(&itemCount))
        return false;
    for (UInt32 i = 0; i < itemCount; ++i) {
        DialogItem item;
        Int32 itemId = 0;
        if (!reader.I32(&itemId) || !reader.Text(&item.type) || !reader.I32(&item.x) || !reader.I32(&item.y) ||
            !reader.I32(&item.width) || !reader.I32(&item.height) || !reader.Text(&item.helpName))
            return false;
        item.id = static_cast<Int16>(itemId);
        dialog->items.push_back(item);
    }
    return reader.AtEnd();
}

bool DecodeRecord(UInt32 type, Int32 id, const std::string& name, const std::string& payload, ResourceImage* image)
{
    Reader reader(payload.data(), payload.size());
    switch (type) {
        case StringListRecord: {
            UInt32 count = 0;
            if (!reader.U32(&count))
                return false;
            std::vector<GS::UniString> texts;
            for (UInt32 i = 0; i < count; ++i) {
                std::string text;
                if (!reader.Text(&text))
                    return false;
                texts.push_back(FromUtf8(text));
            }
            image->stringLists[id] = std::move(texts);
            return reader.AtEnd();
        }
        case DialogRecord: {
            DialogResource dialog;
            if (!DecodeDialog(reader, id, &dialog))
                return false;
            image->dialogs[id] = std::move(dialog);
            return true;
        }
        case ModuleIdentifierRecord: {
            UInt32 developerId = 0, localId = 0;
            if (!reader.U32(&developerId) || !reader.U32(&localId) || !reader.AtEnd())
                return false;
            image->moduleIdentifiers[id] = {developerId, localId};
            return true;
        }
        case IconRecord:
            image->icons[name] = payload;
            return true;
        case IconGroupRecord: {
            UInt32 count = 0;
            if (!reader.U32(&count))
                return false;
            std::vector<std::pair<Int32, std::string>> images;
            for (UInt32 i = 0; i < count; ++i) {
                Int32 pixels = 0;
                std::string png;
                if (!reader.I32(&pixels) || !reader.Text(&png))
                    return false;
                images.emplace_back(pixels, std::move(png));
            }
            image->iconGroups[id] = std::move(images);
            return reader.AtEnd();
        }
        default:
            return true;  // a kind this reader does not know is passed over
    }
}

}  // namespace

std::string ResourceImage::Encode() const
{
    Writer writer;
    writer.bytes.assign(Magic, sizeof Magic);
    writer.U32(language);
    const std::size_t recordCount =
        stringLists.size() + dialogs.size() + moduleIdentifiers.size() + icons.size() + iconGroups.size();
    writer.U32(static_cast<UInt32>(recordCount));
    for (const auto& [id, texts] : stringLists) {
        Writer payload;
        payload.U32(static_cast<UInt32>(texts.size()));
        for (const auto& text : texts)
            payload.Text(text.ToUtf8());
        writer.Record(StringListRecord, id, std::string(), payload.bytes);
    }
    for (const auto& [id, dialog] : dialogs)
        writer.Record(DialogRecord, id, std::string(), EncodeDialog(dialog));
    for (const auto& [id, numbers] : moduleIdentifiers) {
        Writer payload;
        payload.U32(numbers.first);
        payload.U32(numbers.second);
        writer.Record(ModuleIdentifierRecord, id, std::string(), payload.bytes);
    }
    for (const auto& [name, png] : icons)
        writer.Record(IconRecord, 0, name, png);
    for (const auto& [id, images] : iconGroups) {
        Writer payload;
        payload.U32(static_cast<UInt32>(images.size()));
        for (const auto& [pixels, png] : images) {
            payload.I32(pixels);
            payload.Text(png);
        }
        writer.Record(IconGroupRecord, id, std::string(), payload.bytes);
    }
    return writer.bytes;
}

bool ResourceImage::Decode(const char* data, std::size_t size, ResourceImage* image)
{
    if (data == nullptr || image == nullptr || size < sizeof Magic || std::memcmp(data, Magic, sizeof Magic) != 0)
        return false;
    Reader reader(data, size);
    reader.Skip(sizeof Magic);
    ResourceImage result;
    UInt32 recordCount = 0;
    if (!reader.U32(&result.language) || !reader.U32(&recordCount))
        return false;
    for (UInt32 i = 0; i < recordCount; ++i) {
        UInt32 type = 0;
        Int32 id = 0;
        std::string name, payload;
        if (!reader.U32(&type) || !reader.I32(&id) || !reader.Text(&name) || !reader.Text(&payload))
            return false;
        if (!DecodeRecord(type, id, name, payload, &result))
            return false;
    }
    // The section may be padded by the linker after the last record.
    *image = std::move(result);
    return true;
}

}  // namespace RS
