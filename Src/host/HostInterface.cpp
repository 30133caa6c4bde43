#include "HostInterface.hpp"

#include <cstring>

#include "HostBinding.hpp"

namespace {

constexpr UInt32 TableSize = APIFunctionTableSize(LANDFETCH_API_VERSION);
static_assert(TableSize > 0, "no function table size for this host API version");

// The host's table as it was handed over; slots are read with memcpy because the storage is a
// byte copy, not an array of pointers the host built for us.
alignas(void*) unsigned char functionTable[TableSize] = {};
bool tableReceived = false;
API_Token contextToken = nullptr;
API_Token interfaceToken = nullptr;
GSResModule ownResModule = InvalidResModule;

template <class SlotType>
SlotType* SlotOf(API::Operation operation)
{
    const std::size_t offset = static_cast<std::size_t>(operation) * sizeof(void*);
    static_assert(API::OperationCount * sizeof(void*) <= TableSize);
    SlotType* slot = nullptr;
    std::memcpy(&slot, functionTable + offset, sizeof slot);
    return slot;
}

}  // namespace

namespace HostBinding {

bool ReceiveTable(const void* table)
{
    if (table == nullptr)
        return false;
    std::memcpy(functionTable, table, TableSize);
    tableReceived = true;
    return true;
}

bool TableReceived()
{
    return tableReceived;
}

void SetContextToken(API_Token token)
{
    contextToken = token;
}

API_Token GetContextToken()
{
    return contextToken;
}

void SetInterfaceToken(API_Token token)
{
    interfaceToken = token;
}

API_Token GetInterfaceToken()
{
    return interfaceToken;
}

void SetOwnResourceModule(GSResModule resModule)
{
    ownResModule = resModule;
}

}  // namespace HostBinding

// Defined by qualified name, so that every operation of the table needs its declaration, with the
// same parameters, in HostInterface.hpp.
#define LANDFETCH_TOKEN_AND(...) (contextToken __VA_OPT__(, ) __VA_ARGS__)
#define LANDFETCH_DEFINE_HOST_OPERATION(name, params, args)                      \
    GSErrCode Host::name params                                                  \
    {                                                                            \
        API::Slot::name* slot = SlotOf<API::Slot::name>(API::Operation::name);   \
        if (slot == nullptr)                                                     \
            return APIERR_NOTSUPPORTED;                                         \
        return slot LANDFETCH_TOKEN_AND args;                                    \
    }
API_HOST_OPERATIONS(LANDFETCH_DEFINE_HOST_OPERATION)
#undef LANDFETCH_DEFINE_HOST_OPERATION
#undef LANDFETCH_TOKEN_AND

GSResModule Host::GetOwnResourceModule()
{
    return ownResModule;
}
