// GraphWindow: an MDI child that shows one picture, drawn again at every paint (so on
// resize and after a change of the design), with the context menu Save (bitmap in the
// graphics folder), Save As (PNG, SVG or BMP), Print and Copy.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "core/plot/displaylist.h"

class QMenu;

namespace zefo::gui {

class GraphWindow : public QWidget {
    Q_OBJECT
public:
    // draw gives the picture for a canvas of w x h pixels and the text height th; savepath
    // gives the file of Save (graphics folder, system name and the picture's suffix).
    using Draw = std::function<DisplayList(int w, int h, int th)>;
    GraphWindow(const QString& caption, Draw draw, std::function<QString()> savepath, QSize initial,
                QWidget* parent = nullptr);

    // The picture at the window's present size.
    DisplayList picture() const;
    QImage image() const;

    // Save: the bitmap at savepath; an empty text or what went wrong.
    QString save();
    // Save As: the picture in the file, its type by the extension.
    QString saveas(const QString& path);
    void copy();
    // Print is done by the owner of the printer.
    void print() { emit printrequested(image()); }

    // A bar shown across the top while it is not hidden (the out-of-date mark); the picture
    // is drawn below it.
    void setheader(QWidget* header);

    QMenu* PopupMenu1;

signals:
    void printrequested(const QImage& image);
    void saveasrequested();

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    int headerheight() const;
    Draw draw_;
    QWidget* header_ = nullptr;
    std::function<QString()> savepath_;
};

// The scale from window pixels to printer pixels: the ratio of their resolutions as a real
// number (an integer quotient would be 0 for a printer coarser than the screen).
double printscale(int printerdpi, int screendpi);

}  // namespace zefo::gui
