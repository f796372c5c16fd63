// The state of one working session around the current design: the lens data file it came
// from, whether it changed since it was read or saved, the validity of the spot and MTF
// results, the first error and the cancel of the running command, and the listeners that
// follow changes of the design (editors, picture windows). The main window and zefo-batch
// keep one Session each. The calculations still record their first error (calcerror,
// errmsg) in the Model; the session is where the front ends read and clear it. The spot and
// MTF calculations return their results; the session holds which of them are valid.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/forms/eaforms.h"
#include "core/imagequality/imagequality.h"
#include "core/model/model.h"

namespace zefo {

class Session {
public:
    // The session of the design m; no file is current.
    explicit Session(Model& m) : m_(m) {}
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

    // ---- changes of the design
    bool datachanged() const { return datachanged_; }
    // The optical data changed: no spot or MTF result is valid any more. The listeners are told.
    void designchanged();
    // A setting stored with the design changed (the caller has cleared the results it
    // invalidates). The listeners are told.
    void settingschanged();
    // The four spot/MTF results become invalid.
    void clearresults() { valid_ = 0; }

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

    // ---- listeners of design changes
    using Listener = std::function<void()>;
    // Adds a listener; the id removes it again.
    int subscribe(Listener f);
    // Removes a listener (also from inside a listener); an unknown id is ignored.
    void unsubscribe(int id);

private:
    void notify();
    void setfile(const std::string& path);

    Model& m_;
    bool loaded_ = false;
    std::string filepath_, filebase_;
    bool datachanged_ = false;
    bool cancelled_ = false;
    unsigned valid_ = 0;
    EAState ea_;
    std::vector<std::pair<int, Listener>> listeners_;
    int nextid_ = 1;
};

}  // namespace zefo
