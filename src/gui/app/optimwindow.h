// The window of an optimization run ("DLS Optimization"): a report window whose memo grows
// line by line while the run goes on; Esc in it (or closing it) asks the run to stop.
#pragma once

#include "gui/app/reportwindow.h"

namespace zefo::gui {

class OptimWindow : public ReportWindow {
    Q_OBJECT
public:
    explicit OptimWindow(const QString& caption, QWidget* parent = nullptr);

    // Appends a line of the run; the memo shows the newest line unless the user has
    // scrolled away from the end.
    void addrunline(const QString& line);

signals:
    // Esc was pressed, or the window closes.
    void stopasked();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    bool follow_ = true;  // the memo keeps its last line in view
};

}  // namespace zefo::gui
