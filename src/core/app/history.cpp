#include "core/app/history.h"

#include <utility>

namespace zefo {

namespace {
const std::string nohistorytext;
}  // namespace

void DesignHistory::push(OpticalSystem before, std::string text) {
    undo_.push_back({std::move(before), std::move(text)});
    if (undo_.size() > maxsteps) undo_.pop_front();
    redo_.clear();
}

const std::string& DesignHistory::undotext() const { return undo_.empty() ? nohistorytext : undo_.back().text; }
const std::string& DesignHistory::redotext() const { return redo_.empty() ? nohistorytext : redo_.back().text; }

std::string DesignHistory::move(std::deque<Step>& from, std::deque<Step>& to, OpticalSystem& current) {
    if (from.empty()) return {};
    Step step = std::move(from.back());
    from.pop_back();
    std::swap(step.lens, current);   // step.lens now holds the value that was current
    to.push_back(std::move(step));
    if (to.size() > maxsteps) to.pop_front();
    return to.back().text;
}

std::string DesignHistory::undo(OpticalSystem& current) { return move(undo_, redo_, current); }
std::string DesignHistory::redo(OpticalSystem& current) { return move(redo_, undo_, current); }

void DesignHistory::clear() {
    undo_.clear();
    redo_.clear();
}

}  // namespace zefo
