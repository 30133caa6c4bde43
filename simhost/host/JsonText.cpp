#include "host/JsonText.hpp"

#include <algorithm>
#include <cstdint>
#include <string>

#include <simdjson.h>

#include "host/JsonNesting.hpp"

namespace sim {

namespace {

// Deeper texts take nlohmann's path, which builds them without recursion for the nesting guard.
constexpr std::size_t ParserDepth = MaxJsonNesting + 16;

nlohmann::json Converted(simdjson::dom::element element)
{
    using Type = simdjson::dom::element_type;
    switch (element.type()) {
        case Type::ARRAY: {
            nlohmann::json array = nlohmann::json::array();
            for (simdjson::dom::element item : simdjson::dom::array(element))
                array.push_back(Converted(item));
            return array;
        }
        case Type::OBJECT: {
            nlohmann::json object = nlohmann::json::object();
            // A repeated name keeps its last value, as nlohmann's parser does.
            for (simdjson::dom::key_value_pair member : simdjson::dom::object(element))
                object[std::string(member.key)] = Converted(member.value);
            return object;
        }
        case Type::STRING: return std::string(std::string_view(element));
        // nlohmann reads an integer without sign as unsigned ("-0" too, here: equal, and printed alike).
        case Type::INT64: {
            const std::int64_t number = std::int64_t(element);
            if (number >= 0)
                return static_cast<std::uint64_t>(number);
            return number;
        }
        case Type::UINT64: return std::uint64_t(element);
        case Type::DOUBLE: return double(element);
        case Type::BOOL: return bool(element);
        case Type::NULL_VALUE: return nullptr;
    }
    return nullptr;
}

// `text` is followed by at least `padding` readable bytes.
nlohmann::json Parse(std::string_view text, std::size_t padding)
{
    {
        simdjson::dom::parser parser;
        simdjson::dom::element root;
        if (parser.allocate(text.size(), ParserDepth) == simdjson::SUCCESS) {
            const simdjson::error_code error =
                padding >= simdjson::SIMDJSON_PADDING
                    ? parser.parse(text.data(), text.size(), false).get(root)
                    : parser.parse(simdjson::padded_string(text.data(), text.size())).get(root);
            if (error == simdjson::SUCCESS)
                return Converted(root);
        }
    }
    return nlohmann::json::parse(text.begin(), text.end());
}

}  // namespace

nlohmann::json ParseJsonText(std::string_view text)
{
    return Parse(text, 0);
}

nlohmann::json ParseJsonStream(std::istream& in)
{
    // Sized from the stream when it can tell, grown when it cannot or when it was wrong.
    std::size_t expected = 1 << 16;
    const std::istream::pos_type start = in.tellg();
    if (start != std::istream::pos_type(-1)) {
        if (in.seekg(0, std::ios::end)) {
            const std::istream::pos_type end = in.tellg();
            if (end != std::istream::pos_type(-1) && end >= start)
                expected = static_cast<std::size_t>(end - start) + 1;
        }
        in.clear();
        in.seekg(start);
    }
    std::string text;
    std::size_t used = 0;
    while (in) {
        if (text.size() < used + expected + simdjson::SIMDJSON_PADDING)
            text.resize(used + expected + simdjson::SIMDJSON_PADDING);
        in.read(text.data() + used, static_cast<std::streamsize>(expected));
        used += static_cast<std::size_t>(in.gcount());
        expected = std::max<std::size_t>(expected, used);
    }
    return Parse(std::string_view(text.data(), used), text.size() - used);
}

}  // namespace sim
