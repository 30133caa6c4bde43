// Every ACAPI function, called in-process on a loaded module build with arguments built from the
// input as the page's values: numbers of every kind, texts of any UTF-16 code units, nested arrays,
// null. After each call:
// - the reply has the kind the function answers with (a bool for SetSurveyPoint, else a text of
//   the function's form), and nothing escaped the bound function;
// - every handle the call allocated was freed;
// - the project file saves, loads back and saves again byte for byte;
// - when the call made an undo step, undoing it gives the project file from before the call, apart
//   from what is made outside undo steps (texture surfaces, worksheets made before the step and
//   their windows).
//
// The host API version is LANDFETCH_FUZZ_API (27 to 30, default 30). Each input starts from the
// same project.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ACAPIFunctions.hpp"
#include "host/BrowserControl.hpp"
#include "FuzzInput.hpp"
#include "HostApiVersions.hpp"
#include "HostHandles.hpp"
#include "JSValues.hpp"
#include "project/Project.hpp"
#include "host/Shell.hpp"
#include "Simulator.hpp"

namespace {

using nlohmann::json;
using JSRef = GS::Ref<JS::Base, GS::Counter>;

const char* const Sheet = "{6F9619FF-8B86-D011-B42D-00C04FC964FF}";

// Texts the page really sends, so that the fuzzer gets past the first checks of each function.
const char* const Tokens[] = {
    "plan", "Situace", "S1", Sheet, "dmp_ok", "dmp1g", "dmr5g", "Terén", "Zeleň", "Beton", "Cihla",
    "Ortofoto", "lines", "texts", "points", "KN hranice", "iVBORw0KGgoAAAANSUhEUg==", "/9j/4AAQSkZJRgABAQ==",
    "report.txt", "../x.txt", "C:\\x.txt", "/tmp/x.txt", "LANDFETCH_PARCEL", "Parcela", "0 0 1\n10 0 2\n10 10 3\n",
    "0 0\n10 0\n10 10\n0 10\n", "nan nan nan\n", "1e308 1e308 -1e308\n", "12.5abc"};

json BaselineProject()
{
    return json::parse(R"({
        "untitled": true,
        "originOffset": [1000, 2000],
        "layers": [{"index": 1, "name": "Základní"}, {"index": 2, "name": "Terén"}],
        "lineTypes": [{"index": 1, "name": "Plná čára"}, {"index": 2, "name": "Čárkovaná"}],
        "surfaces": [{"index": 1, "name": "Zeleň"}, {"index": 2, "name": "Beton"}],
        "buildingMaterials": [{"index": 1, "name": "Cihla"}],
        "stories": {"current": 0, "last": 1, "list": [{"index": 0, "name": "Přízemí"}, {"index": 1, "name": "Patro"}]},
        "worksheets": [{"id": "{6F9619FF-8B86-D011-B42D-00C04FC964FF}", "name": "Situace", "ref": "S1"}],
        "autotexts": [{"name": "Parcela", "key": "LANDFETCH_PARCEL", "value": ""}]
    })");
}

// The input, read from the front; past its end every read gives zeros. fuzz/make-seeds.py writes
// the same format from the sample scenarios' calls.
class InputReader {
public:
    InputReader(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    bool AtEnd() const { return at >= size; }
    std::uint8_t Byte() { return at < size ? data[at++] : 0; }
    std::uint64_t Integer(int bytes)
    {
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= static_cast<std::uint64_t>(Byte()) << (8 * i);
        return value;
    }
    std::string Bytes(std::size_t count)
    {
        count = std::min(count, size - std::min(at, size));
        std::string bytes(reinterpret_cast<const char*>(data + at), count);
        at += count;
        return bytes;
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

// Page values, one kind byte each:
//   0 null  1 undefined  2 bool  3 int32  4 uint32  5 double (its 8 bytes)  6 int16 / 4
//   7 UTF-16 text (count byte, code units)  8 UTF-8 text (32-bit length, bytes)  9 a text the page
//   sends  10 point lines (a count, 2 or 3 numbers each as int8)  11 [x, y] pairs (a count, int8s)
//   12 an array (a count, items; deeper than 6 such arrays reads as null)  13 one value inside
//   arrays nested up to 200,000 deep (32-bit depth).
// A count is one byte below 250 (taken % 16), else 250 and a 16-bit count.
class PageValues {
public:
    explicit PageValues(InputReader& input) : input(input) {}

    JSRef Value(int depth)
    {
        switch (input.Byte() % 14) {
            case 0: return nullptr;
            case 1: return GS::NewRef<JS::Value>();
            case 2: return GS::NewRef<JS::Value>((input.Byte() & 1) != 0);
            case 3: return GS::NewRef<JS::Value>(static_cast<Int32>(input.Integer(4)));
            case 4: return GS::NewRef<JS::Value>(static_cast<UInt32>(input.Integer(4)));
            case 5: return GS::NewRef<JS::Value>(std::bit_cast<double>(input.Integer(8)));
            case 6: return GS::NewRef<JS::Value>(static_cast<Int16>(input.Integer(2)) / 4.0);
            case 7: {
                std::u16string units(input.Byte(), u'\0');
                for (char16_t& unit : units)
                    unit = static_cast<char16_t>(input.Integer(2));
                return GS::NewRef<JS::Value>(GS::UniString(std::move(units)));
            }
            case 8: {
                const std::string text = input.Bytes(input.Integer(4));
                return GS::NewRef<JS::Value>(GS::UniString(text.data(), static_cast<UInt32>(text.size()), CC_UTF8));
            }
            case 9: return GS::NewRef<JS::Value>(GS::UniString(Tokens[input.Byte() % std::size(Tokens)], CC_UTF8));
            case 10: return GS::NewRef<JS::Value>(GS::UniString(PointsText().c_str(), CC_UTF8));
            case 11: return Pairs();
            case 12: {
                if (depth > 6)
                    return nullptr;
                auto array = GS::NewRef<JS::Array>();
                const std::size_t count = Count();
                for (std::size_t i = 0; i < count && !input.AtEnd(); ++i)
                    array->AddItem(Value(depth + 1));
                return array;
            }
            default: {
                const std::size_t levels = input.Integer(4) % 200001;
                JSRef value = depth > 6 ? nullptr : Value(7);
                for (std::size_t i = 0; i < levels; ++i) {
                    auto array = GS::NewRef<JS::Array>();
                    array->AddItem(value);
                    value = array;
                }
                return value;
            }
        }
    }

    std::size_t Count()
    {
        const std::uint8_t count = input.Byte();
        return count < 250 ? count % 16 : input.Integer(2);
    }

    // The call's parameter: null, one value, or the usual array of arguments.
    JSRef Parameter()
    {
        switch (input.Byte() % 8) {
            case 0: return nullptr;
            case 1: return Value(1);
            default: {
                auto array = GS::NewRef<JS::Array>();
                const std::size_t count = Count();
                for (std::size_t i = 0; i < count; ++i)
                    array->AddItem(Value(1));
                return array;
            }
        }
    }

private:
    std::string PointsText()
    {
        std::string text;
        const std::size_t lines = Count();
        const int numbers = 2 + input.Byte() % 2;
        for (std::size_t i = 0; i < lines; ++i) {
            for (int k = 0; k < numbers; ++k)
                text += std::to_string(static_cast<std::int8_t>(input.Byte())) + (k + 1 < numbers ? " " : "\n");
        }
        return text;
    }

    JSRef Pairs()
    {
        auto array = GS::NewRef<JS::Array>();
        const std::size_t count = Count();
        for (std::size_t i = 0; i < count; ++i) {
            auto pair = GS::NewRef<JS::Array>();
            pair->AddItem(GS::NewRef<JS::Value>(static_cast<std::int8_t>(input.Byte()) * 1.0));
            pair->AddItem(GS::NewRef<JS::Value>(static_cast<std::int8_t>(input.Byte()) * 1.0));
            array->AddItem(pair);
        }
        return array;
    }

    InputReader& input;
};

struct Host {
    std::unique_ptr<sim::Simulator> simulator;
    std::unique_ptr<sim::Project> reloaded;
    GS::Ref<JS::Object, GS::Counter> acapi;
};

Host& TheHost()
{
    static Host* host = [] {
        auto* made = new Host;
        int api = landfetch::DefaultHostApiVersion;
        if (const char* chosen = std::getenv("LANDFETCH_FUZZ_API"))
            api = std::atoi(chosen);
        made->simulator = std::make_unique<sim::Simulator>(sim::Simulator::Options{api, "", ""});
        made->simulator->LoadProject(BaselineProject());
        made->simulator->Start();
        made->simulator->PaletteMessage(6, nullptr);  // open the palette: the page and ACAPI exist from here
        made->reloaded = std::make_unique<sim::Project>();
        made->reloaded->SetWorkFolder(made->simulator->WorkFolder());
        DG::BrowserBase* browser =
            sim::BrowserControl::FindPaletteBrowser(made->simulator->GetShell().Palettes().at(0).guid);
        const sim::BrowserState* state = made->simulator->GetBrowser().Find(browser);
        if (state == nullptr || state->objects.count("ACAPI") == 0)
            fuzz::Fail("the palette's page has no ACAPI object");
        made->acapi = state->objects.at("ACAPI");
        return made;
    }();
    return *host;
}

std::string ProjectText(const json& file, const char* when)
{
    try {
        return file.dump();
    } catch (const json::exception& error) {
        fuzz::Fail("the project file cannot be written", std::string(when) + ": " + error.what());
    }
}

void CheckReply(const ACAPI::FunctionName& function, const JSRef& reply, int api)
{
    const std::string name = function.name;
    const auto* value = dynamic_cast<const JS::Value*>(static_cast<JS::Base*>(reply));
    if (value == nullptr)
        fuzz::Fail("the reply is not a value", name);
    if (name == "SetSurveyPoint") {
        if (value->GetType() != JS::Value::BOOL)
            fuzz::Fail("SetSurveyPoint does not reply with a bool");
        return;
    }
    if (value->GetType() != JS::Value::STRING)
        fuzz::Fail("the reply is not a text", name);
    const std::string text = value->GetString().ToUtf8();
    static const std::regex placement("kod=-?[0-9]+ .*", std::regex::extended);
    if (name == "GetVersion") {
        if (text != LANDFETCH_ADDON_VERSION)
            fuzz::Fail("GetVersion", text);
    } else if (name == "GetAppearance") {
        if (!ACAPI::InBuild(function, api) || (text != "dark" && text != "light"))
            fuzz::Fail("GetAppearance", text);
    } else if (name.rfind("Place", 0) == 0) {
        if (!std::regex_match(text, placement))
            fuzz::Fail("a placement reply does not start with its status", name + ": " + text);
    } else {
        const json parsed = json::parse(text, nullptr, false);
        if (!parsed.is_object())
            fuzz::Fail("the reply is not a JSON object", name + ": " + text);
        if (name != "GetAttributes" && !(parsed.contains("ok") && parsed["ok"].is_boolean()))
            fuzz::Fail("the reply has no \"ok\"", name + ": " + text);
    }
}

// The members a step leaves alone on undo because they were made before it opened (and the
// windows of worksheets so made, which are no part of the model): the lists as they were before
// the call must still lead the lists after the undo.
void SetAsideMadeOutsideSteps(json& before, json& afterUndo)
{
    for (const char* member : {"surfaces", "worksheets", "openWindows"}) {
        json& old = before[member];
        json& now = afterUndo[member];
        if (!old.is_array() || !now.is_array() || now.size() < old.size() ||
            !std::equal(old.begin(), old.end(), now.begin()))
            fuzz::Fail("undo took away what was made before the step", member);
        before.erase(member);
        afterUndo.erase(member);
    }
    // The undone step waits to be redone: the file keeps it, and only it, beside what was there.
    const json oldRedo = before.value("redoSteps", json::array());
    const json nowRedo = afterUndo.value("redoSteps", json::array());
    if (nowRedo.size() != oldRedo.size() + 1 || !std::equal(oldRedo.begin(), oldRedo.end(), nowRedo.begin()))
        fuzz::Fail("the undone step is not kept for redo", nowRedo.dump().substr(0, 200));
    before.erase("redoSteps");
    afterUndo.erase("redoSteps");
}

void CheckProjectFile(Host& host, const json& file, const char* when)
{
    const std::string saved = ProjectText(file, when);
    try {
        host.reloaded->Load(json::parse(saved));
    } catch (const std::exception& error) {
        fuzz::Fail("the saved project file does not load", std::string(when) + ": " + error.what());
    }
    const std::string again = ProjectText(host.reloaded->Save(), when);
    if (again != saved)
        fuzz::Fail("the project file does not save back the same",
                   std::string(when) + ": " + json::diff(json::parse(saved), json::parse(again)).dump());
}

void ClearFiles(const std::string& folder)
{
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_regular_file(error))
            std::filesystem::remove(it->path(), error);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Host& host = TheHost();
    sim::Simulator& simulator = *host.simulator;
    simulator.LoadProject(BaselineProject());
    InputReader input(data, size);
    PageValues values(input);

    // A call is its function byte, then its parameter.
    for (int call = 0; call < 8 && !input.AtEnd(); ++call) {
        const ACAPI::FunctionName& called = ACAPI::FunctionNames[input.Byte() % std::size(ACAPI::FunctionNames)];
        const std::string name = called.name;
        GS::Ref<JS::Function, GS::Counter> function = host.acapi->FindFunction(GS::UniString(name.c_str(), CC_UTF8));
        if (function == nullptr) {
            if (!ACAPI::InBuild(called, simulator.ApiVersion()))
                continue;
            fuzz::Fail("the page finds no such function", name);
        }
        JSRef parameter = values.Parameter();

        const json before = simulator.SaveProject();
        const std::size_t stepsBefore = simulator.GetProject().UndoSteps().size();
        const Int64 handlesBefore = BMGetLiveHandleCount();
        JSRef reply;
        try {
            reply = function->Call(parameter);
        } catch (const GS::GSException& exception) {
            fuzz::Fail("a host exception left the bound function", name + ": " + exception.GetName());
        } catch (const std::exception& exception) {
            fuzz::Fail("an exception left the bound function", name + ": " + exception.what());
        }
        parameter = nullptr;
        CheckReply(called, reply, simulator.ApiVersion());
        reply = nullptr;
        if (BMGetLiveHandleCount() != handlesBefore)
            fuzz::Fail("the call left handles alive", name);

        const json after = simulator.SaveProject();
        CheckProjectFile(host, after, "after the call");
        const std::size_t stepsAfter = simulator.GetProject().UndoSteps().size();
        if (stepsAfter != stepsBefore && stepsAfter != stepsBefore + 1)
            fuzz::Fail("one call made more than one undo step", name);
        if (stepsAfter == stepsBefore + 1) {
            if (simulator.Undo(1) != 1)
                fuzz::Fail("the call's step cannot be undone", name);
            json undone = simulator.SaveProject();
            CheckProjectFile(host, undone, "after the undo");
            json expected = before;
            SetAsideMadeOutsideSteps(expected, undone);
            if (undone != expected)
                fuzz::Fail("undo does not restore the project file", name + ": " + json::diff(expected, undone).dump());
            if (simulator.Redo(1) != 1)
                fuzz::Fail("the call's step cannot be redone", name);
            if (simulator.SaveProject() != after)
                fuzz::Fail("redo does not restore the call's project file", name);
        }
    }
    simulator.TakeScripts();
    simulator.TakeOpened();
    DBClearPrintedText();
    ClearFiles(simulator.WorkFolder());
    return 0;
}
