// What a report, graph or run window was computed from, kept with the window: the lens, its
// file, the session's revision and the settings. The window's frame title shows them. When
// the design changes, a window that follows the lens (a picture that needs no dialog) takes
// the new stamp and redraws; any other window is marked out of date: the title gains the
// mark and a bar above its contents says so, with a Recalculate button that runs the
// window's command again through its own dialogs and shell.
#pragma once

#include <QObject>
#include <QString>

#include "core/app/session.h"

class QLabel;
class QMdiSubWindow;
class QPushButton;
class QWidget;

namespace zefo::gui {

class WindowStamp : public QObject {
    Q_OBJECT
public:
    // Stamps window (the widget of its frame sub) shown under caption; follows: it redraws
    // from the current lens; recalculable: out of date, it offers Recalculate.
    WindowStamp(QMdiSubWindow* sub, const QString& caption, const DesignStamp& stamp, bool follows,
                bool recalculable, const QString& commandid);

    // The stamp of the widget of a frame; nullptr when the window is not stamped.
    static WindowStamp* of(const QMdiSubWindow* sub);

    // After a change of the design: a follower takes the new stamp, any other window is
    // marked out of date unless its stamp is current.
    void follow(const Session& session);
    // A new stamp (a window that shows the current design again).
    void restamp(const DesignStamp& stamp);

    const DesignStamp& stamp() const { return stamp_; }
    bool outofdate() const { return outofdate_; }
    bool follows() const { return follows_; }
    // The id of the command that made the window.
    const QString& commandid() const { return commandid_; }
    QPushButton* recalculatebutton() const { return button_; }

signals:
    void recalculate(const QString& commandid);

private:
    void showstate();

    QMdiSubWindow* sub_;
    QString caption_, commandid_;
    DesignStamp stamp_;
    bool follows_, outofdate_ = false;
    QWidget* bar_;
    QLabel* text_;
    QPushButton* button_ = nullptr;
};

}  // namespace zefo::gui
