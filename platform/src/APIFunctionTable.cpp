#include "APIFunctionTable.hpp"

namespace API {

const char* OperationName(Operation operation)
{
    switch (operation) {
#define API_OPERATION_NAME(name, params, args) \
    case Operation::name:                      \
        return #name;
        API_HOST_OPERATIONS(API_OPERATION_NAME)
#undef API_OPERATION_NAME
        case Operation::Count:
            break;
    }
    return "";
}

}  // namespace API
