#pragma once

// The page's calls of registered functions, as the binding brings them one at a time: the payload
// read once into the engine's values, the function found among the objects the module registered,
// called as the host calls it, and the page's promise settled with the reply or rejected.

#include <functional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "host/BrowserControl.hpp"
#include "JSValues.hpp"

namespace sim {

class PageLog;

// Counts the module's running: what the page sends meanwhile waits for it.
class ModuleRuns {
public:
    explicit ModuleRuns(int& depth) : depth(depth) { ++depth; }
    ~ModuleRuns() { --depth; }
    ModuleRuns(const ModuleRuns&) = delete;
    ModuleRuns& operator=(const ModuleRuns&) = delete;

private:
    int& depth;
};

class BindingDispatch {
public:
    // Settles the page's promise of call `id`; false when the page is gone.
    using Settle = std::function<bool(double id, bool fulfilled, const nlohmann::json& value)>;
    // Each call the page made, once its reply went back to the page.
    using CallObserver = std::function<void(const std::string& functionName,
                                            const GS::Ref<JS::Base, GS::Counter>& arguments, const PageReply& reply)>;

    // `moduleDepth` counts the module's running; a malformed call is printed to `log`.
    BindingDispatch(int& moduleDepth, const PageLog& log) : moduleDepth(moduleDepth), log(log) {}

    // One call of the page, among the objects of `state` (null: none). Throws nothing of the page's
    // making: a call that cannot be read reaches no function and is printed.
    void Dispatch(std::string_view payload, const BrowserState* state, const Settle& settle);

    void SetCallObserver(CallObserver observer) { callObserver = std::move(observer); }
    // What escaped the function the page called last; empty when nothing did.
    const std::string& LastException() const { return lastException; }
    void ForgetLastException() { lastException.clear(); }

private:
    int& moduleDepth;
    const PageLog& log;
    std::string lastException;
    CallObserver callObserver;
};

}  // namespace sim
