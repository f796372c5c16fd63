#include "gui/app/dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>

#include "gui/app/aboutwindow.h"
#include "gui/graphics/picturedialog.h"

namespace zefo::gui {

QString Dialogs::openfilename(QWidget* parent, const QString& caption, const QString& dir,
                              const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString Dialogs::savefilename(QWidget* parent, const QString& caption, const QString& dir,
                              const QString& filter) {
    QFileDialog d(parent, caption, dir, filter);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setDefaultSuffix("dat");
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
    return d.selectedFiles().first();
}

bool Dialogs::question(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, "Information", text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

std::optional<bool> Dialogs::questioncancel(QWidget* parent, const QString& text) {
    const auto answer = QMessageBox::question(parent, "Information", text,
                                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                              QMessageBox::Yes);
    if (answer == QMessageBox::Cancel || answer == QMessageBox::Escape) return std::nullopt;
    return answer == QMessageBox::Yes;
}

void Dialogs::error(QWidget* parent, const QString& text, const QString& reason) {
    QMessageBox box(QMessageBox::Critical, "Error", text, QMessageBox::Ok, parent);
    if (!reason.isEmpty()) {
        box.setInformativeText(reason);
        // The box is as wide as the reason up to 80 characters (a longer one wraps), so that
        // it does not wrap to the width of the short text above it.
        const QFontMetrics fm = box.fontMetrics();
        const int width = std::min(fm.horizontalAdvance(reason), 80 * fm.averageCharWidth());
        if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
            grid->addItem(new QSpacerItem(width + 80, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(),
                          0, 1, grid->columnCount());
    }
    box.exec();
}

void Dialogs::information(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, "Information", text, QMessageBox::Ok);
}

void Dialogs::message(QWidget* parent, const QString& caption, const QString& text) {
    if (caption.contains("Error")) QMessageBox::warning(parent, caption, text, QMessageBox::Ok);
    else QMessageBox::information(parent, caption, text, QMessageBox::Ok);
}

int Dialogs::execdialog(QDialog& d) { return d.exec(); }

QString Dialogs::inputbox(QWidget* parent, const QString& caption, const QString& prompt,
                          const QString& text) {
    bool ok = false;
    const QString answer = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, text, &ok);
    return ok ? answer : text;
}

bool Dialogs::printersetup(QWidget* parent, QPrinter& printer) {
    if (QPrinterInfo::availablePrinters().isEmpty() && printer.outputFileName().isEmpty())
        printer.setOutputFileName(QDir::currentPath() + "/zefo.pdf");
    QPrintDialog d(&printer, parent);
    d.setWindowTitle("Printer Setup");
    if (d.exec() != QDialog::Accepted) return false;
    printerchosen_ = true;
    return true;
}

bool Dialogs::printtext(QWidget* parent, QPrinter& printer, const QStringList& lines,
                        const QFont& font, QString& err) {
    if (QPrinterInfo::availablePrinters().isEmpty() && !printerchosen_) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        if (!printersetup(parent, printer) || printer.outputFileName().isEmpty()) return false;
    }
    err = printlines(printer, lines, font);
    return true;
}

bool Dialogs::picturefile(QWidget* parent, const QString& dir, const QString& name, QSize& size, QString& path) {
    PictureDialog d(dir, name, size, parent);
    if (d.exec() != QDialog::Accepted || d.path().isEmpty()) return false;
    path = d.path();
    size = d.size();
    return true;
}

bool Dialogs::printdialog(QWidget* parent, QPrinter& printer, const QString& dir) {
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        QFileDialog d(parent, "Print to File", dir, "PDF document (*.pdf)");
        d.setAcceptMode(QFileDialog::AcceptSave);
        d.setDefaultSuffix("pdf");
        d.setOption(QFileDialog::DontConfirmOverwrite);
        if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(d.selectedFiles().first());
    } else {
        QPrintDialog d(&printer, parent);
        d.setWindowTitle("Print");
        if (d.exec() != QDialog::Accepted) return false;
    }
    const QString file = printer.outputFileName();
    if (!file.isEmpty() && QFileInfo::exists(file) &&
        !question(parent, "The file " + file + " already exists. Overwrite it?"))
        return false;
    printerchosen_ = true;
    return true;
}

WavelengthChoice Dialogs::wavelength(QWidget* parent, const Model& m) { return choosewavelength(parent, m); }

void Dialogs::about(QWidget* parent) {
    AboutWindow w(parent, 0);
    w.exec();
}

QString printlines(QPrinter& printer, const QStringList& lines, const QFont& font) {
    QFont f(font);
    // A font sized in screen pixels keeps its size on paper (96 pixels per inch).
    if (f.pixelSize() > 0) f.setPointSizeF(f.pixelSize() * 72.0 / 96.0);
    QPainter p;
    if (!p.begin(&printer)) return "Printer is not ready";
    p.setFont(f);
    const QFontMetrics fm(p.font(), p.device());
    const int step = fm.lineSpacing();
    const int height = p.viewport().height();
    int y = fm.ascent();
    for (const QString& line : lines) {
        if (y + fm.descent() > height) {
            if (!printer.newPage()) {
                p.end();
                return "Printer error";
            }
            y = fm.ascent();
        }
        p.drawText(0, y, line);
        y += step;
    }
    if (!p.end()) return "Printer error";
    return {};
}

QFont reportfont() {
    QFont f("Liberation Mono");
    f.setStyleHint(QFont::Monospace);
    f.setFixedPitch(true);
    f.setPixelSize(11);
    return f;
}

}  // namespace zefo::gui
