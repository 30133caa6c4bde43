// Exports of a project file: SVG drawings per view and the glTF model of the meshes.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <tiny_gltf.h>

#include "ExportChecks.hpp"
#include "export/Exports.hpp"
#include "TestSupport.hpp"

namespace {

using nlohmann::json;

// A valid 1×1 PNG, so that the reader can decode the texture.
const std::vector<unsigned char> OnePixelPng = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
    0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00, 0x00, 0x90, 0x77, 0x53, 0xDE, 0x00, 0x00, 0x00,
    0x0C, 0x49, 0x44, 0x41, 0x54, 0x08, 0xD7, 0x63, 0xF8, 0xCF, 0xC0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0x18,
    0xDD, 0x8D, 0xB0, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

std::string Base64(const std::vector<unsigned char>& bytes)
{
    static const char abc[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        unsigned v = bytes[i] << 16 | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) |
                     (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        out += abc[v >> 18 & 63];
        out += abc[v >> 12 & 63];
        out += i + 1 < bytes.size() ? abc[v >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? abc[v & 63] : '=';
    }
    return out;
}

std::vector<unsigned char> FromBase64(const std::string& text)
{
    std::vector<unsigned char> out;
    unsigned buffer = 0;
    int bits = 0;
    for (char c : text) {
        auto p = std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/").find(c);
        if (p == std::string::npos)
            break;
        buffer = buffer << 6 | static_cast<unsigned>(p);
        if ((bits += 6) >= 8)
            out.push_back(static_cast<unsigned char>(buffer >> (bits -= 8) & 0xFF));
    }
    return out;
}

json Project()
{
    return json{{"layers", json::array({{{"index", 1}, {"name", "Arch"}},
                                        {{"index", 7}, {"name", "KN hranice parcel"}},
                                        {{"index", 8}, {"name", "_ Terén okolí zástavba.Terén"}}})},
                {"pens", json::array({{{"index", 3}, {"rgb", {1.0, 0.0, 0.0}}}})},
                {"stories", {{"current", 0}, {"last", 2}, {"list", json::array({{{"index", 0}, {"name", "Přízemí"}}})}}},
                {"worksheets", json::array()},
                {"surfaces", json::array()},
                {"elements", json::array()}};
}

json Polyline(const std::string& view, int story, int layer, json coords)
{
    return {{"guid", "p"}, {"type", "polyline"}, {"view", view}, {"story", story}, {"layer", layer},
            {"pen", 3},    {"lineType", 1},      {"coords", std::move(coords)}};
}

json Mesh(json polygon, json levelPoints, json topSurface = nullptr)
{
    return {{"guid", "m1"},       {"type", "mesh"},         {"view", "plan"},           {"story", 0},
            {"layer", 1},         {"polygon", polygon},     {"levelPoints", levelPoints}, {"level", 0.0},
            {"skirt", 1},         {"skirtDepth", 3.0},      {"topSurface", topSurface},   {"sideSurface", nullptr},
            {"bottomSurface", nullptr}, {"buildingMaterial", 0}, {"chaining", true}};
}

// The <g> element of a layer, from its start tag to its end tag.
std::string LayerGroup(const std::string& svg, const std::string& layerName)
{
    auto start = svg.find("data-layer=\"" + layerName + "\"");
    if (start == std::string::npos)
        return {};
    start = svg.rfind("<g ", start);
    return svg.substr(start, svg.find("</g>", start) - start);
}

class ExportSvgTest : public ::testing::Test {
protected:
    test::TempFolder out;
    json project = Project();

    // Every drawing written is read back by an XML parser.
    std::vector<std::string> Write(std::vector<std::string>* warnings = nullptr)
    {
        std::vector<std::string> files = sim::WriteViewSvgs(project, out.Path().string(), warnings);
        for (const std::string& file : files)
            EXPECT_EQ(exportcheck::SvgFaults(test::ReadFile(file)), "") << file;
        return files;
    }
    std::string Read(const std::string& name) { return test::ReadFile(out.Path() / name); }
};

TEST_F(ExportSvgTest, PolylineIsAPathWithNorthUpOnItsLayer)
{
    project["elements"].push_back(Polyline("plan", 0, 7, {{10, 20}, {30, 20}, {30, 40.5}, {10, 40.5}, {10, 20}}));
    Write();
    std::string svg = Read("plan-story-0.svg");
    std::string group = LayerGroup(svg, "KN hranice parcel");
    ASSERT_FALSE(group.empty()) << svg;
    EXPECT_NE(group.find("d=\"M10,-20 L30,-20 L30,-40.5 L10,-40.5 L10,-20\""), std::string::npos) << group;
    EXPECT_NE(group.find("stroke=\"#ff0000\""), std::string::npos) << "pen 3 is red";
    EXPECT_NE(group.find("vector-effect=\"non-scaling-stroke\""), std::string::npos);
    EXPECT_EQ(LayerGroup(svg, "Arch"), "") << "a layer without elements gets no group";

    // The view box holds the whole square (y flipped) with a margin.
    auto at = svg.find("viewBox=\"") + 9;
    double x, y, w, h;
    ASSERT_EQ(std::sscanf(svg.c_str() + at, "%lf %lf %lf %lf", &x, &y, &w, &h), 4);
    EXPECT_LT(x, 10);
    EXPECT_LT(y, -40.5);
    EXPECT_GT(x + w, 30);
    EXPECT_GT(y + h, -20);
}

TEST_F(ExportSvgTest, PictureEmbedsItsBytesOnTheNormalisedRectangle)
{
    std::vector<unsigned char> bytes = OnePixelPng;
    bytes.push_back(0);  // bytes that need the last Base64 group padded
    project["elements"].push_back({{"guid", "i"}, {"type", "picture"}, {"view", "plan"}, {"story", 0},
                                   {"layer", 1}, {"name", "Ortofoto CUZK"}, {"mime", "image/png"},
                                   {"rect", {100.0, 250.0, 160.0, 210.0}}, {"byteCount", bytes.size()},
                                   {"data", Base64(bytes)}});
    Write();
    std::string svg = Read("plan-story-0.svg");
    auto image = svg.find("<image ");
    ASSERT_NE(image, std::string::npos) << svg;
    std::string tag = svg.substr(image, svg.find("/>", image) - image);
    EXPECT_NE(tag.find("x=\"100\" y=\"-250\" width=\"60\" height=\"40\""), std::string::npos) << tag;
    EXPECT_NE(tag.find("preserveAspectRatio=\"none\""), std::string::npos);
    const std::string prefix = "href=\"data:image/png;base64,";
    auto data = tag.find(prefix);
    ASSERT_NE(data, std::string::npos) << tag;
    std::string encoded = tag.substr(data + prefix.size());
    EXPECT_EQ(FromBase64(encoded.substr(0, encoded.find('"'))), bytes);
}

TEST_F(ExportSvgTest, TextIsEscapedScaledAndPlaced)
{
    project["elements"].push_back({{"guid", "t"}, {"type", "text"}, {"view", "plan"}, {"story", 0}, {"layer", 7},
                                   {"pen", 3}, {"text", "1234/5 <a & \"b\">"}, {"loc", {5.0, 6.0}}, {"size", 2.5},
                                   {"anchor", 4}, {"angle", 0.0}, {"nonBreaking", true}});
    Write();
    std::string svg = Read("plan-story-0.svg");
    EXPECT_NE(svg.find(">1234/5 &lt;a &amp; &quot;b&quot;&gt;</text>"), std::string::npos) << svg;
    EXPECT_NE(svg.find("x=\"5\" y=\"-6\""), std::string::npos);
    EXPECT_NE(svg.find("font-size=\"0.25\""), std::string::npos) << "2.5 mm at 1:100";
    EXPECT_NE(svg.find("text-anchor=\"start\""), std::string::npos) << "anchor 4 is left middle";

    // A site of 300 m prints at 1:1000, and its labels grow with the scale.
    project["elements"].push_back(Polyline("plan", 0, 7, {{0, 0}, {300, 0}}));
    Write();
    svg = Read("plan-story-0.svg");
    EXPECT_NE(svg.find("font-size=\"2.5\""), std::string::npos) << "2.5 mm at 1:1000";
}

TEST_F(ExportSvgTest, EachViewGetsItsOwnDrawing)
{
    project["worksheets"] = {{{"id", "ws-a"}, {"name", "Katastr"}, {"ref", "K.1"}},
                             {{"id", "ws-b"}, {"name", "../okolí/Ortofoto"}, {"ref", ""}}};
    project["elements"].push_back(Polyline("ws-a", -10000, 7, {{1, 1}, {2, 2}}));
    project["elements"].push_back(Polyline("plan", 2, 7, {{3, 3}, {4, 4}}));

    std::vector<std::string> files = Write();
    std::vector<std::string> names;
    for (const std::string& file : files) {
        EXPECT_EQ(std::filesystem::path(file).parent_path(), out.Path()) << "no file leaves the folder";
        EXPECT_TRUE(std::filesystem::exists(file));
        names.push_back(std::filesystem::path(file).filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"plan-story-0.svg", "plan-story-2.svg", "worksheet-.._okol__Ortofoto.svg",
                                               "worksheet-K.1.svg"}));
    EXPECT_NE(Read("worksheet-K.1.svg").find("M1,-1 L2,-2"), std::string::npos);
    EXPECT_EQ(Read("plan-story-0.svg").find("M1,-1"), std::string::npos) << "worksheet lines stay off the plan";
    EXPECT_EQ(Read("plan-story-0.svg").find("M3,-3"), std::string::npos) << "story 2 lines stay off story 0";
    EXPECT_NE(Read("plan-story-2.svg").find("M3,-3 L4,-4"), std::string::npos);
    EXPECT_EQ(Read("worksheet-.._okol__Ortofoto.svg").find("<path"), std::string::npos);
}

// Every number of an attribute or of path data, in order.
std::vector<double> NumbersIn(const std::string& text)
{
    std::vector<double> numbers;
    const char* at = text.c_str();
    while (*at != '\0') {
        char* end = nullptr;
        double value = std::strtod(at, &end);
        if (end != at && (std::isdigit(static_cast<unsigned char>(at[0])) || at[0] == '-' || at[0] == '.')) {
            numbers.push_back(value);
            at = end;
        } else {
            ++at;
        }
    }
    return numbers;
}

std::string Attribute(const std::string& tag, const std::string& name)
{
    auto start = tag.find(" " + name + "=\"");
    if (start == std::string::npos)
        return {};
    start += name.size() + 3;
    return tag.substr(start, tag.find('"', start) - start);
}

TEST_F(ExportSvgTest, NumbersReadBackExactlyHoweverLargeOrFine)
{
    const std::vector<std::array<double, 2>> vertices = {
        {1e70, -2.5e-7}, {0.1 + 0.2, 1.0 / 3.0}, {-743500.123456789, -1043250.987654321}, {123456789012.5, 5e-324},
        {-1.7976931348623157e308, 0.0}};
    json coords = json::array();
    for (const auto& v : vertices)
        coords.push_back({v[0], v[1]});
    project["elements"].push_back(Polyline("plan", 0, 7, coords));
    Write();
    std::string group = LayerGroup(Read("plan-story-0.svg"), "KN hranice parcel");
    auto path = group.find("<path ");
    ASSERT_NE(path, std::string::npos) << group;
    std::vector<double> numbers = NumbersIn(Attribute(group.substr(path), "d"));
    ASSERT_EQ(numbers.size(), 2 * vertices.size()) << group;
    for (size_t i = 0; i < vertices.size(); ++i) {
        EXPECT_EQ(numbers[2 * i], vertices[i][0]) << "vertex " << i;
        EXPECT_EQ(numbers[2 * i + 1], vertices[i][1] == 0.0 ? 0.0 : -vertices[i][1]) << "vertex " << i;
    }
    EXPECT_NE(group.find("M1e+70,2.5e-07 "), std::string::npos) << "the shortest form: " << group;
    EXPECT_EQ(group.find("-0,"), std::string::npos) << "no negative zero";
}

// Where the picture's own first pixel and last pixel land in the drawing, after its transform.
struct Landing {
    double firstX, firstY, lastX, lastY;
};

Landing PixelCorners(const std::string& tag)
{
    double x = std::stod(Attribute(tag, "x")), y = std::stod(Attribute(tag, "y"));
    double w = std::stod(Attribute(tag, "width")), h = std::stod(Attribute(tag, "height"));
    std::vector<double> m = {1, 0, 0, 1, 0, 0};
    if (std::string transform = Attribute(tag, "transform"); !transform.empty()) {
        EXPECT_EQ(transform.rfind("matrix(", 0), 0u) << transform;
        m = NumbersIn(transform);
    }
    EXPECT_EQ(m.size(), 6u);
    auto apply = [&](double px, double py) { return std::array<double, 2>{m[0] * px + m[2] * py + m[4], m[1] * px + m[3] * py + m[5]}; };
    auto first = apply(x, y), last = apply(x + w, y + h);
    return {first[0], first[1], last[0], last[1]};
}

TEST_F(ExportSvgTest, PicturesAreDrawnMirroredAsTheirCornersSay)
{
    // The record holds the corner of the image's first pixel, then the corner of its last; normally
    // top left, then bottom right. Either pair swapped is a mirrored placement.
    const std::vector<std::array<double, 4>> rects = {
        {100, 250, 160, 210}, {160, 250, 100, 210}, {100, 210, 160, 250}, {160, 210, 100, 250}};
    for (bool withImage : {true, false}) {
        for (const auto& r : rects) {
            project["elements"] = json::array();
            json picture = {{"guid", "i"}, {"type", "picture"}, {"view", "plan"}, {"story", 0}, {"layer", 1},
                            {"name", "Ortofoto CUZK"}, {"mime", "image/png"}, {"rect", {r[0], r[1], r[2], r[3]}}};
            if (withImage)
                picture["data"] = Base64(OnePixelPng);
            project["elements"].push_back(picture);
            Write();
            std::string svg = Read("plan-story-0.svg");
            auto at = svg.find(withImage ? "<image " : "<rect fill=\"none\"");
            at = withImage ? at : svg.find("<rect x", svg.find("<rect x") + 1);  // past the white background
            ASSERT_NE(at, std::string::npos) << svg;
            std::string tag = svg.substr(at, svg.find("/>", at) - at);
            Landing landing = PixelCorners(tag);
            const std::string where = tag.substr(0, 160);
            EXPECT_DOUBLE_EQ(landing.firstX, r[0]) << where;
            EXPECT_DOUBLE_EQ(landing.firstY, -r[1]) << where;
            EXPECT_DOUBLE_EQ(landing.lastX, r[2]) << where;
            EXPECT_DOUBLE_EQ(landing.lastY, -r[3]) << where;
            const bool mirrored = r[0] > r[2] || r[1] < r[3];
            EXPECT_EQ(tag.find("data-mirrored") != std::string::npos, mirrored) << where;
        }
    }
}

// Reads a float accessor of a loaded model.
std::vector<float> Floats(const tinygltf::Model& model, int accessorIndex)
{
    const tinygltf::Accessor& accessor = model.accessors.at(static_cast<size_t>(accessorIndex));
    const tinygltf::BufferView& view = model.bufferViews.at(static_cast<size_t>(accessor.bufferView));
    const auto& data = model.buffers.at(static_cast<size_t>(view.buffer)).data;
    size_t width = accessor.type == TINYGLTF_TYPE_VEC3 ? 3 : accessor.type == TINYGLTF_TYPE_VEC2 ? 2 : 1;
    std::vector<float> values(accessor.count * width);
    std::memcpy(values.data(), data.data() + view.byteOffset + accessor.byteOffset, values.size() * sizeof(float));
    return values;
}

class ExportGltfTest : public ::testing::Test {
protected:
    test::TempFolder out;
    json project = Project();

    tinygltf::Model WriteAndLoad()
    {
        std::string path = sim::WriteGltfModel(project, out.Path().string());
        EXPECT_EQ(path, out / "model.gltf");
        EXPECT_EQ(exportcheck::GltfFaults(path), "");
        tinygltf::Model model;
        tinygltf::TinyGLTF loader;
        std::string error, warning;
        EXPECT_TRUE(loader.LoadASCIIFromFile(&model, &error, &warning, path)) << error;
        return model;
    }

    // Top-surface positions back in project coordinates.
    static std::vector<std::array<double, 3>> TopPoints(const tinygltf::Model& model)
    {
        const tinygltf::Value& offset = model.scenes.at(0).extras.Get("offset");
        double cx = offset.Get(0).GetNumberAsDouble(), cy = offset.Get(1).GetNumberAsDouble(),
               cz = offset.Get(2).GetNumberAsDouble();
        std::vector<float> p = Floats(model, model.meshes.at(0).primitives.at(0).attributes.at("POSITION"));
        std::vector<std::array<double, 3>> points;
        for (size_t i = 0; i + 2 < p.size(); i += 3)
            points.push_back({p[i] + cx, -p[i + 2] + cy, p[i + 1] + cz});
        return points;
    }
};

TEST_F(ExportGltfTest, MeshTopRunsThroughBoundaryAndInnerLevelPoints)
{
    project["elements"].push_back(
        Mesh({{-743500, -1043250, 1}, {-743490, -1043250, 1}, {-743490, -1043240, 1}, {-743500, -1043240, 1},
              {-743500, -1043250, 1}},
             {{-743495, -1043245, 4.5},    // inside, higher: raises the middle
              {-743495, -1043245, 7.0},    // the same place again: merged, the first height stays
              {-743500, -1043250, 9.0},    // on a boundary vertex: merged
              {-743400, -1043245, 8.0}}));  // outside: dropped
    tinygltf::Model model = WriteAndLoad();
    ASSERT_EQ(model.meshes.size(), 1u);
    ASSERT_EQ(model.nodes.size(), 1u);
    EXPECT_EQ(model.nodes[0].mesh, 0);

    const tinygltf::Primitive& top = model.meshes[0].primitives.at(0);
    EXPECT_EQ(model.accessors.at(static_cast<size_t>(top.indices)).count, 4u * 3u) << "square + centre point";
    auto points = TopPoints(model);
    ASSERT_EQ(points.size(), 5u);
    double highest = -1e9;
    for (const auto& p : points) {
        EXPECT_GE(p[0], -743500.01);
        EXPECT_LE(p[0], -743489.99);
        EXPECT_GE(p[1], -1043250.01);
        EXPECT_LE(p[1], -1043239.99);
        EXPECT_TRUE(std::abs(p[2] - 1.0) < 1e-4 || std::abs(p[2] - 4.5) < 1e-4) << p[2];
        highest = std::max(highest, p[2]);
    }
    EXPECT_NEAR(highest, 4.5, 1e-4);

    // Floats stay small: the model sits around the origin.
    const tinygltf::Accessor& positions = model.accessors.at(static_cast<size_t>(top.attributes.at("POSITION")));
    for (double bound : positions.maxValues)
        EXPECT_LT(std::abs(bound), 20.0);

    // Walls go down to level − skirtDepth = −3 on all four sides.
    ASSERT_GE(model.meshes[0].primitives.size(), 2u);
    const tinygltf::Primitive& sides = model.meshes[0].primitives[1];
    EXPECT_EQ(model.accessors.at(static_cast<size_t>(sides.indices)).count, 4u * 6u);
    const tinygltf::Accessor& wall = model.accessors.at(static_cast<size_t>(sides.attributes.at("POSITION")));
    double cz = model.scenes[0].extras.Get("offset").Get(2).GetNumberAsDouble();
    EXPECT_NEAR(wall.minValues[1] + cz, -3.0, 1e-4);
}

TEST_F(ExportGltfTest, ConcaveBoundaryKeepsOnlyInsideTriangles)
{
    // An L: the square 0..10 without its upper-right quarter.
    project["elements"].push_back(
        Mesh({{0, 0, 0}, {10, 0, 0}, {10, 5, 0}, {5, 5, 0}, {5, 10, 0}, {0, 10, 0}, {0, 0, 0}}, json::array()));
    tinygltf::Model model = WriteAndLoad();
    auto points = TopPoints(model);
    const tinygltf::Primitive& top = model.meshes.at(0).primitives.at(0);
    const tinygltf::Accessor& indexAccessor = model.accessors.at(static_cast<size_t>(top.indices));
    ASSERT_EQ(indexAccessor.count, 4u * 3u) << "six corners triangulate into four triangles";
    const tinygltf::BufferView& view = model.bufferViews.at(static_cast<size_t>(indexAccessor.bufferView));
    std::vector<uint32_t> indices(indexAccessor.count);
    std::memcpy(indices.data(), model.buffers[0].data.data() + view.byteOffset, indices.size() * 4);
    for (size_t t = 0; t < indices.size(); t += 3) {
        double x = (points[indices[t]][0] + points[indices[t + 1]][0] + points[indices[t + 2]][0]) / 3;
        double y = (points[indices[t]][1] + points[indices[t + 1]][1] + points[indices[t + 2]][1]) / 3;
        EXPECT_FALSE(x > 5 && y > 5) << "triangle in the cut-out corner at " << x << ", " << y;
    }
}

TEST_F(ExportGltfTest, SelfCrossingBoundaryStillTriangulates)
{
    // A bow tie, as snapping an outline to measured points can produce: the crossing gets a height between its ends.
    project["elements"].push_back(
        Mesh({{0, 0, 2}, {10, 10, 4}, {10, 0, 2}, {0, 10, 4}, {0, 0, 2}}, {{2, 5, 3}, {5, 1, 9}}));
    tinygltf::Model model = WriteAndLoad();
    auto points = TopPoints(model);
    ASSERT_FALSE(points.empty());
    bool crossing = false;
    for (const auto& p : points) {
        EXPECT_TRUE(p[2] >= 2 - 1e-4 && p[2] <= 4 + 1e-4) << "height " << p[2] << " at " << p[0] << ", " << p[1];
        crossing = crossing || (std::abs(p[0] - 5) < 1e-4 && std::abs(p[1] - 5) < 1e-4);
    }
    EXPECT_TRUE(crossing);
}

TEST_F(ExportGltfTest, TexturedTopCarriesItsImageAndTileCoordinates)
{
    test::WriteFile(out.Path() / "roof.png", std::string(OnePixelPng.begin(), OnePixelPng.end()));
    project["surfaces"] = {{{"index", 4}, {"name", "Ortofoto strechy CUZK"},
                            {"texture", {{"name", "roof.png"}, {"file", out / "roof.png"}, {"sizeX", 4.0}, {"sizeY", 5.0}}}}};
    project["elements"].push_back(
        Mesh({{1, 2, 3}, {11, 2, 3}, {11, 9, 3}, {1, 9, 3}, {1, 2, 3}}, json::array(), 4));
    tinygltf::Model model = WriteAndLoad();

    const tinygltf::Primitive& top = model.meshes.at(0).primitives.at(0);
    const tinygltf::Material& material = model.materials.at(static_cast<size_t>(top.material));
    int textureIndex = material.pbrMetallicRoughness.baseColorTexture.index;
    ASSERT_GE(textureIndex, 0);
    const tinygltf::Texture& texture = model.textures.at(static_cast<size_t>(textureIndex));
    EXPECT_EQ(model.samplers.at(static_cast<size_t>(texture.sampler)).wrapS, TINYGLTF_TEXTURE_WRAP_REPEAT);
    const tinygltf::Image& image = model.images.at(static_cast<size_t>(texture.source));
    EXPECT_EQ(image.mimeType, "image/png");
    EXPECT_EQ(image.width, 1);

    auto points = TopPoints(model);
    std::vector<float> uvs = Floats(model, top.attributes.at("TEXCOORD_0"));
    ASSERT_EQ(uvs.size(), points.size() * 2);
    // One copy of the image covers 4 × 5 m; whole tiles may be taken off, and image rows run southwards.
    for (size_t i = 0; i < points.size(); ++i) {
        double u = uvs[2 * i] - points[i][0] / 4.0, v = uvs[2 * i + 1] + points[i][1] / 5.0;
        EXPECT_NEAR(u, std::round(u), 1e-5);
        EXPECT_NEAR(v, std::round(v), 1e-5);
    }
}

TEST_F(ExportGltfTest, PlainSurfacesKeepTheirColourAndAMissingImageFallsBack)
{
    project["surfaces"] = {{{"index", 6}, {"name", "Omítka"}, {"rgb", {0.2, 0.4, 0.6}}},
                           {{"index", 7}, {"name", "Ortofoto"}, {"rgb", {1.0, 1.0, 1.0}},
                            {"texture", {{"name", "gone.png"}, {"file", out / "gone.png"}, {"sizeX", 4.0}, {"sizeY", 4.0}}}}};
    json mesh = Mesh({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, {0, 0, 0}}, json::array(), 7);
    mesh["sideSurface"] = 6;
    project["elements"].push_back(mesh);
    tinygltf::Model model = WriteAndLoad();
    const auto& primitives = model.meshes.at(0).primitives;
    ASSERT_GE(primitives.size(), 2u);
    const tinygltf::Material& top = model.materials.at(static_cast<size_t>(primitives[0].material));
    EXPECT_EQ(top.pbrMetallicRoughness.baseColorTexture.index, -1);
    EXPECT_TRUE(model.images.empty());
    EXPECT_NE(top.pbrMetallicRoughness.baseColorFactor, (std::vector<double>{1.0, 1.0, 1.0, 1.0}))
        << "an unreadable image does not leave the top white";
    const tinygltf::Material& side = model.materials.at(static_cast<size_t>(primitives[1].material));
    EXPECT_EQ(side.pbrMetallicRoughness.baseColorFactor, (std::vector<double>{0.2, 0.4, 0.6, 1.0}));
}

TEST_F(ExportGltfTest, MeshesWithoutAreaKeepTheirWallsAndAreNamedInAWarning)
{
    // A footprint along one line, a terrain of points on a line, points that coincide.
    json line = Mesh({{0, 0, 10}, {10, 0, 10}, {20, 0, 10}, {0, 0, 10}}, json::array());
    line["guid"] = "{LINE}";
    json terrain = Mesh({{0, 5, 1}, {1, 5, 2}, {2, 5, 3}, {3, 5, 4}, {0, 5, 1}}, {{1.5, 5, 9}, {1.5, 6, 9}});
    terrain["guid"] = "{TERRAIN}";
    json point = Mesh({{7, 7, 0}, {7, 7, 0}, {7, 7, 0}, {7, 7, 0}}, json::array());
    point["guid"] = "{POINT}";
    json square = Mesh({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, {0, 0, 0}}, json::array());
    square["guid"] = "{SQUARE}";
    project["elements"] = {line, terrain, point, square};

    std::vector<std::string> warnings;
    std::string path = sim::WriteGltfModel(project, out.Path().string(), &warnings);
    ASSERT_EQ(path, out / "model.gltf");
    EXPECT_EQ(exportcheck::GltfFaults(path), "");
    ASSERT_EQ(warnings.size(), 3u);
    EXPECT_NE(warnings[0].find("{LINE}"), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[0].find("one line"), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[1].find("{TERRAIN}"), std::string::npos) << warnings[1];
    EXPECT_NE(warnings[2].find("{POINT}"), std::string::npos) << warnings[2];

    tinygltf::Model model;
    tinygltf::TinyGLTF loader;
    std::string error, warning;
    ASSERT_TRUE(loader.LoadASCIIFromFile(&model, &error, &warning, path)) << error;
    std::vector<std::string> names;
    for (const tinygltf::Node& node : model.nodes)
        names.push_back(node.name);
    EXPECT_EQ(names, (std::vector<std::string>{"{LINE}", "{TERRAIN}", "{SQUARE}"})) << "points that coincide draw nothing";
    // The flat ones are walls only: one primitive each, every vertex on their line, reaching down to the skirt.
    double cz = model.scenes[0].extras.Get("offset").Get(2).GetNumberAsDouble();
    double cy = model.scenes[0].extras.Get("offset").Get(1).GetNumberAsDouble();
    for (int m : {0, 1}) {
        const tinygltf::Mesh& mesh = model.meshes.at(static_cast<size_t>(model.nodes[static_cast<size_t>(m)].mesh));
        ASSERT_EQ(mesh.primitives.size(), 1u) << names[static_cast<size_t>(m)];
        const tinygltf::Primitive& walls = mesh.primitives[0];
        EXPECT_GT(model.accessors.at(static_cast<size_t>(walls.indices)).count, 0u);
        std::vector<float> p = Floats(model, walls.attributes.at("POSITION"));
        double lineY = m == 0 ? 0.0 : 5.0;
        for (size_t i = 0; i + 2 < p.size(); i += 3)
            EXPECT_NEAR(-p[i + 2] + cy, lineY, 1e-4);
        const tinygltf::Accessor& bounds = model.accessors.at(static_cast<size_t>(walls.attributes.at("POSITION")));
        EXPECT_NEAR(bounds.minValues[1] + cz, -3.0, 1e-4) << "level 0 less the skirt depth";
    }
    EXPECT_EQ(model.meshes.at(2).primitives.size(), 3u) << "a mesh with an area keeps top, walls and bottom";
}

TEST_F(ExportGltfTest, ProjectWithoutUsableMeshesWritesNothing)
{
    project["elements"].push_back(Polyline("plan", 0, 7, {{0, 0}, {1, 1}}));
    EXPECT_EQ(sim::WriteGltfModel(project, out.Path().string()), "");
    project["elements"].push_back(Mesh({{0, 0, 0}, {1, 1, 0}, {0, 0, 0}}, json::array()));  // too few vertices
    EXPECT_EQ(sim::WriteGltfModel(project, out.Path().string()), "");
    EXPECT_FALSE(std::filesystem::exists(out / "model.gltf"));
    EXPECT_FALSE(std::filesystem::exists(out / "model.bin"));
}

// Numbers at the ends of the double range: what can be drawn is, with finite numbers only; what
// cannot is left out and named.
TEST_F(ExportSvgTest, ElementsThatCannotBeDrawnFinitelyAreLeftOutAndNamed)
{
    const double huge = std::numeric_limits<double>::max();
    auto withGuid = [](json element, const std::string& guid) {
        element["guid"] = guid;
        return element;
    };
    auto text = [](const std::string& guid, double x, double y, double size, double angle) {
        return json{{"guid", guid}, {"type", "text"}, {"view", "plan"}, {"story", 0}, {"layer", 7}, {"pen", 3},
                    {"text", "12/3"}, {"loc", {x, y}}, {"size", size}, {"anchor", 4}, {"angle", angle}};
    };
    auto picture = [](const std::string& guid, json rect) {
        return json{{"guid", guid}, {"type", "picture"}, {"view", "plan"}, {"story", 0}, {"layer", 1},
                    {"rect", std::move(rect)}, {"data", ""}};
    };
    project["elements"] = {
        withGuid(Polyline("plan", 0, 7, {{-huge, 0}, {0, 1}}), "{FAR-WEST}"),             // drawn: the span still fits
        withGuid(Polyline("plan", 0, 7, {{huge, 0}, {huge * 0.5, 1}}), "{FAR-EAST}"),     // the span would overflow
        text("{HUGE-TEXT}", 0, 0, 1e308, 0),                                                // its size overflows
        text("{TEXT-AT-EDGE}", 0, huge, 2.5, 0),                                            // drawn: its reach still fits
        text("{TURNED}", 1, 1, 2.5, 1e308),                                                 // drawn, turned by what is left of whole turns
        picture("{WIDE-PICTURE}", {-huge, 0, huge, 1}),                                     // its width overflows
        picture("{MIRRORED-FAR}", {huge, 0, huge * 0.75, 1}),                               // its mirroring overflows
        picture("{SMALL-PICTURE}", {0, 0, 10, 10})};                                        // drawn
    std::vector<std::string> warnings;
    Write(&warnings);

    std::vector<std::string> named;
    for (const std::string& warning : warnings) {
        EXPECT_NE(warning.find("left out of the drawing"), std::string::npos) << warning;
        named.push_back(warning.substr(warning.find('{'), warning.find('}') - warning.find('{') + 1));
    }
    EXPECT_EQ(named, (std::vector<std::string>{"{FAR-EAST}", "{HUGE-TEXT}", "{WIDE-PICTURE}", "{MIRRORED-FAR}"}));
    const std::string svg = Read("plan-story-0.svg");
    EXPECT_NE(svg.find("M-1.7976931348623157e+308,0 L0,-1"), std::string::npos) << "the far-west line is drawn";
    EXPECT_NE(svg.find("rotate("), std::string::npos) << "the turned text is drawn";
    EXPECT_NE(svg.find("<rect x=\"0\" y=\"-10\""), std::string::npos) << "the small picture is drawn";

    // Each alone is drawn where it can be, or left out alone.
    for (const json& element : json(project["elements"])) {
        project["elements"] = {element};
        warnings.clear();
        Write(&warnings);
        SCOPED_TRACE(element["guid"].get<std::string>());
        EXPECT_LE(warnings.size(), 1u);
    }
}

TEST_F(ExportGltfTest, MeshesThatCannotBeWrittenFinitelyAreLeftOutAndNamed)
{
    auto mesh = [](const std::string& guid, double x, double y, double size) {
        json made = Mesh({{x, y, 1}, {x + size, y, 1}, {x + size, y + size, 2}, {x, y + size, 2}, {x, y, 1}}, json::array());
        made["guid"] = guid;
        return made;
    };
    json deep = mesh("{DEEP-SKIRT}", 0, 0, 10);
    deep["level"] = -1e308;
    deep["skirtDepth"] = 1e308;  // its bottom overflows
    json tiled = mesh("{TINY-TILES}", 0, 0, 10);
    project["surfaces"].push_back({{"index", 5}, {"name", "Tiles"},
                                   {"texture", {{"file", (out.Path() / "tile.png").string()}, {"sizeX", 1e-300}, {"sizeY", 1e-300}}}});
    test::WriteFile(out.Path() / "tile.png", std::string(OnePixelPng.begin(), OnePixelPng.end()));
    tiled["topSurface"] = 5;  // its texture coordinates overflow a float
    project["elements"] = {mesh("{HERE}", 0, 0, 10),
                           mesh("{FAR}", 1e45, 0, 1e35),                     // too far from {HERE} for floats
                           mesh("{HUGE}", -1e308, -1e308, 1.5e308),           // its own size overflows a float
                           deep, tiled,
                           mesh("{NEAR}", 1e30, 0, 1e20)};                   // far, but floats still reach it
    std::vector<std::string> warnings;
    const std::string path = sim::WriteGltfModel(project, out.Path().string(), &warnings);
    ASSERT_EQ(path, out / "model.gltf");
    EXPECT_EQ(exportcheck::GltfFaults(path), "");
    std::vector<std::string> named;
    for (const std::string& warning : warnings) {
        EXPECT_NE(warning.find("left out of the model"), std::string::npos) << warning;
        named.push_back(warning.substr(warning.find('{'), warning.find('}') - warning.find('{') + 1));
    }
    EXPECT_EQ(named, (std::vector<std::string>{"{FAR}", "{HUGE}", "{DEEP-SKIRT}", "{TINY-TILES}"}));
    const json model = json::parse(test::ReadFile(path));
    std::vector<std::string> nodes;
    for (const json& node : model["nodes"])
        nodes.push_back(node["name"]);
    EXPECT_EQ(nodes, (std::vector<std::string>{"{HERE}", "{NEAR}"}));

    // A far mesh alone is written, about its own centre.
    project["elements"] = {mesh("{FAR}", 1e12, 0, 10)};
    warnings.clear();
    ASSERT_EQ(sim::WriteGltfModel(project, out.Path().string(), &warnings), path);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(exportcheck::GltfFaults(path), "");
}

}  // namespace
