#include "gui/app/evorun.h"

#include <QLayout>
#include <QStatusBar>
#include <QThread>
#include <exception>

#include "gui/app/dialogs.h"

namespace zefo::gui {

EvoRun::EvoRun(const Model& m, EAKind kind, const EAParams& p, const EASetup& setup, Runner runner, QObject* parent)
    : QObject(parent), copy_(m), kind_(kind), params_(p), setup_(setup), runner_(std::move(runner)) {
    copy_.askentrpupil = nullptr;  // the run asks nothing: a telescope keeps its stored pupil
    timer_.setInterval(refreshms);
    connect(&timer_, &QTimer::timeout, this, &EvoRun::refresh);
}

EvoRun::~EvoRun() {
    if (!thread_) return;
    cancel_ = true;
    thread_->wait();
    delete thread_;
}

void EvoRun::start() {
    thread_ = QThread::create([this] {
        EAHooks hooks;
        hooks.memo = [this](const std::string& line) {
            std::lock_guard lock(mutex_);
            pending_.push_back(line);
        };
        hooks.status = [this](int panel, const std::string& text) {
            if (panel < 0 || panel > 3) return;
            std::lock_guard lock(mutex_);
            panels_[static_cast<size_t>(panel)] = text;
            changed_[static_cast<size_t>(panel)] = true;
        };
        hooks.cancelled = [this] { return cancel_.load(); };
        try {
            outcome_ = runner_(copy_, kind_, params_, setup_, hooks);
        } catch (const std::exception& e) {
            outcome_.status = EAOutcome::Status::error;
            outcome_.errmsg = e.what();
        }
    });
    connect(thread_, &QThread::finished, this, [this] {
        timer_.stop();
        refresh();
        emit finished();
    });
    timer_.start();
    thread_->start();
}

void EvoRun::refresh() {
    std::vector<std::string> taken;
    std::array<std::string, 4> panels;
    std::array<bool, 4> changed{};
    {
        std::lock_guard lock(mutex_);
        taken.swap(pending_);
        panels = panels_;
        changed.swap(changed_);
    }
    if (!taken.empty()) {
        QStringList out;
        for (const auto& l : taken) out << QString::fromStdString(l);
        emit lines(out);
    }
    for (int k = 0; k < 4; ++k)
        if (changed[static_cast<size_t>(k)]) emit status(k, QString::fromStdString(panels[static_cast<size_t>(k)]));
}

EvoWindow::EvoWindow(const QString& caption, const std::array<int, 4>& widths, QWidget* parent)
    : OptimWindow(caption, parent) {
    setObjectName("TEvolutionDisplay");
    QFont f = reportfont();
    f.setFamily("Courier New");
    DSMemo->setFont(f);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    for (size_t k = 0; k < panels_.size(); ++k) {
        panels_[k] = new QLabel(StatusBar1);
        panels_[k]->setObjectName(QString("Panel%1").arg(k));
        // the widths are the panels' least and their shares of a wider window: the texts of
        // the last panels need more room than their least width in today's fonts
        panels_[k]->setMinimumWidth(widths[k]);
        panels_[k]->setFrameShape(QFrame::Panel);
        panels_[k]->setFrameShadow(QFrame::Sunken);
        StatusBar1->addWidget(panels_[k], widths[k]);
    }
    layout()->addWidget(StatusBar1);
    resize(1000, 620);
}

void EvoWindow::addrunlines(const QStringList& lines) {
    for (const QString& l : lines) addrunline(l);
}

void EvoWindow::setpanel(int panel, const QString& text) {
    if (panel >= 0 && panel < 4) panels_[static_cast<size_t>(panel)]->setText(text);
}

std::array<int, 4> evopanelwidths(EAKind k) {
    switch (k) {
        case EAKind::evol: return {120, 180, 200, 200};
        case EAKind::grup:
        case EAKind::reko: return {120, 150, 200, 200};
        default: return {120, 100, 200, 200};
    }
}

}  // namespace zefo::gui
