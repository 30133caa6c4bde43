#include "JS.hpp"

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
Array::~Array() = default;

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

bool Object::AddItem(const GS::Ref<Function, GS::Counter>& function)
{
    if (function == nullptr || FindFunction(function->GetName()) != nullptr)
        return false;
    functions.Push(function);
    return true;
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
