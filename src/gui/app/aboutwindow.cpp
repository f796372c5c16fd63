#include "app/aboutwindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace zefo::gui {

QString logopath() { return QCoreApplication::applicationDirPath() + "/zefo.jpg"; }

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
