#pragma once

// Exports of a project file: the file itself, each view as an SVG drawing, the meshes as one glTF model.
// Both read the project file's JSON, never the live project, so a saved file exports the same way.

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace sim {

// Writes one SVG per view: "plan-story-<index>.svg" for each floor-plan story that has elements
// (and story 0 always), "worksheet-<ref or name, made file-safe>.svg" per worksheet; returns the
// files written. Drawing units are metres with north up. Text sizes are millimetres on paper at the
// drawing's scale, the first of 1:100, 1:200, 1:500, 1:1000, 1:2000, 1:5000 … at which the drawing
// fits on 400 mm of paper (a 2 mm label is 0.2 m at 1:100, 2 m at 1:1000). An element that cannot be
// drawn with finite numbers (its points or its text too far out) is left out and adds a line naming it
// to `warnings`. Throws std::runtime_error when a file cannot be written.
std::vector<std::string> WriteViewSvgs(const nlohmann::json& project, const std::string& outDir,
                                       std::vector<std::string>* warnings = nullptr);

// Writes "model.gltf" and "model.bin" (texture images travel inside the .bin) with every mesh;
// returns the file written, or "" when the project has no mesh. glTF is Y-up: project (x, y, z)
// becomes (x − cx, z − cz, −(y − cy)), (cx, cy, cz) being the centre of all meshes, kept in the
// scene's extras as "offset". A mesh that cannot be drawn whole (its boundary points on one line,
// too few of them) is written with what it has, or left out, and adds a line naming it to
// `warnings`; so is one whose points would not be finite as the model's numbers. Throws std::runtime_error when a file cannot be written.
std::string WriteGltfModel(const nlohmann::json& project, const std::string& outDir,
                           std::vector<std::string>* warnings = nullptr);

// Where WriteExports puts each export; an empty path leaves that one out.
struct ExportPlan {
    std::string projectFile;    // the project file's JSON
    int projectIndent = 2;
    bool projectSaved = false;  // written as the saved project: the texture files beside it kept in step
    std::string viewsFolder;    // WriteViewSvgs
    std::string modelFolder;    // WriteGltfModel

    // Every export into one folder, the project file as "project.json".
    static ExportPlan AllIn(const std::string& folder);
};

struct ExportsWritten {
    std::vector<std::string> files;  // every file written, the project file first
    std::vector<std::string> views;
    std::string model;               // "" when the project has no mesh
    std::vector<std::string> warnings;
};

// Writes every export the plan asks for, creating the folders. Throws sim::Error naming what
// cannot be written.
ExportsWritten WriteExports(const nlohmann::json& project, const ExportPlan& plan);

}  // namespace sim
