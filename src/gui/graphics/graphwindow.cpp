#include "gui/graphics/graphwindow.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPainter>

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

DisplayList GraphWindow::picture() const {
    return draw_(width(), height() - headerheight(), plottextheight());
}

void GraphWindow::setheader(QWidget* header) {
    header_ = header;
    header->setParent(this);
    header->installEventFilter(this);
    header->setGeometry(0, 0, width(), header->sizeHint().height());
}

int GraphWindow::headerheight() const { return header_ && !header_->isHidden() ? header_->height() : 0; }

void GraphWindow::resizeEvent(QResizeEvent*) {
    if (header_) header_->setGeometry(0, 0, width(), header_->sizeHint().height());
}

bool GraphWindow::eventFilter(QObject* o, QEvent* e) {
    if (o == header_ && (e->type() == QEvent::Show || e->type() == QEvent::Hide)) update();
    return QWidget::eventFilter(o, e);
}

QImage GraphWindow::image() const { return renderimage(picture()); }

void GraphWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.translate(0, headerheight());
    paintlist(p, picture());
}

QString GraphWindow::save() { return savepicture(picture(), savepath_()); }

QString GraphWindow::saveas(const QString& path) { return savepicture(picture(), path); }

void GraphWindow::copy() { QApplication::clipboard()->setImage(image()); }

double printscale(int printerdpi, int screendpi) {
    return screendpi > 0 && printerdpi > 0 ? static_cast<double>(printerdpi) / screendpi : 1.0;
}

}  // namespace zefo::gui
