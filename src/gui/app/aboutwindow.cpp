#include "gui/app/aboutwindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "core/app/version.h"

namespace zefo::gui {

QString logopath() { return QCoreApplication::applicationDirPath() + "/zefo.jpg"; }

QIcon zefoicon() {
    QIcon icon;
    for (int size : {16, 32, 64}) {
        QPixmap pix(size, size);
        pix.fill(Qt::transparent);
        QPainter p(&pix);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 64.0, size / 64.0);
        QLinearGradient bg(0, 0, 0, 64);
        bg.setColorAt(0, QColor("#0b1e3f"));
        bg.setColorAt(1, QColor("#1d5c7a"));
        p.setPen(Qt::NoPen);
        p.setBrush(bg);
        p.drawRoundedRect(QRectF(1, 1, 62, 62), 10, 10);
        QPainterPath lens;
        lens.moveTo(26, 8);
        lens.quadTo(40, 32, 26, 56);
        lens.quadTo(12, 32, 26, 8);
        p.setBrush(QColor(160, 210, 240, 110));
        p.setPen(QPen(QColor("#e8f1f8"), 3));
        p.drawPath(lens);
        p.setPen(QPen(QColor("#ffd166"), 3));
        p.drawLine(QPointF(4, 20), QPointF(26, 20));
        p.drawLine(QPointF(26, 20), QPointF(58, 40));
        p.end();
        icon.addPixmap(pix);
    }
    return icon;
}

AboutWindow::AboutWindow(QWidget* parent, int closeafterms)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Dialog) {
    setObjectName("AboutWindow");
    setWindowTitle("About ZEFO");
    setModal(true);
    auto* picture = new QLabel(this);
    picture->setObjectName("Picture");
    QPixmap pix(logopath());
    if (pix.isNull()) {
        // Without its picture the window still names the program.
        picture->setText("<h1>ZEFO</h1><p>Optical design and analysis</p>");
        picture->setAlignment(Qt::AlignCenter);
        picture->setMinimumSize(360, 200);
    } else {
        picture->setPixmap(pix);
    }
    picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(picture);
    adjustSize();
    // The version stands in the lower right corner of the picture.
    auto* version = new QLabel(QString("Version ") + programversion, this);
    version->setObjectName("Version");
    version->setStyleSheet("color: #a9c6da; background: transparent;");
    version->setAttribute(Qt::WA_TransparentForMouseEvents);
    version->adjustSize();
    version->move(width() - version->width() - 30, height() - version->height() - 16);
    if (QScreen* s = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        QRect r = rect();
        r.moveCenter(s->availableGeometry().center());
        move(r.topLeft());
    }
    if (closeafterms > 0) QTimer::singleShot(closeafterms, this, &QDialog::accept);
}

void AboutWindow::mousePressEvent(QMouseEvent* e) {
    e->accept();
    accept();
}

}  // namespace zefo::gui
