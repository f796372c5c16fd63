#include "core/app/session.h"

#include <algorithm>
#include <filesystem>


namespace zefo {

std::string stampedcaption(const std::string& caption, const DesignStamp& s, bool outofdate) {
    std::string text = caption;
    if (!s.sysname.empty() || !s.filepath.empty()) {
        text += " - " + (s.sysname.empty() ? std::string("(no name)") : s.sysname) + " (";
        if (!s.filepath.empty()) text += std::filesystem::path(s.filepath).filename().string() + ", ";
        text += "revision " + std::to_string(s.revision) + ")";
    }
    if (!s.settings.empty()) text += " - " + s.settings;
    if (outofdate) text += std::string(" - ") + outofdatemark;
    return text;
}

void Session::setfile(const std::string& path) {
    filepath_ = path;
    filebase_ = std::filesystem::path(path).stem().string();
}

void Session::opened(const std::string& path) {
    setfile(path);
    loaded_ = true;
    datachanged_ = false;
    preparetrace(m_.lens, m_.trace);
    clearresults();
    newhistory(DesignChange::opened);
}

void Session::imported(const std::string& name) {
    opened("");
    filebase_ = name;
    datachanged_ = true;
}

void Session::savedas(const std::string& path) {
    setfile(path);
    saved();
}

void Session::closed() {
    loaded_ = false;
    filepath_.clear();
    filebase_.clear();
    cancelled_ = datachanged_ = m_.calcerror = false;
    m_.errmsg.clear();
    m_.lens.sysname.clear();
    clearresults();
    ea_.done = {};
    ea_.completed = ea_.saveable = false;
    newhistory(DesignChange::closed);
}

void Session::designchanged(std::string text) {
    preparetrace(m_.lens, m_.trace);   // the surface labels or their number may have changed
    clearresults();
    record(DesignChange::edited, std::move(text));
}

void Session::settingschanged(std::string text) { record(DesignChange::settings, std::move(text)); }

void Session::record(DesignChange::Kind kind, std::string text) {
    if (text.empty()) text = command_.empty() ? "Change of the design" : command_;
    if (unrecorded()) {
        history_.push(recorded_, text);
        recorded_ = m_.lens;
    }
    datachanged_ = true;
    told(kind, std::move(text));
}

void Session::told(DesignChange::Kind kind, std::string text) {
    change_.kind = kind;
    change_.text = std::move(text);
    ++change_.revision;
    notify();
}

void Session::newhistory(DesignChange::Kind kind) {
    history_.clear();
    recorded_ = m_.lens;
    told(kind, {});
}

std::string Session::undo() {
    if (!canundo()) return {};
    if (unrecorded()) record(DesignChange::edited, "Change of the design");
    std::string text = history_.undo(m_.lens);
    restored(DesignChange::undone, text);
    return text;
}

std::string Session::redo() {
    if (!canredo()) return {};
    std::string text = history_.redo(m_.lens);
    restored(DesignChange::redone, text);
    return text;
}

void Session::restored(DesignChange::Kind kind, const std::string& text) {
    recorded_ = m_.lens;
    preparetrace(m_.lens, m_.trace);
    clearresults();
    datachanged_ = true;
    told(kind, text);
}

void Session::fail(const std::string& msg) { zefo::fail(m_, msg); }

std::string Session::takeerror() {
    std::string msg = std::move(m_.errmsg);
    m_.errmsg.clear();
    m_.calcerror = false;
    return msg;
}

int Session::subscribe(Listener f) {
    listeners_.emplace_back(nextid_, std::move(f));
    return nextid_++;
}

void Session::unsubscribe(int id) {
    std::erase_if(listeners_, [id](const auto& l) { return l.first == id; });
}

// Each listener subscribed when the change happened is called once, unless an earlier one
// removed it; listeners added meanwhile wait for the next change.
void Session::notify() {
    std::vector<int> ids;
    for (const auto& l : listeners_) ids.push_back(l.first);
    for (int id : ids) {
        auto it = std::find_if(listeners_.begin(), listeners_.end(), [id](const auto& l) { return l.first == id; });
        if (it == listeners_.end()) continue;
        const Listener f = it->second;  // a copy: the listener may unsubscribe itself
        f();
    }
}

}  // namespace zefo
