// An optimization in a thread of its own. It works on a copy of the model (with its own
// trace context); its memo lines reach the GUI thread one at a time, the thread waiting
// until each has been shown, so that the memo grows line by line and a stop asked while a
// line is shown is seen at the run's next poll. The status texts are passed on without
// waiting. The copy, as the run left it, is the result.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "core/model/model.h"

class QThread;

namespace zefo::gui {

// What the run reports and polls.
struct RunSinks {
    std::function<void(const std::string&)> line;    // a memo line
    std::function<void(const std::string&)> status;  // the status text of the run
    std::function<bool()> cancelled;                 // true once a stop was asked
};

// How a run ended.
struct RunEnd {
    enum Status { Finished, Cancelled, Failed } status = Finished;
    std::string errmsg;  // Failed: the reason
};

class OptimRun : public QObject {
    Q_OBJECT
public:
    using Work = std::function<RunEnd(Model& copy, const RunSinks& sinks)>;

    // The run of work on a copy of m; it starts with start().
    OptimRun(const Model& m, Work work, QObject* parent = nullptr);
    // Asks the run to stop and waits for its thread.
    ~OptimRun() override;

    void start();
    // Asks the run to stop at its next poll.
    void cancel() { cancel_ = true; }
    // The model as the run left it and how the run ended (read them after finished()).
    Model& result() { return copy_; }
    const RunEnd& end() const { return end_; }

signals:
    void line(const QString& text);
    void status(const QString& text);
    // The thread has ended.
    void finished();

private:
    void putline(const std::string& text);  // worker side: waits until the line was shown
    void showlines();                       // GUI side

    Model copy_;
    Work work_;
    RunEnd end_;
    QThread* thread_ = nullptr;
    std::atomic<bool> cancel_{false};
    std::mutex mutex_;
    std::condition_variable shown_;
    std::deque<std::string> pending_;
    unsigned long long queued_ = 0, shownlines_ = 0;  // lines handed over and shown
    bool closing_ = false;  // the GUI no longer shows lines
};

}  // namespace zefo::gui
