#pragma once

// What every exported file must be, whatever the project held: a drawing that an XML parser reads
// whole with only finite numbers in its geometry, and a model whose JSON and buffer hold only
// finite numbers.

#include <cmath>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <expat.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "TestSupport.hpp"

namespace exportcheck {

// The attributes that carry numbers of the drawing.
inline bool Numeric(const std::string& name)
{
    for (const char* numeric : {"x", "y", "width", "height", "viewBox", "d", "transform", "font-size", "dy"})
        if (name == numeric)
            return true;
    return false;
}

// Parsed by expat; empty when the document is well-formed and every number in it is finite.
inline std::string SvgFaults(const std::string& svg)
{
    struct State {
        std::string faults;
        int elements = 0;
    } state;
    XML_Parser parser = XML_ParserCreate("UTF-8");
    XML_SetUserData(parser, &state);
    XML_SetStartElementHandler(parser, [](void* data, const XML_Char*, const XML_Char** attributes) {
        auto& state = *static_cast<State*>(data);
        ++state.elements;
        static const std::regex number(R"([-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?)");
        for (int i = 0; attributes[i] != nullptr; i += 2) {
            const std::string name = attributes[i], value = attributes[i + 1];
            if (!Numeric(name))
                continue;
            std::string lower = value;
            for (char& c : lower)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (lower.find("inf") != std::string::npos || lower.find("nan") != std::string::npos)
                state.faults += name + "=\"" + value + "\" ";
            for (auto it = std::sregex_iterator(value.begin(), value.end(), number); it != std::sregex_iterator(); ++it)
                if (!std::isfinite(std::strtod(it->str().c_str(), nullptr)))
                    state.faults += name + "=\"" + value + "\" ";
        }
    });
    if (XML_Parse(parser, svg.data(), static_cast<int>(svg.size()), 1) == XML_STATUS_ERROR)
        state.faults += std::string("not well-formed: ") + XML_ErrorString(XML_GetErrorCode(parser)) + " at line " +
                        std::to_string(XML_GetCurrentLineNumber(parser));
    else if (state.elements == 0)
        state.faults += "no element";
    XML_ParserFree(parser);
    return state.faults;
}

inline void CollectNonFinite(const nlohmann::json& value, const std::string& where, std::string& faults)
{
    if (value.is_null())
        faults += where + " is null (a number that was not finite) ";
    else if (value.is_number_float() && !std::isfinite(value.get<double>()))
        faults += where + " ";
    else if (value.is_structured())
        for (const auto& [key, item] : value.items())
            CollectNonFinite(item, where + "/" + key, faults);
}

// The model file parsed as JSON and its buffer read as the accessors describe it; empty when both
// hold only finite numbers.
inline std::string GltfFaults(const std::filesystem::path& file)
{
    const nlohmann::json model = nlohmann::json::parse(test::ReadFile(file), nullptr, false);
    if (model.is_discarded())
        return "not JSON";
    std::string faults;
    CollectNonFinite(model, "", faults);
    const std::string bin = test::ReadFile(file.parent_path() / model["buffers"][0]["uri"].get<std::string>());
    if (bin.size() != model["buffers"][0]["byteLength"].get<std::size_t>())
        return faults + "the buffer's length is not the one the model names";
    for (const auto& accessor : model.value("accessors", nlohmann::json::array())) {
        if (accessor["componentType"] != 5126)  // floats
            continue;
        const auto& view = model["bufferViews"][accessor["bufferView"].get<std::size_t>()];
        const std::size_t width = accessor["type"] == "VEC3" ? 3 : accessor["type"] == "VEC2" ? 2 : 1;
        const std::size_t start = view.value("byteOffset", std::size_t(0)) + accessor.value("byteOffset", std::size_t(0));
        const std::size_t count = accessor["count"].get<std::size_t>() * width;
        if (start + count * sizeof(float) > bin.size())
            return faults + "an accessor reaches past the buffer";
        for (std::size_t i = 0; i < count; ++i) {
            float value;
            std::memcpy(&value, bin.data() + start + i * sizeof(float), sizeof value);
            if (!std::isfinite(value)) {
                faults += "a float of the buffer is not finite ";
                break;
            }
        }
    }
    return faults;
}

}  // namespace exportcheck
