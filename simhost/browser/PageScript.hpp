#pragma once

// The script the browser runs in every document before the page's own: it makes the object the
// module registered, one Promise-returning function per registered function.

#include <string>
#include <vector>

namespace sim {

// The binding the page-side functions send their calls through.
inline constexpr const char* PageBindingName = "__landfetchCall";
// The page-side function the replies are delivered to: (id, fulfilled, value).
inline constexpr const char* PageSettleName = "__landfetchSettle";

std::string ObjectPageScript(const std::string& objectName, const std::vector<std::string>& functionNames);

// An expression that calls objectName.functionName(...args) and awaits it; it gives
// {found: bool, reply?: value, rejected?: text}.
std::string CallPageExpression(const std::string& objectName, const std::string& functionName,
                               const std::string& argsJson);

}  // namespace sim
