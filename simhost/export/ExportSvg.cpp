#include "export/Exports.hpp"
#include "export/TolerantMembers.hpp"
#include "host/AtomicFile.hpp"
#include "host/Encoding.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <map>
#include <set>
#include <stdexcept>

namespace sim {
namespace {

using nlohmann::json;
using namespace TolerantMembers;

// Text sizes are millimetres on paper; a drawing is printed at the first of these scales at which
// its drawn content fits on PaperSide millimetres, so labels keep their size on the sheet.
constexpr double Scales[] = {100, 200, 500, 1000, 2000, 5000, 10000, 20000, 50000};
constexpr double PaperSide = 400.0;
constexpr double DefaultTextSize = 2.0;  // millimetres, when an element carries none
constexpr double LargestPixelSide = 2000.0;
constexpr double Pi = 3.14159265358979323846;

bool Point(const json& value, double& x, double& y)
{
    if (!value.is_array() || value.size() < 2 || !value[0].is_number() || !value[1].is_number())
        return false;
    x = value[0].get<double>();
    y = value[1].get<double>();
    return std::isfinite(x) && std::isfinite(y);
}

// The shortest text that reads back as the same number, so no coordinate is cut or rounded.
std::string Coord(double value)
{
    if (value == 0.0)
        return "0";  // no "-0"
    char buffer[32];  // the longest shortest form of a double is 24 characters
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (error != std::errc())
        return "0";
    return std::string(buffer, end);
}

std::string Escape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default:
            // Control characters other than tab and line feeds are not allowed in XML 1.0.
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r')
                out += c;
        }
    }
    return out;
}

// The bytes decide the type; a stored type is only trusted when it looks like an image type.
std::string ImageMime(std::string_view text, const std::string& stored)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    if (text.size() >= 4 && bytes[0] == 0x89 && bytes[1] == 'P' && bytes[2] == 'N' && bytes[3] == 'G')
        return "image/png";
    if (text.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
        return "image/jpeg";
    bool plain = stored.rfind("image/", 0) == 0 && stored.size() > 6 &&
                 std::all_of(stored.begin() + 6, stored.end(), [](char c) {
                     return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
                 });
    return plain ? stored : "application/octet-stream";
}

// File and id names: ASCII letters, digits, '-', '_' and '.'; everything else becomes '_'.
std::string SafeName(const std::string& name)
{
    std::string out;
    for (char c : name) {
        auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) == 0x80)
            continue;  // one '_' per UTF-8 character, not per byte
        out += (byte < 0x80 && std::isalnum(byte)) || c == '-' || c == '_' || c == '.' ? c : '_';
    }
    if (out.empty() || out.find_first_not_of('.') == std::string::npos)
        out = "_" + out;
    return out;
}

struct Bounds {
    double minX = std::numeric_limits<double>::infinity();
    double minY = std::numeric_limits<double>::infinity();
    double maxX = -std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();
    void Add(double x, double y)
    {
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
    }
    void Add(const Bounds& other)
    {
        if (!other.Empty()) {
            Add(other.minX, other.minY);
            Add(other.maxX, other.maxY);
        }
    }
    bool Empty() const { return !(minX <= maxX); }
    // Its width and height are numbers a drawing can hold.
    bool Finite() const { return Empty() || (std::isfinite(maxX - minX) && std::isfinite(maxY - minY)); }
};

class Drawing {
public:
    Drawing(const json& project, std::vector<std::string>* warnings) : project(project), warnings(warnings) {}

    void Add(const json& element)
    {
        std::string type = Text(element, "type");
        std::string markup;
        std::string why;  // set when the element cannot be drawn with finite numbers
        Bounds own;      // where it is drawn; for a text, as far as it may reach at any scale
        int rank;
        if (type == "picture") {
            markup = Picture(element, own, why);
            rank = 0;  // images lie under the linework
        } else if (type == "mesh") {
            markup = MeshOutline(element, own);
            rank = 1;
        } else if (type == "polyline") {
            markup = Polyline(element, own);
            rank = 2;
        } else if (type == "text") {
            double x, y;
            if (!Point(element.value("loc", json()), x, y) || Text(element, "text").empty())
                return;
            why = TextReach(element, x, y, own);
            markup = " ";  // drawn once the scale is known
            rank = 3;
        } else {
            return;
        }
        Bounds together = reach;
        together.Add(own);
        if (why.empty() && !markup.empty() && !together.Finite())
            why = "it lies too far from the rest of the drawing";
        if (!why.empty()) {
            if (warnings)
                warnings->push_back(type + " " + (Text(element, "guid").empty() ? "without a guid" : Text(element, "guid")) +
                                    ": " + why + ", left out of the drawing");
            return;
        }
        if (markup.empty())
            return;
        reach = together;
        if (rank != 3)
            bounds.Add(own);
        int index = Integer(element, "layer", 0);
        if (layers.find(index) == layers.end())
            order.push_back(index);
        Layer& layer = layers[index];
        if (rank == 3)
            layer.texts.push_back(&element);
        else
            layer.parts[rank] += markup;
        layer.lowestRank = std::min(layer.lowestRank, rank);
    }

    std::string Document(const std::string& title) const
    {
        double scale = Scales[0];
        if (!bounds.Empty())
            for (double candidate : Scales) {
                scale = candidate;
                if (std::max(bounds.maxX - bounds.minX, bounds.maxY - bounds.minY) * 1000.0 / candidate <= PaperSide)
                    break;
            }
        Bounds view = bounds;
        std::map<int, std::string> labels;
        for (const auto& [index, layer] : layers)
            for (const json* text : layer.texts)
                labels[index] += Label(*text, scale, view);
        if (view.Empty()) {
            view.Add(-50, -50);
            view.Add(50, 50);
        }
        double margin = std::max(1.0, 0.03 * std::max(view.maxX - view.minX, view.maxY - view.minY));
        double x = view.minX - margin, y = view.minY - margin;
        double w = view.maxX - view.minX + 2 * margin, h = view.maxY - view.minY + 2 * margin;
        if (!std::isfinite(x + y + w + h)) {  // no room for a margin at the ends of the number range
            x = view.minX, y = view.minY;
            w = view.maxX - view.minX, h = view.maxY - view.minY;
        }
        double pixels = LargestPixelSide / std::max(w, h);

        std::string out;
        out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        out += "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\""
               " xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\"";
        out += " width=\"" + Coord(std::round(w * pixels)) + "\" height=\"" + Coord(std::round(h * pixels)) + "\"";
        out += " viewBox=\"" + Coord(x) + " " + Coord(y) + " " + Coord(w) + " " + Coord(h) + "\">\n";
        out += "<title>" + Escape(title) + "</title>\n";
        out += "<desc>Project coordinates in metres, north up: a point (x, y) is drawn at (x, -y). Texts at 1:" +
               Coord(scale) + ".</desc>\n";
        out += "<rect x=\"" + Coord(x) + "\" y=\"" + Coord(y) + "\" width=\"" + Coord(w) + "\" height=\"" +
               Coord(h) + "\" fill=\"#ffffff\"/>\n";

        // Layers holding images first, so the linework of any layer stays visible on top of them.
        std::vector<int> sorted = order;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [&](int a, int b) { return layers.at(a).lowestRank < layers.at(b).lowestRank; });
        std::set<std::string> ids;
        for (int index : sorted) {
            const Layer& layer = layers.at(index);
            std::string name = LayerName(index);
            std::string base = SafeName(name);
            if (!std::isalpha(static_cast<unsigned char>(base[0])) && base[0] != '_')
                base = "_" + base;  // an XML id cannot start with a digit, '-' or '.'
            std::string id = base;
            for (int n = 2; !ids.insert(id).second; ++n)
                id = base + "-" + std::to_string(n);
            out += "<g id=\"" + Escape(id) + "\" class=\"layer\" data-layer=\"" + Escape(name) +
                   "\" inkscape:groupmode=\"layer\" inkscape:label=\"" + Escape(name) + "\">\n";
            for (const std::string& part : layer.parts)
                out += part;
            if (auto found = labels.find(index); found != labels.end())
                out += found->second;
            out += "</g>\n";
        }
        out += "</svg>\n";
        return out;
    }

private:
    struct Layer {
        std::string parts[3];
        std::vector<const json*> texts;
        int lowestRank = 4;
    };

    std::string LayerName(int index) const
    {
        for (const json& layer : List(project, "layers"))
            if (Integer(layer, "index", std::numeric_limits<int>::min()) == index && !Text(layer, "name").empty())
                return Text(layer, "name");
        return "layer-" + std::to_string(index);
    }

    std::string PenColour(const json& element) const
    {
        int pen = Integer(element, "pen", 0);
        for (const json& entry : List(project, "pens")) {
            if (Integer(entry, "index", -1) != pen)
                continue;
            const json& rgb = List(entry, "rgb");
            if (rgb.size() < 3 || !rgb[0].is_number() || !rgb[1].is_number() || !rgb[2].is_number())
                break;
            char buffer[16];
            auto channel = [&](int i) {
                return static_cast<int>(std::lround(std::clamp(rgb[i].get<double>(), 0.0, 1.0) * 255.0));
            };
            std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", channel(0), channel(1), channel(2));
            return buffer;
        }
        return "#000000";
    }

    static std::string PathData(const json& coords, Bounds& own)
    {
        std::string data;
        for (const json& vertex : coords) {
            double x, y;
            if (!Point(vertex, x, y))
                continue;
            own.Add(x, -y);
            data += (data.empty() ? "M" : " L") + Coord(x) + "," + Coord(-y);
        }
        return data;
    }

    // Where a text may reach: its size and place are taken at the largest scale, so that whatever
    // scale the drawing gets, its numbers stay finite.
    static std::string TextReach(const json& element, double x, double y, Bounds& own)
    {
        double size = Number(element, "size", 0.0);
        double height = (size > 0.0 ? size : DefaultTextSize) * Scales[std::size(Scales) - 1] / 1000.0;
        double width = height * 0.6 * static_cast<double>(Text(element, "text").size());
        own.Add(x - width, -y - height);
        own.Add(x + width, -y + height);
        if (!std::isfinite(width) || !own.Finite())
            return "its size or place lies too far out to be drawn";
        return {};
    }

    std::string Polyline(const json& element, Bounds& own)
    {
        std::string data = PathData(List(element, "coords"), own);
        if (data.find('L') == std::string::npos)
            return {};
        return "<path d=\"" + data + "\" fill=\"none\" stroke=\"" + PenColour(element) +
               "\" stroke-width=\"1\" stroke-linejoin=\"round\" vector-effect=\"non-scaling-stroke\"/>\n";
    }

    std::string MeshOutline(const json& element, Bounds& own)
    {
        std::string data = PathData(List(element, "polygon"), own);
        if (data.find('L') == std::string::npos)
            return {};
        return "<path class=\"mesh\" d=\"" + data + " Z\" fill=\"none\" stroke=\"#7a8a70\""
               " stroke-width=\"1\" stroke-dasharray=\"6 3\" vector-effect=\"non-scaling-stroke\"/>\n";
    }

    std::string Label(const json& element, double scale, Bounds& extent) const
    {
        double x = 0, y = 0;
        std::string text = Text(element, "text");
        Point(element.value("loc", json()), x, y);
        double size = Number(element, "size", 0.0);
        double height = (size > 0.0 ? size : DefaultTextSize) * scale / 1000.0;
        double angle = Number(element, "angle", 0.0);
        // Anchor codes run 1..9 row by row from the top left; 4 is left middle.
        int anchor = std::clamp(Integer(element, "anchor", 4), 1, 9);
        int column = (anchor - 1) % 3, row = (anchor - 1) / 3;
        static const char* const horizontal[] = {"start", "middle", "end"};
        static const char* const shift[] = {"0.8em", "0.35em", "0"};

        double width = height * 0.6 * static_cast<double>(text.size());
        extent.Add(x - width, -y - height);
        extent.Add(x + width, -y + height);

        std::string out = "<text x=\"" + Coord(x) + "\" y=\"" + Coord(-y) + "\" dy=\"" + shift[row] +
                          "\" font-family=\"sans-serif\" font-size=\"" + Coord(height) + "\" text-anchor=\"" +
                          horizontal[column] + "\" fill=\"" + PenColour(element) + "\"";
        if (std::isfinite(angle) && angle != 0.0) {
            double degrees = -angle * 180.0 / Pi;
            if (!std::isfinite(degrees))  // whole turns change nothing
                degrees = -std::fmod(angle, 2 * Pi) * 180.0 / Pi;
            out += " transform=\"rotate(" + Coord(degrees) + " " + Coord(x) + " " + Coord(-y) + ")\"";
        }
        return out + ">" + Escape(text) + "</text>\n";
    }

    // The record holds the first corner (top left) and the second (bottom right); a negative width
    // or scale swaps them, and the picture is then drawn mirrored about its centre as the host shows it.
    std::string Picture(const json& element, Bounds& own, std::string& why)
    {
        const json& rect = List(element, "rect");
        if (rect.size() < 4 || !std::all_of(rect.begin(), rect.end(), [](const json& v) { return v.is_number(); }))
            return {};
        double x1 = rect[0].get<double>(), y1 = rect[1].get<double>();
        double x2 = rect[2].get<double>(), y2 = rect[3].get<double>();
        double left = std::min(x1, x2), right = std::max(x1, x2);
        double bottom = std::min(y1, y2), top = std::max(y1, y2);
        const bool mirrorX = x2 < x1, mirrorY = y1 < y2;
        if (!std::isfinite(right - left) || !std::isfinite(top - bottom) || (mirrorX && !std::isfinite(left + right)) ||
            (mirrorY && !std::isfinite(top + bottom))) {
            why = "its size lies too far out to be drawn";
            return {};
        }
        own.Add(left, -top);
        own.Add(right, -bottom);
        std::string place = "x=\"" + Coord(left) + "\" y=\"" + Coord(-top) + "\" width=\"" + Coord(right - left) +
                            "\" height=\"" + Coord(top - bottom) + "\"";
        if (mirrorX || mirrorY) {
            // x' = sx·x + 2·cx where mirrored (and the same for y), which maps the rectangle onto itself.
            place += " transform=\"matrix(" + std::string(mirrorX ? "-1" : "1") + " 0 0 " + (mirrorY ? "-1" : "1") +
                     " " + Coord(mirrorX ? left + right : 0.0) + " " + Coord(mirrorY ? -(top + bottom) : 0.0) +
                     ")\" data-mirrored=\"" + (mirrorX && mirrorY ? "xy" : mirrorX ? "x" : "y") + "\"";
        }

        const std::string bytes = DecodeBase64(Text(element, "data"));
        if (bytes.empty())  // nothing to show: mark where the picture lies
            return "<rect " + place + " fill=\"none\" stroke=\"#999999\" vector-effect=\"non-scaling-stroke\"/>\n";
        return "<image " + place + " preserveAspectRatio=\"none\" xlink:href=\"data:" +
               ImageMime(bytes, Text(element, "mime")) + ";base64," + EncodeBase64(bytes) + "\"/>\n";
    }

    const json& project;
    std::vector<std::string>* warnings;
    std::map<int, Layer> layers;
    std::vector<int> order;
    Bounds bounds;
    Bounds reach;  // of everything drawn, the texts as far as they may reach
};

}  // namespace

std::vector<std::string> WriteViewSvgs(const json& project, const std::string& outDir, std::vector<std::string>* warnings)
{
    std::filesystem::path folder(outDir);
    std::filesystem::create_directories(folder);

    std::map<int, Drawing> plans;
    plans.emplace(0, Drawing(project, warnings));
    std::map<std::string, Drawing> sheets;
    for (const json& worksheet : List(project, "worksheets"))
        sheets.emplace(Text(worksheet, "id"), Drawing(project, warnings));

    for (const json& element : List(project, "elements")) {
        if (!element.is_object())
            continue;
        std::string view = Text(element, "view");
        if (view.empty() || view == "plan")
            plans.try_emplace(Integer(element, "story", 0), project, warnings).first->second.Add(element);
        else
            sheets.try_emplace(view, project, warnings).first->second.Add(element);
    }

    std::vector<std::string> written;
    const json stories = project.value("stories", json::object());
    for (auto& [story, drawing] : plans) {
        std::string title = "Floor plan, story " + std::to_string(story);
        for (const json& entry : List(stories, "list"))
            if (Integer(entry, "index", std::numeric_limits<int>::min()) == story && !Text(entry, "name").empty())
                title = Text(entry, "name");
        std::filesystem::path path = folder / ("plan-story-" + std::to_string(story) + ".svg");
        WriteFileAtomically(path, drawing.Document(title));
        written.push_back(path.string());
    }

    std::set<std::string> used;
    for (auto& [id, drawing] : sheets) {
        std::string label = id, title = id;
        for (const json& worksheet : List(project, "worksheets")) {
            if (Text(worksheet, "id") != id)
                continue;
            title = Text(worksheet, "name");
            label = !Text(worksheet, "ref").empty() ? Text(worksheet, "ref") : title;
        }
        std::string stem = "worksheet-" + SafeName(label);
        std::string name = stem;
        for (int n = 2; !used.insert(name).second; ++n)
            name = stem + "-" + std::to_string(n);
        std::filesystem::path path = folder / (name + ".svg");
        WriteFileAtomically(path, drawing.Document(title.empty() ? label : title));
        written.push_back(path.string());
    }
    return written;
}

}  // namespace sim
