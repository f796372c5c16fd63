// The About window: the program's picture in a borderless, stay-on-top window centred
// on the screen. It closes on a click, or after a delay when it is shown at start-up.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>

namespace zefo::gui {

class AboutWindow : public QDialog {
    Q_OBJECT
public:
    // closeafterms > 0 closes the window after that many milliseconds.
    AboutWindow(QWidget* parent, int closeafterms);

protected:
    void mousePressEvent(QMouseEvent* e) override;
};

// The picture file, looked up next to the program file.
QString logopath();

// The program's window icon: a lens with a ray through it.
QIcon zefoicon();

}  // namespace zefo::gui
