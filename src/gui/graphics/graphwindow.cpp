#include "gui/graphics/graphwindow.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QToolBar>
#include <QVBoxLayout>

#include "core/util/fileio.h"
#include "render/render.h"

namespace zefo::gui {

namespace {

// The drawing area: paints the window's picture at its own size.
class GraphCanvas : public QWidget {
public:
    explicit GraphCanvas(const GraphWindow* owner) : owner_(owner) { setAttribute(Qt::WA_OpaquePaintEvent); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        paintlist(p, owner_->picture());
    }

private:
    const GraphWindow* owner_;
};

}  // namespace

GraphWindow::GraphWindow(const QString& caption, Draw draw, std::function<QString()> savepath, QSize initial,
                         QWidget* parent)
    : QWidget(parent), draw_(std::move(draw)), savepath_(std::move(savepath)) {
    setWindowTitle(caption);
    setContextMenuPolicy(Qt::CustomContextMenu);
    PopupMenu1 = new QMenu(this);
    ToolBar1 = new QToolBar(this);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    struct Entry {
        const char* text;
        const char* name;
        std::function<void()> run;
    };
    const Entry entries[] = {{"&Save", "Save", [this] { save(); }},
                             {"Save &As...", "SaveAs", [this] { emit saveasrequested(); }},
                             {"&Print...", "Print", [this] { print(); }},
                             {"&Copy", "Copy", [this] { copy(); }}};
    for (const Entry& e : entries) {
        PopupMenu1->addAction(e.text, this, e.run)->setObjectName(QString(e.name) + "1");
        ToolBar1->addAction(QString(e.text).remove('&'), this, e.run)->setObjectName(QString(e.name) + "Button");
    }
    canvas_ = new GraphCanvas(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(canvas_, 1);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu1->popup(mapToGlobal(pos)); });
    resize(initial.width(), initial.height() + ToolBar1->sizeHint().height());
}

QSize GraphWindow::canvassize() const {
    // before the layout has placed it the area is the window less the tool bar
    if (!canvas_->testAttribute(Qt::WA_Resized) && !isVisible())
        return QSize(width(), std::max(1, height() - ToolBar1->sizeHint().height()));
    return canvas_->size();
}

DisplayList GraphWindow::picture() const { return picture(canvassize()); }

DisplayList GraphWindow::picture(QSize size) const { return draw_(size.width(), size.height(), plottextheight()); }

QImage GraphWindow::image() const { return renderimage(picture()); }

QString GraphWindow::save() {
    const QString path = savepath_();
    if (path.isEmpty()) return QString::fromUtf8(badsysnamemsg);
    return savepicture(picture(), path);
}

QString GraphWindow::saveas(const QString& path) { return saveas(path, canvassize()); }

QString GraphWindow::saveas(const QString& path, QSize size) { return savepicture(picture(size), path); }

void GraphWindow::copy() { QApplication::clipboard()->setImage(image()); }

QAction* GraphWindow::addoption(const QString& text, const QString& name, std::function<void(bool)> set) {
    auto* a = new QAction(text, this);
    a->setObjectName(name);
    a->setCheckable(true);
    connect(a, &QAction::toggled, this, [this, set](bool on) {
        set(on);
        canvas_->update();
    });
    if (PopupMenu1->actions().size() == 4) PopupMenu1->addSeparator();
    PopupMenu1->addAction(a);
    if (ToolBar1->actions().size() == 4) ToolBar1->addSeparator();
    ToolBar1->addAction(a);
    return a;
}

double printscale(int printerdpi, int screendpi) {
    return screendpi > 0 && printerdpi > 0 ? static_cast<double>(printerdpi) / screendpi : 1.0;
}

QString picturefilename(const QString& name, const QString& type) {
    const QString ext = QFileInfo(name).suffix().toLower();
    QString base = name;
    if (ext == "png" || ext == "svg" || ext == "bmp") base.chop(ext.size() + 1);
    return base + "." + type;
}

}  // namespace zefo::gui
