// Undoable commands and the undo history: each command is one named step.

#include <algorithm>

#include "Project.hpp"

namespace sim {

namespace {

// The model before a step that came from a project file: its elements removed.
std::shared_ptr<const Model> WithoutElements(const Model& model, const std::vector<std::string>& guids)
{
    auto before = std::make_shared<Model>(model);
    std::erase_if(before->elements, [&guids](const Element& element) {
        return std::find(guids.begin(), guids.end(), element.guid) != guids.end();
    });
    return before;
}

}  // namespace

GSErrCode Project::CallUndoableCommand(const GS::UniString& undoName, const API_CommandBody& body)
{
    if (inCommand) {
        return APIERR_NOTSUPPORTED;
    }
    if (!body) {
        return APIERR_BADPARS;
    }
    auto before = std::make_shared<const Model>(model);
    inCommand = true;
    GSErrCode result = NoError;
    try {
        result = body();
    } catch (...) {
        inCommand = false;
        model = *before;
        ForgetMissingWindows();
        throw;
    }
    inCommand = false;
    if (result != NoError) {
        model = *before;
        ForgetMissingWindows();
        return result;
    }
    if (model == *before) {
        return NoError;
    }
    UndoStep step;
    step.name = undoName.ToUtf8();
    for (const Element& element : model.elements) {
        const bool existed = std::any_of(before->elements.begin(), before->elements.end(),
                                         [&element](const Element& old) { return old.guid == element.guid; });
        if (!existed) {
            step.elements.push_back(element.guid);
        }
    }
    step.before = std::move(before);
    step.after = std::make_shared<const Model>(model);
    undoSteps.push_back(std::move(step));
    redoSteps.clear();
    return NoError;
}

int Project::Undo(int steps)
{
    int done = 0;
    while (done < steps && !undoSteps.empty() && !inCommand) {
        UndoStep step = std::move(undoSteps.back());
        undoSteps.pop_back();
        if (step.before == nullptr) {
            step.before = WithoutElements(model, step.elements);
            step.after = std::make_shared<const Model>(model);
        }
        model = *step.before;
        redoSteps.push_back(std::move(step));
        ++done;
    }
    ForgetMissingWindows();
    return done;
}

int Project::Redo(int steps)
{
    int done = 0;
    while (done < steps && !redoSteps.empty() && !inCommand) {
        UndoStep step = std::move(redoSteps.back());
        redoSteps.pop_back();
        model = *step.after;
        undoSteps.push_back(std::move(step));
        ++done;
    }
    ForgetMissingWindows();
    return done;
}

}  // namespace sim
