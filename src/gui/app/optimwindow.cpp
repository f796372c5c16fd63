#include "gui/app/optimwindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QScrollBar>

namespace zefo::gui {

OptimWindow::OptimWindow(const QString& caption, QWidget* parent) : ReportWindow(caption, parent) {
    setObjectName("TOptimization");
    DSMemo->installEventFilter(this);
    setFocusProxy(DSMemo);
    resize(740, 620);  // room for the trial lines and a good part of the merit table
    QScrollBar* bar = DSMemo->verticalScrollBar();
    connect(bar, &QAbstractSlider::actionTriggered, this,
            [this, bar] { follow_ = bar->sliderPosition() >= bar->maximum(); });
}

void OptimWindow::addrunline(const QString& line) {
    addline(line.toStdString());
    if (follow_) DSMemo->verticalScrollBar()->setValue(DSMemo->verticalScrollBar()->maximum());
}

void OptimWindow::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) emit stopasked();
    else ReportWindow::keyPressEvent(e);
}

// The memo has the focus: its Esc stops the run too.
bool OptimWindow::eventFilter(QObject* o, QEvent* e) {
    if (o == DSMemo && e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
        emit stopasked();
        return true;
    }
    return ReportWindow::eventFilter(o, e);
}

void OptimWindow::closeEvent(QCloseEvent* e) {
    emit stopasked();
    ReportWindow::closeEvent(e);
}

}  // namespace zefo::gui
