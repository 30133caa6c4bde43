#include "BrowserControl.hpp"

#include <algorithm>
#include <limits>

#include "GSUtils.hpp"
#include "Operations.hpp"
#include "Simulator.hpp"

namespace sim {

namespace {

GS::UniString FromUtf8(const std::string& text)
{
    return GS::UniString(text.data(), static_cast<UInt32>(text.size()), CC_UTF8);
}

GS::Ref<JS::Base, GS::Counter> ToJsNumber(const nlohmann::json& value)
{
    if (value.is_number_unsigned()) {
        auto number = value.get<std::uint64_t>();
        if (number <= static_cast<std::uint64_t>(std::numeric_limits<Int32>::max()))
            return GS::NewRef<JS::Value>(static_cast<Int32>(number));
        if (number <= std::numeric_limits<UInt32>::max())
            return GS::NewRef<JS::Value>(static_cast<UInt32>(number));
        return GS::NewRef<JS::Value>(static_cast<double>(number));
    }
    if (value.is_number_integer()) {
        auto number = value.get<std::int64_t>();
        if (number >= std::numeric_limits<Int32>::min() && number <= std::numeric_limits<Int32>::max())
            return GS::NewRef<JS::Value>(static_cast<Int32>(number));
        if (number >= 0 && number <= static_cast<std::int64_t>(std::numeric_limits<UInt32>::max()))
            return GS::NewRef<JS::Value>(static_cast<UInt32>(number));
        return GS::NewRef<JS::Value>(static_cast<double>(number));
    }
    return GS::NewRef<JS::Value>(value.get<double>());
}

std::string Describe(const GS::GSException& exception)
{
    std::string text = exception.GetName();
    std::string message = exception.GetMessage().ToUtf8();
    return message.empty() ? text : text + ": " + message;
}

}  // namespace

GS::Ref<JS::Base, GS::Counter> ToJsValue(const nlohmann::json& value)
{
    switch (value.type()) {
        case nlohmann::json::value_t::null:
            return nullptr;
        case nlohmann::json::value_t::boolean:
            return GS::NewRef<JS::Value>(value.get<bool>());
        case nlohmann::json::value_t::number_integer:
        case nlohmann::json::value_t::number_unsigned:
        case nlohmann::json::value_t::number_float:
            return ToJsNumber(value);
        case nlohmann::json::value_t::string:
            return GS::NewRef<JS::Value>(FromUtf8(value.get<std::string>()));
        case nlohmann::json::value_t::array: {
            auto array = GS::NewRef<JS::Array>();
            for (const nlohmann::json& item : value)
                array->AddItem(ToJsValue(item));
            return array;
        }
        default:
            throw Error("a call argument cannot be a JSON object: " + value.dump());
    }
}

GS::Ref<JS::Base, GS::Counter> ToJsArguments(const nlohmann::json& args)
{
    if (args.is_null())
        return GS::NewRef<JS::Array>();
    if (!args.is_array())
        throw Error("call arguments must be a JSON array: " + args.dump());
    return ToJsValue(args);
}

nlohmann::json FromJsValue(const GS::Ref<JS::Base, GS::Counter>& value)
{
    auto scalar = GS::DynamicCast<JS::Value>(value);
    if (scalar == nullptr)
        return nullptr;
    switch (scalar->GetType()) {
        case JS::Value::STRING: return scalar->GetString().ToUtf8();
        case JS::Value::BOOL: return scalar->GetBool();
        default: return nullptr;
    }
}

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

    return CallBoundFunction(*function, ToJsArguments(args));
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
    browser->onNewTab.Notify(*browser, DG::BrowserNewTabArg{FromUtf8(url)});
}

bool BrowserControl::Navigate(DG::BrowserBase* browser, const std::string& url)
{
    if (browser == nullptr)
        return false;
    if (!browser->onURLChange.Notify(*browser, DG::BrowserURLChangeArg{FromUtf8(url)}))
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

GSErrCode Operations::BrowserLoad(DG::Browser& browser, const GS::UniString& url)
{
    return this->browser.Load(browser, url);
}

GSErrCode Operations::BrowserExecuteScript(DG::Browser& browser, const GS::UniString& script)
{
    return this->browser.ExecuteScript(browser, script);
}

GSErrCode Operations::BrowserRegisterObject(DG::Browser& browser, const GS::Ref<JS::Object, GS::Counter>& object)
{
    return this->browser.RegisterObject(browser, object);
}

}  // namespace sim
