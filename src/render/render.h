// Paints display lists: on any painter, into an image with a white background, or into a
// picture file whose type follows its extension (.png, .bmp, .svg).
#pragma once

#include <QFont>
#include <QImage>
#include <QString>

#include "core/plot/displaylist.h"

class QPainter;

namespace zefo {

// The font of the pictures (13 pixels high) and the text height the layouts use.
QFont plotfont();
int plottextheight();

void paintlist(QPainter& p, const DisplayList& dl);

QImage renderimage(const DisplayList& dl);

// Writes the picture whole; an empty text on success, else what went wrong.
QString savepicture(const DisplayList& dl, const QString& path);

// True for the extensions savepicture writes.
bool picturetype(const QString& path);

}  // namespace zefo
