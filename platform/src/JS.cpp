#include "JSValues.hpp"

#include <vector>

namespace JS {

Base::~Base() = default;

Value::Value() = default;
Value::Value(bool value) : type(BOOL), boolValue(value) {}
Value::Value(Int32 value) : type(INTEGER), intValue(value) {}
Value::Value(UInt32 value) : type(UINTEGER), uintValue(value) {}
Value::Value(double value) : type(DOUBLE), doubleValue(value) {}
Value::Value(const GS::UniString& value) : type(STRING), stringValue(value) {}
Value::~Value() = default;

GS::Ref<Value, GS::Counter> Value::Null()
{
    auto value = GS::NewRef<Value>();
    value->type = NULLVALUE;
    return value;
}

Array::Array() = default;

// A page can send arrays nested hundreds of thousands deep; releasing them one inside the other
// would take a stack frame per level. Items this array alone holds are emptied here instead.
Array::~Array()
{
    std::vector<GS::Ref<Base, GS::Counter>> pending(items.begin(), items.end());
    items.Clear();
    while (!pending.empty()) {
        GS::Ref<Base, GS::Counter> item = std::move(pending.back());
        pending.pop_back();
        if (item.Shared().use_count() != 1)
            continue;
        if (auto* array = dynamic_cast<Array*>(static_cast<Base*>(item))) {
            pending.insert(pending.end(), array->items.begin(), array->items.end());
            array->items.Clear();
        }
    }
}

void Array::AddItem(const GS::Ref<Base, GS::Counter>& item)
{
    items.Push(item);
}

Function::Function(const GS::UniString& name, Callback callback) : name(name), callback(std::move(callback)) {}
Function::~Function() = default;

GS::Ref<Base, GS::Counter> Function::Call(GS::Ref<Base, GS::Counter> parameter) const
{
    if (!callback)
        return GS::Ref<Base, GS::Counter>();
    return callback(std::move(parameter));
}

Object::Object(const GS::UniString& name) : name(name) {}
Object::~Object() = default;

void Object::AddItem(const GS::Ref<Function, GS::Counter>& function)
{
    // A null function or a second one of a name is left out.
    if (function == nullptr || FindFunction(function->GetName()) != nullptr)
        return;
    functions.Push(function);
}

GS::Ref<Function, GS::Counter> Object::FindFunction(const GS::UniString& functionName) const
{
    for (const auto& function : functions) {
        if (function->GetName() == functionName)
            return function;
    }
    return GS::Ref<Function, GS::Counter>();
}

}  // namespace JS
