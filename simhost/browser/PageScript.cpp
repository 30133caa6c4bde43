#include "browser/PageScript.hpp"

#include <nlohmann/json.hpp>

namespace sim {

namespace {

std::string Literal(const nlohmann::json& value)
{
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
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

std::string ObjectPageScript(const std::string& objectName, const std::vector<std::string>& functionNames)
{
    std::string script = "(() => {\n  const BINDING = " + Literal(PageBindingName) +
                         ";\n  const SETTLE = " + Literal(PageSettleName) + ";\n" + Machinery;
    script += "  const objectName = " + Literal(objectName) + ";\n  const object = {};\n";
    script += "  for (const name of " + Literal(functionNames) + ")\n";
    // A method's own name, as the host's functions have; `this` does not matter.
    script += "    object[name] = { [name](...args) { return bridge.call(objectName, name, args); } }[name];\n";
    script += "  Object.defineProperty(window, objectName, { value: object, writable: true, configurable: true, enumerable: true });\n})();\n";
    return script;
}

std::string CallPageExpression(const std::string& objectName, const std::string& functionName,
                               const std::string& argsJson)
{
    return "(async () => {\n  const object = window[" + Literal(objectName) + "];\n  const f = object && object[" +
           Literal(functionName) +
           "];\n  if (typeof f !== 'function') return { found: false };\n"
           "  try { return { found: true, reply: await f(..." +
           argsJson +
           ") }; }\n"
           "  catch (e) { return { found: true, rejected: String(e && e.message !== undefined ? e.message : e) }; }\n"
           "})()";
}

}  // namespace sim
