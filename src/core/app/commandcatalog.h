// The command layer shared by the main window and zefo-batch: per command id its title,
// log lines, window caption, report extension, error and cancel texts and refusal. The
// main window adds menus, dialogs and shells by id; the batch tool adds argument parsing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/model/model.h"

namespace zefo {

// The error box of a failed calculation when the command names no text of its own.
inline constexpr const char* calcerrortext = "Error in calculation!";

// The texts of one command.
struct CommandText {
    const char* id = "";              // command id, also the object name of its menu entry
    const char* title = "";           // status panel 1
    const char* logtext = nullptr;    // log line at the start; nullptr: the title, "": none
    const char* finished = nullptr;   // log line at the end; nullptr: log text + " - Finished"
    const char* window = "";          // caption of the window the command opens
    const char* ext = "";             // report file (its directory follows from the extension)
    const char* errtext = calcerrortext;  // error box of a failed calculation
    const char* canceltext = "";      // notice when the command's dialog was cancelled
    const char* terminated = nullptr;  // log line of a cancel; nullptr: log text + " - Terminated by user"
    const char* finishstatus = "Status: Finished";
    // A notice given instead of running the command (nothing logged); empty to run it.
    std::string (*refusal)(const Model&) = nullptr;
    const char* donetext = "";        // notice (caption "Information") after a successful run
};

// Every command of the program, grouped by menu (some are run only by zefo-batch so far).
const std::vector<CommandText>& commandtexts();

// The texts of a command id; throws std::out_of_range for an unknown id.
const CommandText& commandtext(std::string_view id);

// The log lines of a command: at the start (empty: none), at the end, on a cancel.
std::string startline(const CommandText& t);
std::string finishedline(const CommandText& t);
std::string terminatedline(const CommandText& t);

// The refusal of a command for this system; empty when it may run.
std::string refusal(const CommandText& t, const Model& m);

// Calculate Ray Scheme on a scheme of normal rays.
inline constexpr const char* normalraysmsg = "A ray scheme of normal rays has no relative coordinates to aim";

// An optimization on a system without optimization variables.
inline constexpr const char* novariablesmsg = "The optical system has no optimization variables";

}  // namespace zefo
