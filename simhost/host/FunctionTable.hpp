#pragma once

// The function table handed to a module: one slot per host operation, of the size of the module's
// host API version. Each slot counts its calls and applies the project's fault plan before the
// simulator's operation runs.

#include <array>
#include <string>

#include "APIFunctionTable.hpp"
#include "host/Faults.hpp"

namespace sim {

class Operations;

class FunctionTable {
public:
    // Slots named in `plan.missing` stay empty; faults are read from `plan` at each call.
    FunctionTable(Int32 apiVersion, Operations& operations, const FaultPlan& plan);
    ~FunctionTable();
    FunctionTable(const FunctionTable&) = delete;
    FunctionTable& operator=(const FunctionTable&) = delete;

    const void* Data() const { return slots; }
    UInt32 Size() const { return size; }
    const void* Slot(API::Operation operation) const;

    int CallCount(API::Operation operation) const;
    int CallCount(const std::string& operationName) const;

    // The table whose slots run now (the newest alive); null when there is none.
    static FunctionTable* Active();

    template <API::Operation op, class Call>
    GSErrCode Dispatch(Call&& call);

    Operations& operations;

private:
    GSErrCode ApplyFault(API::Operation operation, int callNumber) const;

    const FaultPlan& plan;
    UInt32 size;
    void** slots;
    std::array<int, API::OperationCount> calls{};
};

template <API::Operation op, class Call>
GSErrCode FunctionTable::Dispatch(Call&& call)
{
    int callNumber = ++calls[static_cast<UInt32>(op)];
    if (GSErrCode fault = ApplyFault(op, callNumber); fault != NoError)
        return fault;
    return call();
}

}  // namespace sim
