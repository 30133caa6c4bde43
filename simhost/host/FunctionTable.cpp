#include "host/FunctionTable.hpp"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <vector>

#include "host/Operations.hpp"

namespace sim {

namespace {

// Tables alive, oldest first; the newest one serves the slots.
std::vector<FunctionTable*> liveTables;

// A module that calls after its table was withdrawn gets the code of a missing operation.
template <API::Operation op, auto member, class Signature>
struct Trampoline;

template <API::Operation op, auto member, class... Args>
struct Trampoline<op, member, GSErrCode(API_Token, Args...)> {
    static GSErrCode Call(API_Token, Args... args)
    {
        FunctionTable* table = FunctionTable::Active();
        if (table == nullptr)
            return APIERR_NOTSUPPORTED;
        return table->Dispatch<op>([&] { return (table->operations.*member)(std::forward<Args>(args)...); });
    }
};

}  // namespace

FunctionTable::FunctionTable(Int32 apiVersion, Operations& operations, const FaultPlan& plan)
    : operations(operations), plan(plan), size(APIFunctionTableSize(apiVersion))
{
    if (size == 0)
        throw std::invalid_argument("no function table for host API " + std::to_string(apiVersion));
    slots = static_cast<void**>(std::calloc(size / sizeof(void*), sizeof(void*)));
    if (slots == nullptr)
        throw std::bad_alloc();

#define SIM_BIND_SLOT(name, params, args)                                                                      \
    if (!plan.missing.contains(#name))                                                                         \
        slots[static_cast<UInt32>(API::Operation::name)] = reinterpret_cast<void*>(                            \
            &Trampoline<API::Operation::name, &Operations::name, API::Slot::name>::Call);
    API_HOST_OPERATIONS(SIM_BIND_SLOT)
#undef SIM_BIND_SLOT

    liveTables.push_back(this);
}

FunctionTable::~FunctionTable()
{
    std::erase(liveTables, this);
    std::free(slots);
}

FunctionTable* FunctionTable::Active()
{
    return liveTables.empty() ? nullptr : liveTables.back();
}

const void* FunctionTable::Slot(API::Operation operation) const
{
    return slots[static_cast<UInt32>(operation)];
}

int FunctionTable::CallCount(API::Operation operation) const
{
    return calls[static_cast<UInt32>(operation)];
}

int FunctionTable::CallCount(const std::string& operationName) const
{
    for (UInt32 i = 0; i < API::OperationCount; ++i)
        if (operationName == API::OperationName(static_cast<API::Operation>(i)))
            return calls[i];
    return 0;
}

GSErrCode FunctionTable::ApplyFault(API::Operation operation, int callNumber) const
{
    auto found = plan.faults.find(API::OperationName(operation));
    if (found == plan.faults.end())
        return NoError;
    const Fault& fault = found->second;
    if (!fault.calls.empty() && std::find(fault.calls.begin(), fault.calls.end(), callNumber) == fault.calls.end())
        return NoError;

    std::string message = std::string("injected fault of ") + API::OperationName(operation);
    if (fault.throws == "gs")
        throw GS::GSException(GS::UniString(message.c_str()), __FILE__, __LINE__, fault.code);
    if (fault.throws == "std")
        throw std::runtime_error(message);
    if (fault.throws == "other")
        throw static_cast<int>(fault.code);
    return fault.code;
}

}  // namespace sim
