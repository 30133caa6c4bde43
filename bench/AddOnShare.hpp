#pragma once

// Measuring the add-on's own share of an ACAPI call inside the simulator.
//
// Time: the module is handed a copy of the simulator's function table in which every host
// operation is wrapped by a stopwatch. Time spent inside host operations (the simulator storing a
// mesh, the undo step's bookkeeping, file copies into the library) is the host's; the body that an
// undoable command runs is the module's again. The share is the call's wall time minus the host's.
//
// Memory: malloc, calloc, realloc and free of this program are counted while the measured call
// runs outside a host operation; what the module allocates (its vectors, strings, and the memo
// handles it fills) counts until it is freed, by whoever frees it. The peak of that is the
// add-on's peak extra memory. The page's own values are built before the call and not counted.
//
// Include this header in exactly one source file of a benchmark program: it defines the
// program's malloc family.

#include <dlfcn.h>
#include <malloc.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "APIFunctionTable.hpp"
#include "host/BrowserControl.hpp"
#include "host/FunctionTable.hpp"
#include "host/Shell.hpp"
#include "Simulator.hpp"

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void __libc_free(void* block);
}

namespace share {

using Clock = std::chrono::steady_clock;

struct State {
    bool counting = false;  // a measured call is running
    int hostDepth = 0;      // inside a host operation
    Clock::time_point hostSince;
    std::int64_t hostNanos = 0;
    std::int64_t liveBytes = 0;
    std::int64_t peakBytes = 0;
};

inline State state;

// The module's blocks by address; open addressing, erased entries keep a tombstone.
struct Block {
    void* address;
    std::size_t size;
};
constexpr std::size_t TableSlots = std::size_t{1} << 20;
inline Block blocks[TableSlots];
inline std::size_t blockCount = 0;
void* const Tombstone = reinterpret_cast<void*>(1);

inline std::size_t SlotOf(void* address)
{
    return (reinterpret_cast<std::uintptr_t>(address) >> 4) * 0x9E3779B97F4A7C15ull >> 44;
}

inline void Remember(void* address, std::size_t size)
{
    if (address == nullptr || blockCount * 2 > TableSlots)
        return;
    for (std::size_t slot = SlotOf(address);; slot = (slot + 1) & (TableSlots - 1)) {
        if (blocks[slot].address == nullptr || blocks[slot].address == Tombstone) {
            blocks[slot] = {address, size};
            ++blockCount;
            state.liveBytes += static_cast<std::int64_t>(size);
            state.peakBytes = std::max(state.peakBytes, state.liveBytes);
            return;
        }
    }
}

inline void Forget(void* address)
{
    if (address == nullptr || blockCount == 0)
        return;
    for (std::size_t slot = SlotOf(address);; slot = (slot + 1) & (TableSlots - 1)) {
        if (blocks[slot].address == nullptr)
            return;
        if (blocks[slot].address == address) {
            state.liveBytes -= static_cast<std::int64_t>(blocks[slot].size);
            blocks[slot].address = Tombstone;
            --blockCount;
            return;
        }
    }
}

inline bool CountsNow()
{
    return state.counting && state.hostDepth == 0;
}

// Host operations: the stopwatch runs from the outermost entry to its exit.
struct HostSpan {
    HostSpan()
    {
        if (state.hostDepth++ == 0)
            state.hostSince = Clock::now();
    }
    ~HostSpan()
    {
        if (--state.hostDepth == 0)
            state.hostNanos += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - state.hostSince).count();
    }
};

// The module's command body, run by the host's undoable command: the module's time again.
struct ModuleSpan {
    int savedDepth;
    ModuleSpan() : savedDepth(state.hostDepth)
    {
        if (savedDepth > 0)
            state.hostNanos += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - state.hostSince).count();
        state.hostDepth = 0;
    }
    ~ModuleSpan()
    {
        state.hostDepth = savedDepth;
        if (savedDepth > 0)
            state.hostSince = Clock::now();
    }
};

template <API::Operation op, class Signature>
struct Wrapped;

template <API::Operation op, class... Args>
struct Wrapped<op, GSErrCode(API_Token, Args...)> {
    using Function = GSErrCode(API_Token, Args...);
    static inline Function* original = nullptr;
    static GSErrCode Call(API_Token token, Args... args)
    {
        HostSpan span;
        if constexpr (op == API::Operation::CallUndoableCommand) {
            return CallUndoable(token, args...);
        } else {
            return original(token, std::forward<Args>(args)...);
        }
    }
    template <class Name, class Body>
    static GSErrCode CallUndoable(API_Token token, Name& name, Body& body)
    {
        const API_CommandBody timed = [&body]() {
            ModuleSpan module;
            return body();
        };
        return original(token, name, timed);
    }
};

// Hands the running module a table whose every operation is timed. Call after Simulator::Start.
inline void TimeHostOperations(sim::Simulator& simulator)
{
    const sim::FunctionTable* table = simulator.GetFunctionTable();
    if (table == nullptr)
        throw std::runtime_error("the module is not started");
    static std::vector<void*> slots;
    slots.assign(table->Size() / sizeof(void*), nullptr);
    std::memcpy(slots.data(), table->Data(), table->Size());
#define SHARE_WRAP_SLOT(name, params, args)                                                              \
    {                                                                                                    \
        void*& slot = slots[static_cast<UInt32>(API::Operation::name)];                                  \
        using Wrap = Wrapped<API::Operation::name, API::Slot::name>;                                     \
        if (slot != nullptr) {                                                                           \
            Wrap::original = reinterpret_cast<Wrap::Function*>(slot);                                    \
            slot = reinterpret_cast<void*>(&Wrap::Call);                                                 \
        }                                                                                                \
    }
    API_HOST_OPERATIONS(SHARE_WRAP_SLOT)
#undef SHARE_WRAP_SLOT
    void* module = dlopen(simulator.ModulePath().c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (module == nullptr)
        throw std::runtime_error("the module is not loaded");
    auto* setImported = reinterpret_cast<SetImportedFuncAddrsProc*>(dlsym(module, "SetImportedFuncAddrs"));
    dlclose(module);
    if (setImported == nullptr || setImported(slots.data()) != NoError)
        throw std::runtime_error("the module refused the timed table");
}

// An ACAPI function of the palette's page, to be called with values built once.
inline GS::Ref<JS::Function, GS::Counter> PageFunction(sim::Simulator& simulator, const char* name)
{
    const auto& palettes = simulator.GetShell().Palettes();
    if (palettes.empty())
        throw std::runtime_error("no palette");
    const sim::BrowserState* page =
        simulator.GetBrowser().Find(sim::BrowserControl::FindPaletteBrowser(palettes.front().guid));
    if (page == nullptr || !page->objects.contains("ACAPI"))
        throw std::runtime_error("the page has no ACAPI object");
    auto function = page->objects.at("ACAPI")->FindFunction(GS::UniString(name));
    if (function == nullptr)
        throw std::runtime_error(std::string("no ACAPI function ") + name);
    return function;
}

struct Measured {
    double seconds = 0.0;      // the whole call
    double hostSeconds = 0.0;  // inside host operations
    double ShareSeconds() const { return seconds - hostSeconds; }
    std::int64_t peakBytes = 0;
    std::string reply;
};

inline Measured MeasureCall(const GS::Ref<JS::Function, GS::Counter>& function,
                            const GS::Ref<JS::Base, GS::Counter>& arguments)
{
    state = State{};
    state.counting = true;
    const Clock::time_point start = Clock::now();
    GS::Ref<JS::Base, GS::Counter> reply = function->Call(arguments);
    const Clock::time_point finish = Clock::now();
    state.counting = false;
    Measured measured;
    measured.seconds = std::chrono::duration<double>(finish - start).count();
    measured.hostSeconds = static_cast<double>(state.hostNanos) * 1e-9;
    measured.peakBytes = state.peakBytes;
    if (const auto* value = dynamic_cast<const JS::Value*>(static_cast<JS::Base*>(reply)))
        measured.reply = value->GetString().ToUtf8();
    reply = nullptr;
    std::memset(blocks, 0, sizeof blocks);
    blockCount = 0;
    return measured;
}

}  // namespace share

extern "C" {

void* malloc(std::size_t size) noexcept
{
    void* block = __libc_malloc(size);
    if (share::CountsNow())
        share::Remember(block, size);
    return block;
}

void* calloc(std::size_t count, std::size_t size) noexcept
{
    void* block = __libc_calloc(count, size);
    if (share::CountsNow())
        share::Remember(block, count * size);
    return block;
}

void* realloc(void* block, std::size_t size) noexcept
{
    share::Forget(block);
    void* moved = __libc_realloc(block, size);
    if (share::CountsNow())
        share::Remember(moved, size);
    return moved;
}

void free(void* block) noexcept
{
    share::Forget(block);
    __libc_free(block);
}

}
