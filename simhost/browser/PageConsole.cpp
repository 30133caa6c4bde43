#include "browser/PageConsole.hpp"

#include <iostream>
#include <sstream>

#include "browser/PageScript.hpp"

namespace sim {

namespace {

std::string PreviewText(const nlohmann::json& preview)
{
    const bool array = preview.value("subtype", std::string()) == "array";
    std::string text;
    for (const nlohmann::json& property : preview.value("properties", nlohmann::json::array())) {
        std::string item = property.value("value", std::string());
        if (property.value("type", std::string()) == "string")
            item = ScriptLiteral(item);
        if (!text.empty())
            text += ", ";
        text += array ? item : property.value("name", std::string()) + ": " + item;
    }
    if (preview.value("overflow", false))
        text += text.empty() ? "…" : ", …";
    return array ? "[" + text + "]" : "{" + text + "}";
}

}  // namespace

std::string ConsoleText(const nlohmann::json& remote)
{
    const std::string subtype = remote.value("subtype", std::string());
    if (remote.contains("preview") && (subtype == "array" || (subtype.empty() && remote.value("className", std::string()) == "Object")))
        return PreviewText(remote["preview"]);
    if (remote.contains("value"))
        return remote["value"].is_string() ? remote["value"].get<std::string>() : ScriptLiteral(remote["value"]);
    if (remote.contains("unserializableValue"))
        return remote["unserializableValue"].get<std::string>();
    if (remote.contains("description"))
        return remote["description"].get<std::string>();
    return remote.value("type", std::string("undefined"));
}

std::string ExceptionText(const nlohmann::json& details)
{
    std::string text = details.value("text", std::string());
    if (details.contains("exception") && details["exception"].contains("description")) {
        std::string description = details["exception"]["description"].get<std::string>();
        return text.empty() || text == description ? description : text + " " + description;
    }
    if (details.contains("exception"))
        return text + " " + ConsoleText(details["exception"]);
    return text;
}

void PageLog::Print(const std::string& text) const
{
    std::ostream& stream = out != nullptr ? *out : std::cerr;
    std::stringstream lines(text);
    std::string line;
    bool any = false;
    while (std::getline(lines, line)) {
        stream << "page: " << line << "\n";
        any = true;
    }
    if (!any)
        stream << "page: \n";
    stream.flush();
}

void PageLog::PrintEvent(const std::string& method, const nlohmann::json& params) const
{
    if (method == "Runtime.consoleAPICalled") {
        std::string text;
        for (const nlohmann::json& arg : params.value("args", nlohmann::json::array())) {
            if (!text.empty())
                text += ' ';
            text += ConsoleText(arg);
        }
        Print(text);
    } else if (method == "Runtime.exceptionThrown") {
        Print(ExceptionText(params["exceptionDetails"]));
    } else if (method == "Log.entryAdded") {
        const nlohmann::json& entry = params["entry"];
        std::string url = entry.value("url", std::string());
        Print(entry.value("text", std::string()) + (url.empty() ? "" : " (" + url + ")"));
    }
}

}  // namespace sim
