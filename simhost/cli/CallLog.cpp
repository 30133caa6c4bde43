#include "cli/CallLog.hpp"

namespace sim {

namespace {

using nlohmann::json;

// Counts code points, so a cut never splits a UTF-8 sequence.
std::string Shorten(const std::string& text, std::size_t limit)
{
    std::size_t points = 0;
    std::size_t cut = std::string::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        if (points == limit)
            cut = i;
        ++points;
    }
    if (cut == std::string::npos)
        return text;
    return text.substr(0, cut) + "…(" + std::to_string(points) + " characters)";
}

void Write(const json& value, std::size_t textLimit, std::size_t listLimit, std::string& out)
{
    if (value.is_string()) {
        out += json(Shorten(value.get<std::string>(), textLimit)).dump(-1, ' ', false, json::error_handler_t::replace);
    } else if (value.is_array()) {
        out += '[';
        for (std::size_t i = 0; i < value.size() && i < listLimit; ++i) {
            if (i > 0)
                out += ',';
            Write(value[i], textLimit, listLimit, out);
        }
        if (value.size() > listLimit)
            out += ",…(" + std::to_string(value.size()) + " items)";
        out += ']';
    } else {
        out += value.dump(-1, ' ', false, json::error_handler_t::replace);
    }
}

}  // namespace

std::string ShortJson(const json& value, std::size_t textLimit, std::size_t listLimit)
{
    std::string out;
    Write(value, textLimit, listLimit, out);
    return out;
}

std::string CallLine(const std::string& name, const json& args, const json& reply)
{
    std::string line = name + "(";
    if (args.is_array()) {
        for (std::size_t i = 0; i < args.size(); ++i)
            line += (i > 0 ? ", " : "") + ShortJson(args[i]);
    }
    return line + ") -> " + ShortJson(reply, 200, 8);
}

}  // namespace sim
