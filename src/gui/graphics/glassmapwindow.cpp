#include "gui/graphics/glassmapwindow.h"

#include <QMouseEvent>
#include <QToolTip>

#include "core/util/numfmt.h"
#include "render/render.h"

namespace zefo::gui {

QString glasspointtext(const GlassPoint& p) {
    QString t = QString::fromStdString(p.name) + "   nd " + QString::fromStdString(fmtf(p.nd, 0, 5)) + "   vd " +
                QString::fromStdString(fmtf(p.vd, 0, 2)) + "   code " + QString::fromStdString(glasscode(p.nd, p.vd));
    if (p.lens) {
        t += "\nglass of the lens in rows " + QString::fromStdString(p.surfaces);
        if (p.fromindices) t += " (nd and vd from the lens's indices)";
    }
    return t;
}

GlassMapWindow::GlassMapWindow(const QString& caption, DrawMap draw, std::function<QString()> savepath, QSize initial,
                               QWidget* parent)
    : GraphWindow(caption, Draw(), std::move(savepath), initial, parent), last_(std::make_shared<GlassMap>()) {
    // the picture and the points of a click come from the same drawing
    setdraw([draw = std::move(draw), map = last_](int w, int h, int th) {
        *map = draw(w, h, th);
        return map->picture;
    });
}

QString GlassMapWindow::glasstextat(QPoint p) const {
    const GlassMap& map = *last_;
    const QSize size = canvassize();
    if (map.picture.width != size.width() || map.picture.height != size.height()) picture();   // a drawing at this size
    const int i = glassat(*last_, Pixel{p.x(), p.y()}, 6);
    return i < 0 ? QString() : glasspointtext(last_->points[static_cast<size_t>(i)]);
}

void GlassMapWindow::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return GraphWindow::mousePressEvent(e);
    const QString text = glasstextat(canvas()->mapFrom(this, e->position().toPoint()));
    if (text.isEmpty()) return;
    QToolTip::showText(e->globalPosition().toPoint(), text, this);
    emit glassclicked(text);
}

}  // namespace zefo::gui
