#pragma once

// Reads a resource script (the module's .res text) into a resource image.

#include <functional>
#include <stdexcept>
#include <string>

#include "ResourceImage.hpp"

namespace rc {

class ScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Turns an SVG file (path relative to the script) into PNG bytes of the given square size.
using IconRenderer = std::function<std::string(const std::string& svgPath, int pixels)>;

// Throws ScriptError naming the line of the first problem.
RS::ResourceImage ParseResourceScript(const std::string& text, const IconRenderer& render);

}  // namespace rc
