#include "gui/graphics/graphwindow.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPainter>

#include "core/util/fileio.h"
#include "render/render.h"

namespace zefo::gui {

GraphWindow::GraphWindow(const QString& caption, Draw draw, std::function<QString()> savepath, QSize initial,
                         QWidget* parent)
    : QWidget(parent), draw_(std::move(draw)), savepath_(std::move(savepath)) {
    setWindowTitle(caption);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setContextMenuPolicy(Qt::CustomContextMenu);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->addAction("&Save", this, [this] { save(); })->setObjectName("Save1");
    PopupMenu1->addAction("Save &As...", this, &GraphWindow::saveasrequested)->setObjectName("SaveAs1");
    PopupMenu1->addAction("&Print", this, &GraphWindow::print)->setObjectName("Print1");
    PopupMenu1->addAction("&Copy", this, &GraphWindow::copy)->setObjectName("Copy1");
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu1->popup(mapToGlobal(pos)); });
    resize(initial);
}

DisplayList GraphWindow::picture() const { return draw_(width(), height(), plottextheight()); }

QImage GraphWindow::image() const { return renderimage(picture()); }

void GraphWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    paintlist(p, picture());
}

QString GraphWindow::save() {
    const QString path = savepath_();
    if (path.isEmpty()) return QString::fromUtf8(badsysnamemsg);
    return savepicture(picture(), path);
}

QString GraphWindow::saveas(const QString& path) { return savepicture(picture(), path); }

void GraphWindow::copy() { QApplication::clipboard()->setImage(image()); }

double printscale(int printerdpi, int screendpi) {
    return screendpi > 0 && printerdpi > 0 ? static_cast<double>(printerdpi) / screendpi : 1.0;
}

}  // namespace zefo::gui
