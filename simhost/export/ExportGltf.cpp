// The one translation unit that compiles CGAL and tinygltf; keep both out of every other file.

#include "export/Exports.hpp"
#include "export/TolerantMembers.hpp"
#include "host/AtomicFile.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <iterator>
#include <limits>
#include <list>
#include <map>
#include <stdexcept>

#include <CGAL/Constrained_Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Triangulation_face_base_with_info_2.h>
#include <CGAL/Triangulation_vertex_base_with_info_2.h>

#define TINYGLTF_IMPLEMENTATION
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
// Internal linkage, so another user of stb in the same program cannot clash with these.
#define STB_IMAGE_STATIC
#define STB_IMAGE_WRITE_STATIC
#include <tiny_gltf.h>

namespace sim {
namespace {

using nlohmann::json;
using namespace TolerantMembers;

constexpr double Unknown = std::numeric_limits<double>::quiet_NaN();
// The model's numbers are floats taken from the centre of all meshes, so no two points may lie
// farther apart than this.
constexpr double Reach = std::numeric_limits<float>::max();

struct Height {
    double z = Unknown;  // vertices made where boundary edges cross have none until filled in
};

struct FaceInfo {
    int nesting = -1;
    bool Inside() const { return nesting % 2 == 1; }
};

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using VertexBase = CGAL::Triangulation_vertex_base_with_info_2<Height, Kernel>;
using FaceBase =
    CGAL::Constrained_triangulation_face_base_2<Kernel, CGAL::Triangulation_face_base_with_info_2<FaceInfo, Kernel>>;
using Tds = CGAL::Triangulation_data_structure_2<VertexBase, FaceBase>;
// Exact_predicates_tag lets a self-crossing boundary triangulate instead of throwing.
using Cdt = CGAL::Constrained_Delaunay_triangulation_2<Kernel, Tds, CGAL::Exact_predicates_tag>;
using Point2 = Kernel::Point_2;

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

// One mesh element in project coordinates (double precision until it is written).
struct Surface {
    std::vector<Vec3> positions;
    std::vector<Vec3> normals;
    std::vector<std::array<double, 2>> uvs;
    std::vector<uint32_t> indices;
    int material = -1;
};

struct MeshGeometry {
    std::string guid;
    std::string layer;
    bool building = false;
    std::vector<Surface> surfaces;  // top, sides, bottom (empty ones left out)
};

struct Texture {
    std::vector<unsigned char> bytes;
    std::string mime;
    double sizeX = 0, sizeY = 0;
};

bool ReadPoint(const json& value, Vec3& point)
{
    if (!value.is_array() || value.size() < 3 || !value[0].is_number() || !value[1].is_number() ||
        !value[2].is_number())
        return false;
    point = {value[0].get<double>(), value[1].get<double>(), value[2].get<double>()};
    return std::isfinite(point.x) && std::isfinite(point.y) && std::isfinite(point.z);
}

const json* FindByIndex(const json& list, const json& index)
{
    if (!index.is_number())
        return nullptr;
    for (const json& entry : list)
        if (entry.is_object() && entry.value("index", json()) == index)
            return &entry;
    return nullptr;
}

std::string LayerName(const json& project, const json& mesh)
{
    const json* layer = FindByIndex(List(project, "layers"), mesh.value("layer", json()));
    return layer ? Text(*layer, "name") : std::string();
}

// Buildings and terrain are both meshes; only the layer they were put on tells them apart.
bool IsBuildingLayer(const std::string& name)
{
    return name.find("zástavb") != std::string::npos || name.find("budov") != std::string::npos ||
           name.find("Budov") != std::string::npos;
}

// The texture image of a surface, when the surface has one that a viewer can show.
bool ReadTexture(const json& surface, Texture& texture)
{
    const json& description = surface.value("texture", json());
    if (!description.is_object())
        return false;
    texture.sizeX = Number(description, "sizeX", 0.0);
    texture.sizeY = Number(description, "sizeY", 0.0);
    std::string file = Text(description, "file");
    if (!(texture.sizeX > 0.0) || !(texture.sizeY > 0.0) || file.empty())
        return false;
    std::ifstream in(file, std::ios::binary);
    texture.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    const auto& b = texture.bytes;
    if (b.size() >= 8 && b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G')
        texture.mime = "image/png";
    else if (b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF)
        texture.mime = "image/jpeg";
    else
        return false;
    return true;
}

// Faces reached from outside across an odd number of boundary edges are inside the mesh.
void MarkDomains(Cdt& cdt)
{
    for (auto face : cdt.all_face_handles())
        face->info().nesting = -1;
    std::list<Cdt::Edge> border;
    auto flood = [&](Cdt::Face_handle start, int nesting) {
        std::list<Cdt::Face_handle> queue{start};
        while (!queue.empty()) {
            Cdt::Face_handle face = queue.front();
            queue.pop_front();
            if (face->info().nesting != -1)
                continue;
            face->info().nesting = nesting;
            for (int i = 0; i < 3; ++i) {
                Cdt::Face_handle next = face->neighbor(i);
                if (next->info().nesting != -1)
                    continue;
                if (cdt.is_constrained(Cdt::Edge(face, i)))
                    border.emplace_back(face, i);
                else
                    queue.push_back(next);
            }
        }
    };
    flood(cdt.infinite_face(), 0);
    while (!border.empty()) {
        Cdt::Edge edge = border.front();
        border.pop_front();
        Cdt::Face_handle next = edge.first->neighbor(edge.second);
        if (next->info().nesting == -1)
            flood(next, edge.first->info().nesting + 1);
    }
}

// Where boundary edges cross, CGAL adds a vertex without a height: take its neighbours' mean.
void FillUnknownHeights(Cdt& cdt, double fallback)
{
    for (int pass = 0; pass < 8; ++pass) {
        bool missing = false;
        for (auto vertex : cdt.finite_vertex_handles()) {
            if (!std::isnan(vertex->info().z))
                continue;
            double sum = 0;
            int count = 0;
            auto around = cdt.incident_vertices(vertex), done = around;
            if (around != nullptr) {
                do {
                    if (!cdt.is_infinite(around) && !std::isnan(around->info().z)) {
                        sum += around->info().z;
                        ++count;
                    }
                } while (++around != done);
            }
            if (count > 0)
                vertex->info().z = sum / count;
            else
                missing = true;
        }
        if (!missing)
            return;
    }
    for (auto vertex : cdt.finite_vertex_handles())
        if (std::isnan(vertex->info().z))
            vertex->info().z = fallback;
}

Vec3 Cross(const Vec3& a, const Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

bool FiniteAsFloats(double value)
{
    return std::abs(value) <= std::numeric_limits<float>::max();
}

// Every number the geometry puts into the model is finite there.
bool Writable(const MeshGeometry& geometry)
{
    for (const Surface& surface : geometry.surfaces) {
        for (const Vec3& p : surface.positions)
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
                return false;
        for (const Vec3& n : surface.normals)
            if (!FiniteAsFloats(n.x) || !FiniteAsFloats(n.y) || !FiniteAsFloats(n.z))
                return false;
        for (const auto& uv : surface.uvs)
            if (!FiniteAsFloats(uv[0]) || !FiniteAsFloats(uv[1]))
                return false;
    }
    return true;
}

Vec3 Normalised(Vec3 v, Vec3 fallback)
{
    double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return length > 0 ? Vec3{v.x / length, v.y / length, v.z / length} : fallback;
}

class ModelBuilder {
public:
    explicit ModelBuilder(const json& project) : project(project) {}

    // False when nothing of the element can be drawn. A boundary whose points all lie on one line
    // has no area: it keeps its walls and loses its top and bottom, and the warning says so.
    bool AddMesh(const json& mesh, std::vector<std::string>& warnings)
    {
        const std::string name = "mesh " + (Text(mesh, "guid").empty() ? std::string("without a guid") : Text(mesh, "guid"));
        std::vector<Vec3> boundary;
        for (const json& value : List(mesh, "polygon")) {
            Vec3 point;
            if (ReadPoint(value, point) && (boundary.empty() || point.x != boundary.back().x ||
                                            point.y != boundary.back().y))
                boundary.push_back(point);
        }
        while (boundary.size() > 1 && boundary.front().x == boundary.back().x &&
               boundary.front().y == boundary.back().y)
            boundary.pop_back();  // stored closed
        if (boundary.size() < 3) {
            warnings.push_back(name + ": fewer than three distinct boundary points, left out of the model");
            return false;
        }
        const std::size_t noted = warnings.size();

        Cdt cdt;
        std::vector<Cdt::Vertex_handle> ring;
        for (const Vec3& point : boundary) {
            Cdt::Vertex_handle vertex = cdt.insert(Point2(point.x, point.y));
            if (std::isnan(vertex->info().z))
                vertex->info().z = point.z;
            ring.push_back(vertex);
        }
        // Collinear or coincident points make a triangulation of lower dimension, which has no
        // faces to mark as inside: such a mesh is only its walls.
        const bool flat = cdt.dimension() < 2;
        if (!flat) {
            for (size_t i = 0; i < ring.size(); ++i)
                if (ring[i] != ring[(i + 1) % ring.size()])
                    cdt.insert_constraint(ring[i], ring[(i + 1) % ring.size()]);
            MarkDomains(cdt);
            AddLevelPoints(cdt, mesh);
        }
        double level = Number(mesh, "level", 0.0);
        if (!flat)
            FillUnknownHeights(cdt, level);

        MeshGeometry geometry;
        geometry.guid = Text(mesh, "guid");
        geometry.layer = LayerName(project, mesh);
        geometry.building = IsBuildingLayer(geometry.layer);

        Surface top = flat ? Surface{} : Top(cdt, mesh, geometry.building);
        std::vector<Vec3> ringTop;
        for (auto vertex : ring)
            ringTop.push_back({vertex->point().x(), vertex->point().y(), vertex->info().z});

        // Heights are project heights as stored; the skirt reaches down to level − skirtDepth, and
        // never above the lowest top point, so walls cannot turn inside out on odd values.
        double lowest = std::numeric_limits<double>::infinity();
        for (const Vec3& p : top.positions.empty() ? ringTop : top.positions)
            lowest = std::min(lowest, p.z);
        double bottom = std::min(level - std::max(0.0, Number(mesh, "skirtDepth", 0.0)), lowest);

        int sideMaterial = PlainMaterial(mesh.value("sideSurface", json()), geometry.building, false);
        int bottomMaterial = PlainMaterial(mesh.value("bottomSurface", json()), geometry.building, false);
        Surface sides = Sides(ringTop, bottom, sideMaterial);
        if (top.indices.empty()) {
            if (sides.indices.empty()) {
                warnings.push_back(name + ": no area and no walls, left out of the model");
                return false;
            }
            warnings.push_back(name + (flat ? ": its boundary points lie on one line" : ": its boundary encloses no area") +
                               ", written without top and bottom faces");
            geometry.surfaces.push_back(std::move(sides));
        } else {
            Surface under = Bottom(top, bottom, bottomMaterial);
            geometry.surfaces.push_back(std::move(top));
            geometry.surfaces.push_back(std::move(sides));
            geometry.surfaces.push_back(std::move(under));
        }
        Vec3 wasLow = low, wasHigh = high;
        for (const Surface& s : geometry.surfaces)
            for (const Vec3& p : s.positions)
                Extend(p);
        if (!Writable(geometry) || !(high.x - low.x <= Reach && high.y - low.y <= Reach && high.z - low.z <= Reach)) {
            low = wasLow, high = wasHigh;
            warnings.resize(noted);  // it is not written at all
            warnings.push_back(name + ": it lies too far out for the model's 32-bit numbers, left out of the model");
            return false;
        }
        meshes.push_back(std::move(geometry));
        return true;
    }

    bool Empty() const { return meshes.empty(); }

    tinygltf::Model Build()
    {
        auto middle = [](double a, double b) {
            const double sum = (a + b) / 2;
            return std::isfinite(sum) ? sum : a + (b - a) / 2;  // near the ends of the number range
        };
        Vec3 centre{middle(low.x, high.x), middle(low.y, high.y), middle(low.z, high.z)};
        tinygltf::Value offset(tinygltf::Value::Array{tinygltf::Value(centre.x), tinygltf::Value(centre.y),
                                                      tinygltf::Value(centre.z)});
        tinygltf::Scene scene;
        scene.name = "Project";
        scene.extras = tinygltf::Value(tinygltf::Value::Object{{"offset", offset}});
        for (const MeshGeometry& geometry : meshes) {
            tinygltf::Mesh mesh;
            mesh.name = geometry.guid;
            for (const Surface& surface : geometry.surfaces)
                if (!surface.indices.empty())
                    mesh.primitives.push_back(Primitive(surface, centre));
            model.meshes.push_back(std::move(mesh));

            tinygltf::Node node;
            node.name = geometry.guid;
            node.mesh = static_cast<int>(model.meshes.size() - 1);
            node.extras = tinygltf::Value(tinygltf::Value::Object{
                {"guid", tinygltf::Value(geometry.guid)},
                {"layer", tinygltf::Value(geometry.layer)},
                {"kind", tinygltf::Value(std::string(geometry.building ? "building" : "terrain"))},
                {"offset", offset}});
            model.nodes.push_back(std::move(node));
            scene.nodes.push_back(static_cast<int>(model.nodes.size() - 1));
        }
        model.scenes.push_back(std::move(scene));
        model.defaultScene = 0;
        model.asset.version = "2.0";
        model.asset.generator = "Orvani Landfetch host simulator";
        tinygltf::Buffer buffer;
        buffer.data = std::move(data);
        model.buffers.push_back(std::move(buffer));
        return std::move(model);
    }

private:
    // Level points outside the boundary or on it are dropped; a point already there is merged.
    static void AddLevelPoints(Cdt& cdt, const json& mesh)
    {
        std::vector<Vec3> inner;
        for (const json& value : List(mesh, "levelPoints")) {
            Vec3 point;
            if (!ReadPoint(value, point))
                continue;
            Cdt::Locate_type type;
            int li = 0;
            Cdt::Face_handle face = cdt.locate(Point2(point.x, point.y), type, li);
            bool inside = (type == Cdt::FACE && face->info().Inside()) ||
                          (type == Cdt::EDGE && !cdt.is_constrained(Cdt::Edge(face, li)) && face->info().Inside());
            if (inside)
                inner.push_back(point);
        }
        Cdt::Face_handle hint;
        for (const Vec3& point : inner) {
            Cdt::Vertex_handle vertex = cdt.insert(Point2(point.x, point.y), hint);
            if (std::isnan(vertex->info().z))
                vertex->info().z = point.z;
            hint = vertex->face();
        }
        if (!inner.empty())
            MarkDomains(cdt);
    }

    Surface Top(const Cdt& cdt, const json& mesh, bool building)
    {
        Surface top;
        const Texture* texture = nullptr;
        top.material = TopMaterial(mesh.value("topSurface", json()), building, texture);
        std::map<Cdt::Vertex_handle, uint32_t> index;
        for (auto face : cdt.finite_face_handles()) {
            if (!face->info().Inside())
                continue;
            for (int i = 0; i < 3; ++i) {
                Cdt::Vertex_handle vertex = face->vertex(i);
                auto [it, added] = index.try_emplace(vertex, static_cast<uint32_t>(top.positions.size()));
                if (added)
                    top.positions.push_back({vertex->point().x(), vertex->point().y(), vertex->info().z});
                top.indices.push_back(it->second);
            }
        }
        // Smooth normals: each vertex takes the area-weighted normals of its triangles.
        top.normals.assign(top.positions.size(), Vec3{});
        for (size_t t = 0; t + 2 < top.indices.size(); t += 3) {
            const Vec3 &a = top.positions[top.indices[t]], &b = top.positions[top.indices[t + 1]],
                       &c = top.positions[top.indices[t + 2]];
            Vec3 n = Cross({b.x - a.x, b.y - a.y, b.z - a.z}, {c.x - a.x, c.y - a.y, c.z - a.z});
            for (int k = 0; k < 3; ++k) {
                Vec3& sum = top.normals[top.indices[t + k]];
                sum = {sum.x + n.x, sum.y + n.y, sum.z + n.z};
            }
        }
        for (Vec3& n : top.normals)
            n = Normalised(n, {0, 0, 1});
        if (texture && !top.positions.empty()) {
            // Image rows run north to south while project y runs south to north; whole tiles
            // are taken off so the coordinates stay small enough for floats (the wrap repeats).
            double shiftU = std::floor(top.positions.front().x / texture->sizeX);
            double shiftV = std::floor(-top.positions.front().y / texture->sizeY);
            for (const Vec3& p : top.positions)
                top.uvs.push_back({p.x / texture->sizeX - shiftU, -p.y / texture->sizeY - shiftV});
        }
        return top;
    }

    static Surface Sides(const std::vector<Vec3>& ring, double bottom, int material)
    {
        Surface sides;
        sides.material = material;
        double area = 0;
        for (size_t i = 0; i < ring.size(); ++i) {
            const Vec3 &a = ring[i], &b = ring[(i + 1) % ring.size()];
            area += a.x * b.y - b.x * a.y;
        }
        for (size_t i = 0; i < ring.size(); ++i) {
            Vec3 a = ring[i], b = ring[(i + 1) % ring.size()];
            if (area < 0)
                std::swap(a, b);  // walk counter-clockwise so the walls face outwards
            if (a.x == b.x && a.y == b.y)
                continue;
            auto first = static_cast<uint32_t>(sides.positions.size());
            sides.positions.insert(sides.positions.end(),
                                   {{a.x, a.y, bottom}, {b.x, b.y, bottom}, {b.x, b.y, b.z}, {a.x, a.y, a.z}});
            Vec3 outward = Normalised({b.y - a.y, a.x - b.x, 0}, {1, 0, 0});
            sides.normals.insert(sides.normals.end(), 4, outward);
            sides.indices.insert(sides.indices.end(), {first, first + 1, first + 2, first, first + 2, first + 3});
        }
        return sides;
    }

    static Surface Bottom(const Surface& top, double bottom, int material)
    {
        Surface face;
        face.material = material;
        for (const Vec3& p : top.positions)
            face.positions.push_back({p.x, p.y, bottom});
        face.normals.assign(face.positions.size(), Vec3{0, 0, -1});
        for (size_t t = 0; t + 2 < top.indices.size(); t += 3)
            face.indices.insert(face.indices.end(), {top.indices[t], top.indices[t + 2], top.indices[t + 1]});
        return face;
    }

    void Extend(const Vec3& p)
    {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }

    int AddMaterial(const std::string& key, tinygltf::Material material)
    {
        auto found = materials.find(key);
        if (found != materials.end())
            return found->second;
        material.name = key;
        material.pbrMetallicRoughness.metallicFactor = 0.0;
        material.pbrMetallicRoughness.roughnessFactor = 1.0;
        model.materials.push_back(std::move(material));
        return materials[key] = static_cast<int>(model.materials.size() - 1);
    }

    // The surface's own colour when it has one, else a colour by what the mesh is.
    int PlainMaterial(const json& surfaceIndex, bool building, bool top)
    {
        tinygltf::Material material;
        material.doubleSided = !top;  // a self-crossing boundary has no single outward side
        const json* surface = FindByIndex(List(project, "surfaces"), surfaceIndex);
        // A textured surface is white under its image; without the image white says nothing.
        bool textured = surface && surface->contains("texture") && (*surface)["texture"].is_object();
        const json& rgb = surface && !textured ? List(*surface, "rgb") : List(json(), "");
        if (rgb.size() == 3 && std::all_of(rgb.begin(), rgb.end(), [](const json& c) { return c.is_number(); })) {
            for (size_t i = 0; i < 3; ++i)
                material.pbrMetallicRoughness.baseColorFactor[i] = std::clamp(rgb[i].get<double>(), 0.0, 1.0);
            return AddMaterial("surface-" + surfaceIndex.dump() + (top ? "-top" : "-side"), std::move(material));
        }
        if (building)
            material.pbrMetallicRoughness.baseColorFactor = {0.82, 0.82, 0.80, 1.0};
        else if (top)
            material.pbrMetallicRoughness.baseColorFactor = {0.52, 0.60, 0.47, 1.0};
        else
            material.pbrMetallicRoughness.baseColorFactor = {0.50, 0.46, 0.40, 1.0};
        return AddMaterial(std::string(building ? "building" : "terrain") + (top ? "-top" : "-side"),
                           std::move(material));
    }

    int TopMaterial(const json& surfaceIndex, bool building, const Texture*& texture)
    {
        const json* surface = FindByIndex(List(project, "surfaces"), surfaceIndex);
        if (!surface)
            return PlainMaterial(surfaceIndex, building, true);
        std::string key = "surface-" + surfaceIndex.dump();
        auto known = textures.find(key);
        if (known == textures.end()) {
            Texture read;
            known = textures.emplace(key, ReadTexture(*surface, read) ? read : Texture{}).first;
            if (!known->second.bytes.empty())
                AddImage(key, known->second);
        }
        if (known->second.bytes.empty())
            return PlainMaterial(surfaceIndex, building, true);
        texture = &known->second;
        return materials.at(key);
    }

    void AddImage(const std::string& key, const Texture& texture)
    {
        tinygltf::Image image;
        image.name = key;
        image.mimeType = texture.mime;
        image.bufferView = AddView(texture.bytes.data(), texture.bytes.size(), 0);
        model.images.push_back(std::move(image));

        tinygltf::Sampler sampler;
        sampler.wrapS = sampler.wrapT = TINYGLTF_TEXTURE_WRAP_REPEAT;
        sampler.magFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
        sampler.minFilter = TINYGLTF_TEXTURE_FILTER_LINEAR_MIPMAP_LINEAR;
        model.samplers.push_back(sampler);

        tinygltf::Texture gltfTexture;
        gltfTexture.source = static_cast<int>(model.images.size() - 1);
        gltfTexture.sampler = static_cast<int>(model.samplers.size() - 1);
        model.textures.push_back(gltfTexture);

        tinygltf::Material material;
        material.pbrMetallicRoughness.baseColorTexture.index = static_cast<int>(model.textures.size() - 1);
        AddMaterial(key, std::move(material));
    }

    int AddView(const void* bytes, size_t size, int target)
    {
        while (data.size() % 4 != 0)
            data.push_back(0);
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = data.size();
        view.byteLength = size;
        view.target = target;
        const auto* begin = static_cast<const unsigned char*>(bytes);
        data.insert(data.end(), begin, begin + size);
        model.bufferViews.push_back(view);
        return static_cast<int>(model.bufferViews.size() - 1);
    }

    int AddAccessor(const std::vector<float>& values, int type, int width, bool bounds)
    {
        tinygltf::Accessor accessor;
        accessor.bufferView = AddView(values.data(), values.size() * sizeof(float), TINYGLTF_TARGET_ARRAY_BUFFER);
        accessor.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
        accessor.type = type;
        accessor.count = values.size() / static_cast<size_t>(width);
        if (bounds) {
            accessor.minValues.assign(static_cast<size_t>(width), std::numeric_limits<double>::infinity());
            accessor.maxValues.assign(static_cast<size_t>(width), -std::numeric_limits<double>::infinity());
            for (size_t i = 0; i < values.size(); ++i) {
                auto k = i % static_cast<size_t>(width);
                accessor.minValues[k] = std::min(accessor.minValues[k], static_cast<double>(values[i]));
                accessor.maxValues[k] = std::max(accessor.maxValues[k], static_cast<double>(values[i]));
            }
        }
        model.accessors.push_back(std::move(accessor));
        return static_cast<int>(model.accessors.size() - 1);
    }

    tinygltf::Primitive Primitive(const Surface& surface, const Vec3& centre)
    {
        std::vector<float> positions, normals, uvs;
        for (const Vec3& p : surface.positions) {
            // Y-up: project (x, y, z) becomes (x, z, -y), taken relative to the model's centre.
            positions.insert(positions.end(), {static_cast<float>(p.x - centre.x), static_cast<float>(p.z - centre.z),
                                               static_cast<float>(-(p.y - centre.y))});
        }
        for (const Vec3& n : surface.normals)
            normals.insert(normals.end(), {static_cast<float>(n.x), static_cast<float>(n.z), static_cast<float>(-n.y)});
        for (const auto& uv : surface.uvs)
            uvs.insert(uvs.end(), {static_cast<float>(uv[0]), static_cast<float>(uv[1])});

        tinygltf::Primitive primitive;
        primitive.mode = TINYGLTF_MODE_TRIANGLES;
        primitive.material = surface.material;
        primitive.attributes["POSITION"] = AddAccessor(positions, TINYGLTF_TYPE_VEC3, 3, true);
        primitive.attributes["NORMAL"] = AddAccessor(normals, TINYGLTF_TYPE_VEC3, 3, false);
        if (!uvs.empty())
            primitive.attributes["TEXCOORD_0"] = AddAccessor(uvs, TINYGLTF_TYPE_VEC2, 2, false);

        tinygltf::Accessor indices;
        indices.bufferView = AddView(surface.indices.data(), surface.indices.size() * sizeof(uint32_t),
                                     TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
        indices.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
        indices.type = TINYGLTF_TYPE_SCALAR;
        indices.count = surface.indices.size();
        model.accessors.push_back(std::move(indices));
        primitive.indices = static_cast<int>(model.accessors.size() - 1);
        return primitive;
    }

    const json& project;
    std::vector<MeshGeometry> meshes;
    Vec3 low{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
             std::numeric_limits<double>::infinity()};
    Vec3 high{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
              -std::numeric_limits<double>::infinity()};
    tinygltf::Model model;
    std::vector<unsigned char> data;
    std::map<std::string, int> materials;
    std::map<std::string, Texture> textures;
};

}  // namespace

std::string WriteGltfModel(const json& project, const std::string& outDir, std::vector<std::string>* warnings)
{
    ModelBuilder builder(project);
    std::vector<std::string> notes;
    for (const json& element : List(project, "elements"))
        if (element.is_object() && Text(element, "type") == "mesh")
            builder.AddMesh(element, notes);
    if (warnings)
        warnings->insert(warnings->end(), notes.begin(), notes.end());
    if (builder.Empty())
        return {};

    std::filesystem::create_directories(outDir);
    const std::filesystem::path folder(outDir);
    std::string path = (folder / "model.gltf").string();
    tinygltf::Model model = builder.Build();
    // The buffer goes to its own file; the model file names it and comes last, so it never names
    // a buffer that is not whole.
    std::vector<unsigned char> bin = std::move(model.buffers.front().data);
    model.buffers.front().data.clear();
    tinygltf::TinyGLTF writer;
    std::ostringstream text;
    if (!writer.WriteGltfSceneToStream(&model, text, true, false))
        throw std::runtime_error("cannot write " + path);
    json gltf = json::parse(text.str());
    gltf["buffers"][0] = {{"byteLength", bin.size()}, {"uri", "model.bin"}};
    WriteFileAtomically(folder / "model.bin", std::string_view(reinterpret_cast<const char*>(bin.data()), bin.size()));
    WriteFileAtomically(path, gltf.dump(2));
    return path;
}

}  // namespace sim
