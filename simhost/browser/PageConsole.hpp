#pragma once

// What the page says, as the simulator prints it: its console, its uncaught errors and what went
// wrong with it, each line marked "page: ".

#include <iosfwd>
#include <string>

#include <nlohmann/json.hpp>

namespace sim {

// How the console shows a value the protocol describes (a RemoteObject).
std::string ConsoleText(const nlohmann::json& remote);
// The words of an exception the protocol describes (ExceptionDetails).
std::string ExceptionText(const nlohmann::json& details);

class PageLog {
public:
    explicit PageLog(std::ostream* out) : out(out) {}  // null: standard error

    void Print(const std::string& text) const;
    // Prints what the page said in a protocol event (its console, an uncaught error, a log
    // entry); any other event is left alone.
    void PrintEvent(const std::string& method, const nlohmann::json& params) const;

private:
    std::ostream* out;
};

}  // namespace sim
