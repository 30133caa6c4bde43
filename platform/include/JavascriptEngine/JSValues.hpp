#pragma once

// The host's JavaScript-engine types, as a page and an add-on exchange them.

#include <functional>

#include "GSRoot.hpp"

namespace JS {

class PLATFORM_API Base {
public:
    virtual ~Base();
};

class PLATFORM_API Value : public Base {
public:
    enum ValueType : Int32 {
        UNDEFINED = 0,
        BOOL = 1,
        INTEGER = 2,
        UINTEGER = 3,
        DOUBLE = 4,
        STRING = 5,
        NULLVALUE = 6
    };

    Value();  // undefined
    explicit Value(bool value);
    explicit Value(Int32 value);
    explicit Value(UInt32 value);
    explicit Value(double value);
    explicit Value(const GS::UniString& value);
    Value(const char*) = delete;  // would silently become a bool
    ~Value() override;

    ValueType GetType() const { return type; }
    bool GetBool() const { return boolValue; }
    Int32 GetInteger() const { return intValue; }
    UInt32 GetUInteger() const { return uintValue; }
    double GetDouble() const { return doubleValue; }
    const GS::UniString& GetString() const { return stringValue; }

    static GS::Ref<Value, GS::Counter> Null();

private:
    ValueType type = UNDEFINED;
    bool boolValue = false;
    Int32 intValue = 0;
    UInt32 uintValue = 0;
    double doubleValue = 0.0;
    GS::UniString stringValue;
};

class PLATFORM_API Array : public Base {
public:
    Array();
    ~Array() override;

    void AddItem(const GS::Ref<Base, GS::Counter>& item);
    const GS::Array<GS::Ref<Base, GS::Counter>>& GetItemArray() const { return items; }

private:
    GS::Array<GS::Ref<Base, GS::Counter>> items;
};

class PLATFORM_API Function : public Base {
public:
    using Callback = std::function<GS::Ref<Base, GS::Counter>(GS::Ref<Base, GS::Counter>)>;

    Function(const GS::UniString& name, Callback callback);
    ~Function() override;

    const GS::UniString& GetName() const { return name; }
    GS::Ref<Base, GS::Counter> Call(GS::Ref<Base, GS::Counter> parameter) const;

private:
    GS::UniString name;
    Callback callback;
};

class PLATFORM_API Object : public Base {
public:
    explicit Object(const GS::UniString& name);
    ~Object() override;

    const GS::UniString& GetName() const { return name; }
    void AddItem(const GS::Ref<Function, GS::Counter>& function);
    const GS::Array<GS::Ref<Function, GS::Counter>>& GetItemArray() const { return functions; }
    GS::Ref<Function, GS::Counter> FindFunction(const GS::UniString& functionName) const;  // null when absent

private:
    GS::UniString name;
    GS::Array<GS::Ref<Function, GS::Counter>> functions;
};

}  // namespace JS
