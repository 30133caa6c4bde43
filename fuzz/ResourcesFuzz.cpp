// The resource-script compiler: a script either compiles into a resource container that reads back
// as the same resources, or is refused with a message naming its line. Icons are not rendered: each
// becomes a few bytes that name its file and size. The input is also read as a container.

#include <cstdint>
#include <string>

#include "FuzzInput.hpp"
#include "ResourceScript.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string script(reinterpret_cast<const char*>(data), size);
    // The same bytes as a container, as RS reads it from a module file: read or refused, no more.
    RS::ResourceImage raw;
    if (RS::ResourceImage::Decode(script.data(), script.size(), &raw)) {
        const std::string written = raw.Encode();
        RS::ResourceImage again;
        if (!RS::ResourceImage::Decode(written.data(), written.size(), &again) || again.Encode() != written)
            fuzz::Fail("a container that reads does not write back stable");
    }

    const rc::IconRenderer render = [](const std::string& svg, int pixels) {
        return svg + "@" + std::to_string(pixels);
    };
    RS::ResourceImage image;
    try {
        image = rc::ParseResourceScript(script, render);
    } catch (const rc::ScriptError& error) {
        if (std::string(error.what()).rfind("line ", 0) != 0)
            fuzz::Fail("a refusal does not name its line", error.what());
        return 0;
    } catch (const std::exception& error) {
        fuzz::Fail("the compiler let an exception through", error.what());
    }
    const std::string container = image.Encode();
    RS::ResourceImage decoded;
    if (!RS::ResourceImage::Decode(container.data(), container.size(), &decoded))
        fuzz::Fail("a compiled container does not read back");
    if (decoded.Encode() != container)
        fuzz::Fail("a compiled container reads back different");
    return 0;
}
