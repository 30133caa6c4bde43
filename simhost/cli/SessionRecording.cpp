#include "cli/SessionRecording.hpp"

#include "host/AtomicFile.hpp"

namespace sim {

SessionRecording::SessionRecording(std::string path, int api, nlohmann::json project)
    : path(std::move(path)), api(api), project(std::move(project))
{
}

void SessionRecording::Add(nlohmann::ordered_json step)
{
    steps.push_back(std::move(step));
}

void SessionRecording::AddCall(const std::string& name, const nlohmann::json& args)
{
    nlohmann::ordered_json step;
    step["call"] = name;
    if (args.is_array() && !args.empty())
        step["args"] = args;
    steps.push_back(std::move(step));
}

void SessionRecording::Write() const
{
    // One step per line: a recording stays readable and diffs well.
    std::string text = "{\n  \"api\": " + std::to_string(api) + ",\n";
    if (!project.is_null())
        text += "  \"project\": " + project.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + ",\n";
    text += "  \"steps\": [";
    for (std::size_t i = 0; i < steps.size(); ++i)
        text += (i > 0 ? ",\n    " : "\n    ") + steps[i].dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    text += steps.empty() ? "]\n}\n" : "\n  ]\n}\n";
    WriteFileAtomically(path, text);
}

}  // namespace sim
