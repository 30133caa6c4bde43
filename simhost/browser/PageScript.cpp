#include "browser/PageScript.hpp"

#include <charconv>
#include <cmath>

#include "UniStringUnits.hpp"

namespace sim {

namespace {

void AppendNumber(double number, std::string& out)
{
    if (std::isnan(number)) {
        out += "NaN";
    } else if (std::isinf(number)) {
        out += number > 0 ? "Infinity" : "(-Infinity)";  // a bare minus could join the token before it
    } else if (number == 0.0 && std::signbit(number)) {
        out += "(-0)";
    } else {
        char text[32];
        auto [end, error] = std::to_chars(text, text + sizeof text, number);
        out.append(text, error == std::errc() ? end : text);
    }
}

void AppendSource(const GS::Ref<JS::Base, GS::Counter>& value, std::string& out)
{
    if (value == nullptr) {
        out += "null";
        return;
    }
    if (auto array = GS::DynamicCast<JS::Array>(value); array != nullptr) {
        out += '[';
        bool first = true;
        for (const GS::Ref<JS::Base, GS::Counter>& item : array->GetItemArray()) {
            if (!first)
                out += ',';
            first = false;
            AppendSource(item, out);
        }
        out += ']';
        return;
    }
    auto scalar = GS::DynamicCast<JS::Value>(value);
    if (scalar == nullptr) {
        out += GS::DynamicCast<JS::Object>(value) != nullptr ? "({})" : "undefined";
        return;
    }
    switch (scalar->GetType()) {
        case JS::Value::UNDEFINED: out += "undefined"; return;
        case JS::Value::NULLVALUE: out += "null"; return;
        case JS::Value::BOOL: out += scalar->GetBool() ? "true" : "false"; return;
        case JS::Value::INTEGER: out += std::to_string(scalar->GetInteger()); return;
        case JS::Value::UINTEGER: out += std::to_string(scalar->GetUInteger()); return;
        case JS::Value::DOUBLE: AppendNumber(scalar->GetDouble(), out); return;
        case JS::Value::STRING: out += ScriptLiteral(scalar->GetString().ToUtf8()); return;
    }
    out += "undefined";
}

void AppendEncoded(const GS::Ref<JS::Base, GS::Counter>& value, std::string& out)
{
    if (value == nullptr) {
        out += 'n';
        return;
    }
    if (auto array = GS::DynamicCast<JS::Array>(value); array != nullptr) {
        const auto& items = array->GetItemArray();
        out += 'a' + std::to_string(items.GetSize()) + ':';
        for (const GS::Ref<JS::Base, GS::Counter>& item : items)
            AppendEncoded(item, out);
        return;
    }
    auto scalar = GS::DynamicCast<JS::Value>(value);
    if (scalar == nullptr) {
        out += GS::DynamicCast<JS::Object>(value) != nullptr ? 'o' : 'u';
        return;
    }
    switch (scalar->GetType()) {
        case JS::Value::UNDEFINED: out += 'u'; return;
        case JS::Value::NULLVALUE: out += 'n'; return;
        case JS::Value::BOOL: out += scalar->GetBool() ? 't' : 'f'; return;
        case JS::Value::INTEGER: out += 'i' + std::to_string(scalar->GetInteger()) + ';'; return;
        case JS::Value::UINTEGER: out += 'U' + std::to_string(scalar->GetUInteger()) + ';'; return;
        case JS::Value::DOUBLE: {
            const double number = scalar->GetDouble();
            out += 'd';
            if (std::isnan(number)) {
                out += "NaN";
            } else if (std::isinf(number)) {
                out += number > 0 ? "Infinity" : "-Infinity";
            } else if (number == 0.0 && std::signbit(number)) {
                out += "-0";
            } else {
                char text[32];
                auto [end, error] = std::to_chars(text, text + sizeof text, number);
                out.append(text, error == std::errc() ? end : text);
            }
            out += ';';
            return;
        }
        case JS::Value::STRING: {
            const GS::UniString& text = scalar->GetString();
            out += 's' + std::to_string(Substitute::Units(text).size()) + ':';
            out += text.ToUtf8();
            return;
        }
    }
    out += 'u';
}

// Shared by every object of a document: the pending calls and the value encoding of the host's
// engine (see PageArguments.hpp). Only the main frame gets it, as in the host's palette.
constexpr const char* Machinery = R"JS(
  if (window !== window.top) return;
  const key = Symbol.for('landfetch.bridge');
  let bridge = window[key];
  if (!bridge) {
    const binding = window[BINDING];
    if (typeof binding !== 'function') return;
    const pending = new Map();
    let lastId = 0;
    const encode = (value, out, open) => {
      switch (typeof value) {
        case 'undefined': out.push('u'); return;
        case 'boolean': out.push(value ? 't' : 'f'); return;
        case 'string': out.push('s' + value.length + ':', value); return;
        case 'number':
          if (Number.isInteger(value) && !Object.is(value, -0)) {
            if (value >= -2147483648 && value <= 2147483647) { out.push('i' + value + ';'); return; }
            if (value >= 0 && value <= 4294967295) { out.push('U' + value + ';'); return; }
          }
          out.push('d' + (Object.is(value, -0) ? '-0' : String(value)) + ';');
          return;
        case 'object':
          if (value === null) { out.push('n'); return; }
          if (Array.isArray(value)) {
            if (open.has(value)) throw new TypeError('an argument contains itself');
            open.add(value);
            out.push('a' + value.length + ':');
            for (let i = 0; i < value.length; ++i) encode(value[i], out, open);
            open.delete(value);
            return;
          }
          out.push('o');
          return;
        default: out.push('u');
      }
    };
    bridge = {
      call(objectName, name, args) {
        return new Promise((resolve, reject) => {
          const out = ['c', String(++lastId), ';s', String(objectName.length), ':', objectName,
                       's', String(name.length), ':', name];
          encode(args, out, new Set());
          pending.set(lastId, { resolve, reject });
          binding(out.join(''));
        });
      },
    };
    Object.defineProperty(window, key, { value: bridge });
    Object.defineProperty(window, SETTLE, {
      value: (id, fulfilled, value) => {
        const entry = pending.get(id);
        if (!entry) return;
        pending.delete(id);
        if (fulfilled) entry.resolve(value); else entry.reject(new Error(value));
      },
    });
  }
)JS";

}  // namespace

std::string ScriptLiteral(const nlohmann::json& value)
{
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string ArgumentsSource(const GS::Ref<JS::Base, GS::Counter>& arguments)
{
    std::string out;
    AppendSource(arguments, out);
    return out;
}

std::string EncodeArguments(const GS::Ref<JS::Base, GS::Counter>& arguments)
{
    std::string out;
    AppendEncoded(arguments, out);
    return out;
}

std::string CallPageFetchingExpression(const std::string& objectName, const std::string& functionName,
                                       const std::string& path)
{
    // The lookup and the call stay in one task, as in CallPageExpression: the page cannot change
    // its object between them.
    return "(async () => {\n"
           "  let text;\n"
           "  try {\n"
           "    if (!/^https?:$/.test(location.protocol)) return { fetched: false };\n"
           "    const response = await fetch(" + ScriptLiteral(path) + ", { cache: 'no-store' });\n"
           "    if (response.status !== 200) return { fetched: false };\n"
           "    text = await response.text();\n"
           "  } catch (e) { return { fetched: false }; }\n"
           "  let at = 0;\n"
           "  const field = (end) => { const stop = text.indexOf(end, at); const f = text.slice(at, stop); at = stop + 1; return f; };\n"
           "  const value = () => {\n"
           "    switch (text[at++]) {\n"
           "      case 'u': return undefined;\n"
           "      case 'n': return null;\n"
           "      case 't': return true;\n"
           "      case 'f': return false;\n"
           "      case 'o': return {};\n"
           "      case 's': { const n = Number(field(':')); const s = text.slice(at, at + n); at += n; return s; }\n"
           "      case 'a': { const n = Number(field(':')); const a = []; for (let i = 0; i < n; ++i) a.push(value()); return a; }\n"
           "      default: return Number(field(';'));\n"
           "    }\n"
           "  };\n"
           "  const args = value();\n"
           "  text = undefined;\n"
           "  const object = window[" + ScriptLiteral(objectName) + "];\n"
           "  const f = object && object[" + ScriptLiteral(functionName) + "];\n"
           "  if (typeof f !== 'function') return { found: false };\n"
           "  try { return { found: true, reply: await f(...args) }; }\n"
           "  catch (e) { return { found: true, rejected: String(e && e.message !== undefined ? e.message : e) }; }\n"
           "})()";
}

std::string SettleExpression(double id, bool fulfilled, const nlohmann::json& value)
{
    return std::string(PageSettleName) + "(" + ScriptLiteral(id) + "," + (fulfilled ? "true" : "false") + "," +
           ScriptLiteral(value) + ")";
}

std::string ObjectPageScript(const std::string& objectName, const std::vector<std::string>& functionNames)
{
    std::string script = "(() => {\n  const BINDING = " + ScriptLiteral(PageBindingName) +
                         ";\n  const SETTLE = " + ScriptLiteral(PageSettleName) + ";\n" + Machinery;
    script += "  const objectName = " + ScriptLiteral(objectName) + ";\n  const object = {};\n";
    script += "  for (const name of " + ScriptLiteral(functionNames) + ")\n";
    // A method's own name, as the host's functions have; `this` does not matter.
    script += "    object[name] = { [name](...args) { return bridge.call(objectName, name, args); } }[name];\n";
    script += "  Object.defineProperty(window, objectName, { value: object, writable: true, configurable: true, enumerable: true });\n})();\n";
    return script;
}

std::string CallPageExpression(const std::string& objectName, const std::string& functionName,
                               const std::string& argsJson)
{
    return "(async () => {\n  const object = window[" + ScriptLiteral(objectName) + "];\n  const f = object && object[" +
           ScriptLiteral(functionName) +
           "];\n  if (typeof f !== 'function') return { found: false };\n"
           "  try { return { found: true, reply: await f(..." +
           argsJson +
           ") }; }\n"
           "  catch (e) { return { found: true, rejected: String(e && e.message !== undefined ? e.message : e) }; }\n"
           "})()";
}

}  // namespace sim
