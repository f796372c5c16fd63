// The undo and redo history of a design: the lens values before the steps that changed it,
// each with a short text ("Radius of surface 4", "Scale by 2", "DLS optimization"), and the
// values a redo puts back. Bounded: the oldest step goes when a new one exceeds the limit.
#pragma once

#include <cstddef>
#include <deque>
#include <string>

#include "core/model/model.h"

namespace zefo {

class DesignHistory {
public:
    // The number of steps kept for undo.
    static constexpr std::size_t maxsteps = 100;

    // A step named text changed the lens from before: it can be undone; redo is forgotten.
    void push(OpticalSystem before, std::string text);
    // The steps that undo or redo would take back or put back.
    bool canundo() const { return !undo_.empty(); }
    bool canredo() const { return !redo_.empty(); }
    // The text of the step undo or redo would take back or put back; empty when none.
    const std::string& undotext() const;
    const std::string& redotext() const;
    std::size_t undosteps() const { return undo_.size(); }
    // Undo: current becomes the lens before the last step (current goes to redo); returns
    // the step's text, empty when there is none (current unchanged).
    std::string undo(OpticalSystem& current);
    // Redo: current becomes the lens after the step undone last; returns the step's text.
    std::string redo(OpticalSystem& current);
    // Forgets every step (a file opened, a new or closed system).
    void clear();

private:
    struct Step {
        OpticalSystem lens;
        std::string text;
    };
    static std::string move(std::deque<Step>& from, std::deque<Step>& to, OpticalSystem& current);
    std::deque<Step> undo_, redo_;
};

}  // namespace zefo
