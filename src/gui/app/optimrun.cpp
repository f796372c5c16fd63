#include "gui/app/optimrun.h"

#include <QThread>
#include <exception>

namespace zefo::gui {

OptimRun::OptimRun(const Model& m, Work work, QObject* parent)
    : QObject(parent), copy_(m), work_(std::move(work)) {
    copy_.askentrpupil = nullptr;  // the run asks nothing: a telescope keeps its stored pupil
}

OptimRun::~OptimRun() {
    if (!thread_) return;
    cancel_ = true;
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    shown_.notify_all();
    thread_->wait();
    delete thread_;
}

void OptimRun::start() {
    thread_ = QThread::create([this] {
        const RunSinks sinks{
            [this](const std::string& text) { putline(text); },
            [this](const std::string& text) {
                const QString s = QString::fromStdString(text);
                QMetaObject::invokeMethod(this, [this, s] { emit status(s); }, Qt::QueuedConnection);
            },
            [this] { return cancel_.load(); }};
        try {
            end_ = work_(copy_, sinks);
        } catch (const std::exception& e) {
            end_ = {RunEnd::Failed, e.what()};
        }
    });
    connect(thread_, &QThread::finished, this, [this] {
        showlines();
        emit finished();
    });
    thread_->start();
}

void OptimRun::putline(const std::string& text) {
    std::unique_lock lock(mutex_);
    if (closing_) return;
    pending_.push_back(text);
    const unsigned long long mine = ++queued_;
    QMetaObject::invokeMethod(this, &OptimRun::showlines, Qt::QueuedConnection);
    shown_.wait(lock, [this, mine] { return shownlines_ >= mine || closing_; });
}

void OptimRun::showlines() {
    for (;;) {
        std::string text;
        {
            std::lock_guard lock(mutex_);
            if (pending_.empty()) break;
            text = std::move(pending_.front());
            pending_.pop_front();
        }
        emit line(QString::fromStdString(text));
        {
            std::lock_guard lock(mutex_);
            ++shownlines_;
        }
        shown_.notify_all();
    }
}

}  // namespace zefo::gui
