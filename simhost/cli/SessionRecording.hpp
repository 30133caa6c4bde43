#pragma once

// `browse --record FILE`: the session as a scenario file that `run FILE` replays. It holds what
// reached the add-on from outside: the palette opened by its menu command, every call with its
// arguments as the page sent them, the host's theme and project events, and undo and redo.

#include <string>

#include <nlohmann/json.hpp>

namespace sim {

class SessionRecording {
public:
    // `project`: the project the session starts from; null for a new one.
    SessionRecording(std::string path, int api, nlohmann::json project);

    // A scenario step, in the scenario file's own form.
    void Add(nlohmann::ordered_json step);
    // The step of a call; `args` as RecordedValue gives them.
    void AddCall(const std::string& name, const nlohmann::json& args);

    // Written to a temporary name and renamed, so an older recording stays whole until then.
    void Write() const;
    std::size_t StepCount() const { return steps.size(); }

private:
    std::string path;
    int api;
    nlohmann::json project;
    nlohmann::ordered_json steps = nlohmann::ordered_json::array();
};

}  // namespace sim
