// The state of one working session around the current design: the lens data file it came
// from, whether it changed since it was read or saved, the validity of the spot and MTF
// results, the first error and the cancel of the running command, the revision and the
// undo history of the design, and the listeners that follow changes of the design (editors,
// picture windows). Every change of the lens goes through designchanged (or
// settingschanged): it is recorded as an undoable step with its text, the revision
// advances and the listeners are told. The main window and zefo-batch
// keep one Session each. The calculations still record their first error (calcerror,
// errmsg) in the Model; the session is where the front ends read and clear it. The spot and
// MTF calculations return their results; the session holds which of them are valid.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/app/history.h"
#include "core/forms/eaforms.h"
#include "core/imagequality/imagequality.h"
#include "core/model/model.h"

namespace zefo {

// The last change of the design, as the listeners read it (Session::lastchange).
struct DesignChange {
    enum Kind {
        opened,    // Open, a recent entry, New, Import: another lens, a new history
        closed,    // Close: no lens
        edited,    // an editor commit, a modify command, an optimizer's result
        settings,  // a setting stored with the design (the results it makes stale are cleared by the caller)
        undone,    // Undo
        redone,    // Redo
    };
    Kind kind = closed;
    std::string text;           // the step's text ("Radius of surface 4"); empty for open and close
    unsigned long revision = 0;  // the session's revision after the change
};

// What a window's contents were computed from: the lens's name and file, the revision of
// the session at that moment and the settings of the calculation (e.g. the wavelength).
struct DesignStamp {
    std::string sysname, filepath, settings;
    unsigned long revision = 0;
};

// The mark of a window whose lens has changed since it was computed.
inline constexpr const char* outofdatemark = "out of date: the lens has changed";

// The title of a window showing what it was computed from: caption + " - " + name + " (" +
// file name + ", revision n)" + " - " + settings; an out-of-date window adds " - " + the mark.
std::string stampedcaption(const std::string& caption, const DesignStamp& s, bool outofdate);

class Session {
public:
    // The session of the design m; no file is current.
    explicit Session(Model& m) : m_(m), recorded_(m.lens) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // ---- the current lens data file
    bool loaded() const { return loaded_; }
    const std::string& filepath() const { return filepath_; }
    // The file name without directory and extension: the name of the report files.
    const std::string& filebase() const { return filebase_; }

    // Open, a recent entry, New: path is current and the Save target, the design is as read,
    // no result is valid. The listeners are told.
    void opened(const std::string& path);
    // Import: the design of another program's file, named name, is loaded without a file of
    // its own (Save asks for one) and counts as changed; no result is valid. The listeners
    // are told.
    void imported(const std::string& name);
    // Save As: path becomes the current file and the Save target.
    void savedas(const std::string& path);
    // Save: the design is as stored.
    void saved() { datachanged_ = false; }
    // Close: no file, nothing changed, failed or cancelled, no result valid, no system name.
    // The listeners are told.
    void closed();

    // ---- changes of the design: the one path every change of the lens takes
    bool datachanged() const { return datachanged_; }
    // The optical data changed (the caller has changed the model's lens): the change is a
    // step of the history named text (empty: the title of the running command, see
    // begincommand), datachanged is set, no spot or MTF result is valid any more, the trace
    // context is prepared again, the revision advances and the listeners are told. A lens
    // equal to the one recorded last makes no step (the rest happens all the same).
    void designchanged(std::string text = {});
    // A setting stored with the design changed (the caller has cleared the results it
    // invalidates): as designchanged, but the other results stay valid.
    void settingschanged(std::string text = {});
    // The four spot/MTF results become invalid.
    void clearresults() { valid_ = 0; }

    // The revision of the design: it advances with every change the listeners are told of
    // (open, close, edits, settings, undo, redo). A window records the revision it was
    // computed from; another revision means the lens has changed since.
    unsigned long revision() const { return change_.revision; }
    const DesignChange& lastchange() const { return change_; }
    // The stamp of a window computed now (with the settings of its calculation).
    DesignStamp stamp(std::string settings = {}) const {
        return {m_.lens.sysname, filepath_, std::move(settings), change_.revision};
    }
    // True when a window of that stamp still shows the current design.
    bool current(const DesignStamp& s) const { return loaded_ && s.revision == change_.revision; }
    // The lens as recorded by the last change (what undo would step back from).
    const OpticalSystem& recorded() const { return recorded_; }
    // True when the model's lens differs from the recorded one (a change not yet told).
    bool unrecorded() const { return !(m_.lens == recorded_); }
    // Data a calculation stores in the lens as it goes (the clear radii a report traced,
    // the frequency grid) become part of the recorded lens without a step of their own:
    // nobody is told and datachanged stays as it is.
    void absorb() { recorded_ = m_.lens; }

    // ---- undo and redo (a bounded history of lens values; opening a file starts a new one)
    const DesignHistory& history() const { return history_; }
    bool canundo() const { return !locked() && (history_.canundo() || unrecorded()); }
    bool canredo() const { return !locked() && history_.canredo(); }
    // The lens before the last step becomes current (a change not yet recorded is recorded
    // first, so that redo brings it back); a design change like any other. Returns the
    // step's text, empty when there was nothing to undo or the design is locked.
    std::string undo();
    // The step undone last is made again; returns its text, empty when none.
    std::string redo();

    // ---- the running command, whose title names the steps it records without a text
    void begincommand(std::string title) { command_ = std::move(title); }
    void endcommand() { command_.clear(); }

    // ---- a lock while an optimizer works on a copy of the design: the editors and every
    // command that changes the lens refuse, showing the reason
    void lock(std::string reason) { lockreason_ = std::move(reason); }
    void unlock() { lockreason_.clear(); }
    bool locked() const { return !lockreason_.empty(); }
    const std::string& lockreason() const { return lockreason_; }

    // ---- validity of the spot and MTF results (IqResult bits)
    // True when every result of the set is valid.
    bool valid(unsigned results) const { return results != 0 && (valid_ & results) == results; }
    // The results of the set were calculated for the current design and settings.
    void setvalid(unsigned results) { valid_ |= results; }
    // The results of the set are stale (a changed setting).
    void invalidate(unsigned results) { valid_ &= ~results; }

    // ---- the running command: its first error and its cancel
    bool failed() const { return m_.calcerror; }
    const std::string& error() const { return m_.errmsg; }
    // Records a failure; a later one keeps the first message.
    void fail(const std::string& msg);
    // The message of the failure, which is cleared.
    std::string takeerror();
    bool cancelled() const { return cancelled_; }
    void cancel() { cancelled_ = true; }
    void clearcancel() { cancelled_ = false; }

    // ---- the parameter set of the evolutionary optimizers, kept while the program runs
    // (Close clears its flags, not its values)
    EAState& ea() { return ea_; }

    // ---- listeners of design changes (lastchange() tells what changed)
    using Listener = std::function<void()>;
    // Adds a listener; the id removes it again.
    int subscribe(Listener f);
    // Removes a listener (also from inside a listener); an unknown id is ignored.
    void unsubscribe(int id);

private:
    void notify();
    void setfile(const std::string& path);
    // A change of the kind: the revision advances, the listeners are told.
    void told(DesignChange::Kind kind, std::string text);
    // Another lens or none: the history starts again from the model's lens.
    void newhistory(DesignChange::Kind kind);
    void record(DesignChange::Kind kind, std::string text);
    // After undo or redo: the model's lens, put back, is the recorded one.
    void restored(DesignChange::Kind kind, const std::string& text);

    Model& m_;
    bool loaded_ = false;
    std::string filepath_, filebase_;
    bool datachanged_ = false;
    bool cancelled_ = false;
    unsigned valid_ = 0;
    EAState ea_;
    OpticalSystem recorded_;
    DesignHistory history_;
    DesignChange change_;
    std::string command_, lockreason_;
    std::vector<std::pair<int, Listener>> listeners_;
    int nextid_ = 1;
};

}  // namespace zefo
