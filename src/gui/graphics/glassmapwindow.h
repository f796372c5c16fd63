// GlassMapWindow: the glass map in a graph window; a click on a point shows that glass (its
// name, code, nd and vd, and for a glass of the lens the System Editor rows that use it).
#pragma once

#include <memory>

#include "core/plot/glassmap.h"
#include "gui/graphics/graphwindow.h"

namespace zefo::gui {

class GlassMapWindow : public GraphWindow {
    Q_OBJECT
public:
    // draw gives the map for a canvas w x h and the text height th.
    using DrawMap = std::function<GlassMap(int w, int h, int th)>;
    GlassMapWindow(const QString& caption, DrawMap draw, std::function<QString()> savepath, QSize initial,
                   QWidget* parent = nullptr);

    // The text a click at p (a pixel of the picture) shows; empty when no glass lies there.
    QString glasstextat(QPoint p) const;

signals:
    void glassclicked(const QString& text);

protected:
    void mousePressEvent(QMouseEvent* e) override;

private:
    std::shared_ptr<GlassMap> last_;   // the map of the last drawing
};

// The text of one point of the map.
QString glasspointtext(const GlassPoint& p);

}  // namespace zefo::gui
