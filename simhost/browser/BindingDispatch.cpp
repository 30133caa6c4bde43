#include "browser/BindingDispatch.hpp"

#include "browser/PageArguments.hpp"
#include "browser/PageConsole.hpp"
#include "host/Error.hpp"

namespace sim {

namespace {

GS::Ref<JS::Function, GS::Counter> FindFunction(const BrowserState* state, const std::string& objectName,
                                                const std::string& functionName)
{
    if (state == nullptr)
        return nullptr;
    auto object = state->objects.find(objectName);
    if (object == state->objects.end() || object->second == nullptr)
        return nullptr;
    return object->second->FindFunction(GS::UniString(functionName.c_str(), CC_UTF8));
}

}  // namespace

void BindingDispatch::Dispatch(std::string_view payload, const BrowserState* state, const Settle& settle)
{
    PageCall call;
    try {
        call = DecodePageCall(payload);
    } catch (const Error& error) {
        log.Print(error.what());
        return;
    }
    GS::Ref<JS::Function, GS::Counter> function = FindFunction(state, call.objectName, call.functionName);
    if (function == nullptr) {
        settle(call.id, false, call.objectName + "." + call.functionName + " is not a function");
        return;
    }
    PageReply reply;
    {
        // Without an observer the arguments go with the call: a large one is not kept meanwhile.
        GS::Ref<JS::Base, GS::Counter> arguments = call.arguments;
        if (!callObserver)
            call.arguments = nullptr;
        ModuleRuns running(moduleDepth);
        reply = CallBoundFunction(*function, std::move(arguments));
    }
    lastException = reply.exception;
    const bool settled = reply.exception.empty() ? settle(call.id, true, reply.reply) : settle(call.id, false, reply.exception);
    if (settled && callObserver)
        callObserver(call.functionName, call.arguments, reply);
}

}  // namespace sim
