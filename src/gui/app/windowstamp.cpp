#include "gui/app/windowstamp.h"

#include <QBoxLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>

#include "gui/graphics/graphwindow.h"

namespace zefo::gui {

WindowStamp::WindowStamp(QMdiSubWindow* sub, const QString& caption, const DesignStamp& stamp, bool follows,
                         bool recalculable, const QString& commandid)
    : QObject(sub->widget()), sub_(sub), caption_(caption), commandid_(commandid), stamp_(stamp),
      follows_(follows) {
    setObjectName("WindowStamp");
    QWidget* window = sub->widget();
    bar_ = new QWidget(window);
    bar_->setObjectName("OutOfDateBar");
    bar_->setAutoFillBackground(true);
    bar_->setStyleSheet("#OutOfDateBar { background: #ffe08a; } QLabel { color: #4a3500; }");
    auto* row = new QHBoxLayout(bar_);
    row->setContentsMargins(6, 2, 6, 2);
    text_ = new QLabel(bar_);
    row->addWidget(text_, 1);
    if (recalculable) {
        button_ = new QPushButton("&Recalculate", bar_);
        button_->setObjectName("Recalculate");
        row->addWidget(button_);
        connect(button_, &QPushButton::clicked, this, [this] { emit recalculate(commandid_); });
    }
    bar_->hide();
    if (auto* box = qobject_cast<QBoxLayout*>(window->layout())) box->insertWidget(0, bar_);
    showstate();
}

WindowStamp* WindowStamp::of(const QMdiSubWindow* sub) {
    if (!sub || !sub->widget()) return nullptr;
    return sub->widget()->findChild<WindowStamp*>("WindowStamp", Qt::FindDirectChildrenOnly);
}

void WindowStamp::follow(const Session& session) {
    if (follows_ && session.loaded()) return restamp(session.stamp(stamp_.settings));
    if (!session.current(stamp_) && !outofdate_) {
        outofdate_ = true;
        showstate();
    }
}

void WindowStamp::restamp(const DesignStamp& stamp) {
    stamp_ = stamp;
    outofdate_ = false;
    showstate();
}

void WindowStamp::showstate() {
    sub_->setWindowTitle(QString::fromStdString(stampedcaption(caption_.toStdString(), stamp_, outofdate_)));
    QString mark = QString("Out of date: the lens has changed since this was computed from %1")
                       .arg(QString::fromStdString(stamp_.sysname.empty() ? "the lens" : stamp_.sysname));
    if (!stamp_.filepath.empty()) mark += " (" + QString::fromStdString(stamp_.filepath) + ")";
    text_->setText(mark);
    bar_->setVisible(outofdate_);
    if (qobject_cast<GraphWindow*>(sub_->widget()))   // the picture, drawn by the window's children
        for (QWidget* w : sub_->widget()->findChildren<QWidget*>()) w->update();
}

}  // namespace zefo::gui
