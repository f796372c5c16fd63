// GraphWindow: an MDI child that shows one picture, drawn again at every paint (so on
// resize and after a change of the design), with Save (bitmap in the graphics folder),
// Save As (PNG, SVG or BMP at a chosen size), Print and Copy in its tool bar and in its
// context menu, and the options of its picture beside them.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "core/plot/displaylist.h"

class QAction;
class QMenu;
class QToolBar;

namespace zefo::gui {

class GraphWindow : public QWidget {
    Q_OBJECT
public:
    // draw gives the picture for a canvas of w x h pixels and the text height th; savepath
    // gives the file of Save (graphics folder, system name and the picture's suffix).
    using Draw = std::function<DisplayList(int w, int h, int th)>;
    GraphWindow(const QString& caption, Draw draw, std::function<QString()> savepath, QSize initial,
                QWidget* parent = nullptr);

    // The picture at the size of the window's drawing area, or at another size.
    DisplayList picture() const;
    DisplayList picture(QSize size) const;
    QImage image() const;
    QSize canvassize() const;

    // Save: the bitmap at savepath; an empty text or what went wrong.
    QString save();
    // Save As: the picture in the file, its type by the extension, at the drawing area's size
    // or at the size given.
    QString saveas(const QString& path);
    QString saveas(const QString& path, QSize size);
    void copy();
    // Print is done by the owner of the printer.
    void print() { emit printrequested(image()); }

    // A checkable option of the picture (in the tool bar and the context menu): set receives
    // the new state, then the picture is drawn again.
    QAction* addoption(const QString& text, const QString& name, std::function<void(bool)> set);

    QMenu* PopupMenu1;
    QToolBar* ToolBar1;

signals:
    void printrequested(const QImage& image);
    void saveasrequested();

private:
    Draw draw_;
    std::function<QString()> savepath_;
    QWidget* canvas_;
};

// The scale from window pixels to printer pixels: the ratio of their resolutions as a real
// number (an integer quotient would be 0 for a printer coarser than the screen).
double printscale(int printerdpi, int screendpi);

// The file name of Save As for the chosen picture type ("png", "svg" or "bmp"): a name with
// a picture extension takes the type's extension instead, any other name gets it added.
QString picturefilename(const QString& name, const QString& type);

}  // namespace zefo::gui
