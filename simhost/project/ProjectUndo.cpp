// Undoable commands and the undo history: each command is one named step that holds what it
// changed, and undo and redo apply only that.

#include <algorithm>
#include <limits>

#include "project/Project.hpp"

namespace sim {

namespace {

constexpr std::size_t Nowhere = std::numeric_limits<std::size_t>::max();

// Takes a made thing out of its list and keeps it. It is looked for where it was made first, then
// from the end; one that is gone already is left alone.
template <class T, class Matches>
void TakeOut(std::vector<T>& list, std::size_t& position, std::optional<T>& held, Matches matches)
{
    std::size_t at = Nowhere;
    if (position < list.size() && matches(list[position])) {
        at = position;
    } else {
        for (std::size_t i = list.size(); i > 0; --i) {
            if (matches(list[i - 1])) {
                at = i - 1;
                break;
            }
        }
    }
    if (at == Nowhere) {
        return;
    }
    held = std::move(list[at]);
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(at));
    position = at;
}

template <class T>
void PutIn(std::vector<T>& list, std::size_t& position, std::optional<T>& held)
{
    if (!held) {
        return;
    }
    position = std::min(position, list.size());
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(position), std::move(*held));
    held.reset();
}

template <class... Visitors>
struct Overloaded : Visitors... {
    using Visitors::operator()...;
};
template <class... Visitors>
Overloaded(Visitors...) -> Overloaded<Visitors...>;

}  // namespace

GeoState Project::Geo() const
{
    return GeoState{model.surveyPoint, model.geoReference, model.crs, model.longitude,
                    model.latitude,    model.altitude,     model.north};
}

void Project::PutGeo(const GeoState& geo)
{
    model.surveyPoint = geo.surveyPoint;
    model.geoReference = geo.geoReference;
    model.crs = geo.crs;
    model.longitude = geo.longitude;
    model.latitude = geo.latitude;
    model.altitude = geo.altitude;
    model.north = geo.north;
}

void Project::Record(Change change)
{
    if (inCommand) {
        journal.push_back(std::move(change));
    }
}

void Project::RecordGeo(const GeoState& before)
{
    if (!inCommand) {
        return;
    }
    GeoState after = Geo();
    if (after != before) {
        journal.push_back(GeoLocationSet{before, std::move(after)});
    }
}

void Project::TakeBack(Change& change)
{
    std::visit(Overloaded{
                   [this](ElementMade& made) {
                       TakeOut(model.elements, made.position, made.held,
                               [&made](const Element& element) { return element.guid == made.guid; });
                   },
                   [this](AttributeMade& made) {
                       TakeOut(model.attributes[made.typeID], made.position, made.held,
                               [&made](const Attribute& attribute) { return attribute.index == made.index; });
                   },
                   [this](WorksheetMade& made) {
                       TakeOut(model.worksheets, made.position, made.held,
                               [&made](const Worksheet& worksheet) { return worksheet.id == made.id; });
                   },
                   [this](AutoTextMade& made) {
                       TakeOut(model.autotexts, made.position, made.held,
                               [&made](const AutoText& autotext) { return autotext.key == made.key; });
                   },
                   [this](AutoTextSet& set) {
                       for (AutoText& autotext : model.autotexts) {
                           if (autotext.key == set.key) {
                               autotext.value = set.before;
                           }
                       }
                   },
                   [this](GeoLocationSet& set) { PutGeo(set.before); },
               },
               change);
}

void Project::PutBack(Change& change)
{
    std::visit(Overloaded{
                   [this](ElementMade& made) { PutIn(model.elements, made.position, made.held); },
                   [this](AttributeMade& made) { PutIn(model.attributes[made.typeID], made.position, made.held); },
                   [this](WorksheetMade& made) { PutIn(model.worksheets, made.position, made.held); },
                   [this](AutoTextMade& made) { PutIn(model.autotexts, made.position, made.held); },
                   [this](AutoTextSet& set) {
                       for (AutoText& autotext : model.autotexts) {
                           if (autotext.key == set.key) {
                               autotext.value = set.after;
                           }
                       }
                   },
                   [this](GeoLocationSet& set) { PutGeo(set.after); },
               },
               change);
}

void Project::RollBackCommand()
{
    for (auto change = journal.rbegin(); change != journal.rend(); ++change) {
        TakeBack(*change);
    }
    journal.clear();
    ForgetMissingWindows();
}

GSErrCode Project::CallUndoableCommand(const GS::UniString& undoName, const API_CommandBody& body)
{
    if (inCommand) {
        return APIERR_NOTSUPPORTED;
    }
    if (!body) {
        return APIERR_BADPARS;
    }
    journal.clear();
    inCommand = true;
    GSErrCode result = NoError;
    try {
        result = body();
    } catch (...) {
        inCommand = false;
        RollBackCommand();
        throw;
    }
    inCommand = false;
    if (result != NoError) {
        RollBackCommand();
        return result;
    }
    if (journal.empty()) {
        return NoError;
    }
    UndoStep step;
    step.name = undoName.ToUtf8();
    for (const Change& change : journal) {
        if (const auto* made = std::get_if<ElementMade>(&change)) {
            step.elements.push_back(made->guid);
        }
    }
    step.changes = std::move(journal);
    journal.clear();
    undoSteps.push_back(std::move(step));
    redoSteps.clear();
    heldAttributeIndex.clear();
    return NoError;
}

int Project::Undo(int steps)
{
    int done = 0;
    while (done < steps && !undoSteps.empty() && !inCommand) {
        UndoStep step = std::move(undoSteps.back());
        undoSteps.pop_back();
        for (auto change = step.changes.rbegin(); change != step.changes.rend(); ++change) {
            TakeBack(*change);
            if (const auto* made = std::get_if<AttributeMade>(&*change); made != nullptr && made->held) {
                Int32& highest = heldAttributeIndex[made->typeID];
                highest = std::max(highest, made->index);
            }
        }
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
        for (Change& change : step.changes) {
            PutBack(change);
        }
        undoSteps.push_back(std::move(step));
        ++done;
    }
    if (redoSteps.empty()) {
        heldAttributeIndex.clear();
    }
    ForgetMissingWindows();
    return done;
}

}  // namespace sim
