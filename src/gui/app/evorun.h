// A run of an evolutionary optimizer in a thread of its own, and its window. The run works
// on a copy of the model; its memo lines and status panels are collected as they come and
// reach the window every 50 ms (the optimizer writes them far more often than a screen can
// show them), so the run never waits for the window. Esc (or closing the window) asks the
// run to stop at its next poll; the copy, as the run left it, is the result.
#pragma once

#include <QLabel>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/evolution/earun.h"
#include "gui/app/optimwindow.h"

class QStatusBar;
class QThread;

namespace zefo::gui {

class EvoRun : public QObject {
    Q_OBJECT
public:
    // The optimizer the run calls (runevolution; a test may put another in its place).
    using Runner = std::function<EAOutcome(Model&, EAKind, const EAParams&, const EASetup&, const EAHooks&)>;

    EvoRun(const Model& m, EAKind kind, const EAParams& p, const EASetup& setup, Runner runner,
           QObject* parent = nullptr);
    // Asks the run to stop and waits for its thread.
    ~EvoRun() override;

    void start();
    void cancel() { cancel_ = true; }
    // The model as the run left it and how the run ended (read them after finished()).
    Model& result() { return copy_; }
    const EAOutcome& outcome() const { return outcome_; }

    // The time between two refreshes of the window.
    static constexpr int refreshms = 50;

signals:
    void lines(const QStringList& lines);              // memo lines since the last refresh
    void status(int panel, const QString& text);       // a status panel that changed
    void finished();                                   // the thread has ended

private:
    void refresh();  // GUI side: hands on what the run wrote since the last refresh

    Model copy_;
    EAKind kind_;
    EAParams params_;
    EASetup setup_;
    Runner runner_;
    EAOutcome outcome_;
    QThread* thread_ = nullptr;
    QTimer timer_;
    std::atomic<bool> cancel_{false};
    std::mutex mutex_;
    std::vector<std::string> pending_;
    std::array<std::string, 4> panels_;
    std::array<bool, 4> changed_{};
};

// The window of a run: the memo of the optimization window ("Courier New", no wrapping, Esc,
// Print and Copy) above a status bar of four panels.
class EvoWindow : public OptimWindow {
    Q_OBJECT
public:
    EvoWindow(const QString& caption, const std::array<int, 4>& widths, QWidget* parent = nullptr);

    void addrunlines(const QStringList& lines);
    void setpanel(int panel, const QString& text);
    QString panel(int i) const { return panels_[static_cast<size_t>(i)]->text(); }

    QStatusBar* StatusBar1;

private:
    std::array<QLabel*, 4> panels_{};
};

// The status panel widths of an optimizer's window.
std::array<int, 4> evopanelwidths(EAKind k);

}  // namespace zefo::gui
