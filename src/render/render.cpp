#include "render/render.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <QSaveFile>
#include <QSvgGenerator>

namespace zefo {

QFont plotfont() {
    QFont f(QStringLiteral("Liberation Serif"));
    f.setStyleHint(QFont::Serif);
    f.setPixelSize(13);
    return f;
}

int plottextheight() { return QFontMetrics(plotfont()).height(); }

namespace {

QColor qcolour(Colour c) { return QColor(c.r, c.g, c.b); }

Qt::PenStyle qpen(PenStyle s) {
    switch (s) {
    case PenStyle::dashdot: return Qt::DashDotLine;
    case PenStyle::dotted: return Qt::DotLine;
    default: return Qt::SolidLine;
    }
}

void painttext(QPainter& p, const TextItem& t) {
    const QFontMetrics fm(p.font());
    const QString s = QString::fromStdString(t.text);
    const int w = fm.horizontalAdvance(s);
    int x = t.at.x;
    if (t.h == HAlign::centre) x -= w / 2;
    if (t.h == HAlign::right) x -= w;
    int y = t.at.y + fm.ascent();
    if (t.v == VAlign::middle) y -= fm.height() / 2;
    if (t.v == VAlign::bottom) y -= fm.height();
    if (t.opaque) p.fillRect(x - 1, y - fm.ascent(), w + 2, fm.height(), Qt::white);
    p.setPen(qcolour(t.colour));
    p.drawText(x, y, s);
}

}  // namespace

void paintlist(QPainter& p, const DisplayList& dl) {
    p.setFont(plotfont());
    for (const Polyline& l : dl.lines) {
        QPolygon poly;
        for (const Pixel& q : l.points) poly << QPoint(q.x, q.y);
        p.setPen(QPen(qcolour(l.colour), 0, qpen(l.pen)));
        if (poly.size() == 1) p.drawPoint(poly[0]);
        else p.drawPolyline(poly);
    }
    for (const Dot& d : dl.dots) {
        p.setPen(QPen(qcolour(d.colour), 0));
        p.drawPoint(d.at.x, d.at.y);
    }
    for (const TextItem& t : dl.texts) painttext(p, t);
}

QImage renderimage(const DisplayList& dl) {
    QImage img(std::max(1, dl.width), std::max(1, dl.height), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    paintlist(p, dl);
    return img;
}

bool picturetype(const QString& path) {
    const QString ext = QFileInfo(path).suffix().toLower();
    return ext == "png" || ext == "bmp" || ext == "svg";
}

QString savepicture(const DisplayList& dl, const QString& path) {
    const QString ext = QFileInfo(path).suffix().toLower();
    if (!picturetype(path)) return QStringLiteral("Unknown picture type: ") + path;
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    if (ext == "svg") {
        QSvgGenerator g;
        g.setOutputDevice(&buf);
        g.setSize(QSize(dl.width, dl.height));
        g.setViewBox(QRect(0, 0, dl.width, dl.height));
        QPainter p(&g);
        p.fillRect(QRect(0, 0, dl.width, dl.height), Qt::white);
        paintlist(p, dl);
        p.end();
    } else if (!renderimage(dl).save(&buf, ext == "png" ? "PNG" : "BMP")) {
        return QStringLiteral("Cannot encode the picture ") + path;
    }
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        return QStringLiteral("Cannot write ") + path + ": " + f.errorString();
    return {};
}

}  // namespace zefo
