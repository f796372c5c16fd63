#include "core/app/session.h"

#include <algorithm>
#include <filesystem>


namespace zefo {

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
    notify();
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
    notify();
}

void Session::designchanged() {
    preparetrace(m_.lens, m_.trace);   // the surface labels or their number may have changed
    clearresults();
    settingschanged();
}

void Session::settingschanged() {
    datachanged_ = true;
    notify();
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
