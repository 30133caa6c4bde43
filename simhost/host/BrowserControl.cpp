#include "host/BrowserControl.hpp"

#include <algorithm>

#include "DefaultProgramRunner.hpp"
#include "DGDialog.hpp"
#include "host/Error.hpp"

namespace sim {

namespace {

GS::UniString FromUtf8(const std::string& text)
{
    return GS::UniString(text.data(), static_cast<UInt32>(text.size()), CC_UTF8);
}

std::string Describe(const GS::GSException& exception)
{
    std::string text = exception.GetName();
    std::string message = exception.GetMessage().ToUtf8();
    return message.empty() ? text : text + ": " + message;
}

}  // namespace

BrowserControl::~BrowserControl() = default;

nlohmann::json BrowserControl::Evaluate(DG::BrowserBase*, const std::string&)
{
    throw Error("the recording browser control shows no page to run a script in (use --browser chromium)");
}

DG::BrowserBase* BrowserControl::FindPaletteBrowser(const API_Guid& paletteGuid)
{
    const DG::Palette* palette = DG::Palette::Find(APIGuid2GSGuid(paletteGuid));
    if (palette == nullptr)
        return nullptr;
    for (DG::BrowserBase* browser : DG::BrowserBase::GetAll())
        if (&browser->GetPanel() == static_cast<const DG::Panel*>(palette))
            return browser;
    return nullptr;
}

void BrowserControl::ForgetDestroyed()
{
    std::vector<DG::BrowserBase*> alive = DG::BrowserBase::GetAll();
    std::erase_if(states, [&](const auto& entry) {
        return std::find(alive.begin(), alive.end(), entry.first) == alive.end();
    });
}

BrowserState& BrowserControl::StateOf(const DG::BrowserBase* browser)
{
    ForgetDestroyed();
    return states[browser];
}

const BrowserState* BrowserControl::Find(const DG::BrowserBase* browser) const
{
    auto found = states.find(browser);
    if (found == states.end())
        return nullptr;
    std::vector<DG::BrowserBase*> alive = DG::BrowserBase::GetAll();
    return std::find(alive.begin(), alive.end(), browser) != alive.end() ? &found->second : nullptr;
}

PageReply BrowserControl::Call(DG::BrowserBase* browser, const std::string& functionName, const nlohmann::json& args,
                               const std::string& objectName)
{
    return CallWith(browser, functionName, [&] { return ToJsArguments(args); }, objectName);
}

PageReply BrowserControl::CallJson(DG::BrowserBase* browser, const std::string& functionName, std::string_view args,
                                   const std::string& objectName)
{
    return CallWith(browser, functionName, [&] { return PageArgumentsFromJson(args); }, objectName);
}

PageReply BrowserControl::CallWith(DG::BrowserBase* browser, const std::string& functionName,
                                   const std::function<GS::Ref<JS::Base, GS::Counter>()>& arguments,
                                   const std::string& objectName)
{
    PageReply result;
    const BrowserState* state = browser != nullptr ? Find(browser) : nullptr;
    if (state == nullptr)
        return result;
    auto object = state->objects.find(objectName);
    if (object == state->objects.end())
        return result;
    GS::Ref<JS::Function, GS::Counter> function = object->second->FindFunction(FromUtf8(functionName));
    if (function == nullptr)
        return result;

    return CallBoundFunction(*function, arguments());
}

PageReply CallBoundFunction(const JS::Function& function, GS::Ref<JS::Base, GS::Counter> parameter)
{
    PageReply result;
    result.found = true;
    // The page sees a failed call as no value; the simulator keeps what escaped.
    try {
        result.reply = FromJsValue(function.Call(std::move(parameter)));
    } catch (const GS::GSException& exception) {
        result.exception = Describe(exception);
    } catch (const std::exception& exception) {
        result.exception = exception.what();
        if (result.exception.empty())
            result.exception = "std::exception";
    } catch (...) {
        result.exception = "unknown exception";
    }
    return result;
}

void BrowserControl::NewTab(DG::BrowserBase* browser, const std::string& url)
{
    if (browser == nullptr)
        return;
    browser->onNewTabRequested.Notify(*browser, DG::BrowserNewTabArg{FromUtf8(url)});
}

bool BrowserControl::Navigate(DG::BrowserBase* browser, const std::string& url)
{
    if (browser == nullptr)
        return false;
    if (!browser->onUrlWillChange.Notify(*browser, DG::BrowserURLChangeArg{FromUtf8(url)}))
        return false;
    BrowserState& state = StateOf(browser);
    state.address = url;
    ++state.pageLoads;
    return true;
}

std::vector<std::string> BrowserControl::TakeScripts()
{
    return std::exchange(pendingScripts, {});
}

void BrowserControl::Clear()
{
    states.clear();
    pendingScripts.clear();
}

GSErrCode BrowserControl::Load(DG::Browser& browser, const GS::UniString& url)
{
    BrowserState& state = StateOf(&browser);
    state.address = url.ToUtf8();
    ++state.pageLoads;
    return NoError;
}

GSErrCode BrowserControl::ExecuteScript(DG::Browser& browser, const GS::UniString& script)
{
    std::string text = script.ToUtf8();
    StateOf(&browser).scripts.push_back(text);
    pendingScripts.push_back(std::move(text));
    return NoError;
}

GSErrCode BrowserControl::RegisterObject(DG::Browser& browser, const GS::Ref<JS::Object, GS::Counter>& object)
{
    if (object == nullptr)
        return APIERR_BADPARS;
    StateOf(&browser).objects[object->GetName().ToUtf8()] = object;
    return NoError;
}

}  // namespace sim
