// The interactions of the main window with the user that block: file dialogs, message
// boxes, questions, the printer and the About window. The main window reaches them
// through one Dialogs object, so another implementation can answer them without a screen.
#pragma once

#include <QFont>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

#include "gui/app/wavelength.h"

class QDialog;
class QPrinter;
class QWidget;

namespace zefo::gui {

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A file name chosen for reading or writing; empty when cancelled.
    virtual QString openfilename(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter);
    virtual QString savefilename(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter);

    // Yes/No question (caption "Information"); true for Yes.
    virtual bool question(QWidget* parent, const QString& text);
    // Yes/No/Cancel question (caption "Information"): true for Yes, false for No, nothing
    // for Cancel (the command that asked is abandoned).
    virtual std::optional<bool> questioncancel(QWidget* parent, const QString& text);

    // Error box (caption "Error") or notice (caption "Information") with an OK button.
    // A reason, when given, stands below the text in the error box (its informative text,
    // seen at once without opening a details area).
    virtual void error(QWidget* parent, const QString& text, const QString& reason = QString());
    virtual void information(QWidget* parent, const QString& text);
    // A box with its own caption and an OK button (the notices of a calculation).
    virtual void message(QWidget* parent, const QString& caption, const QString& text);

    // Shows one of the program's modal dialogs (parameter dialogs, editors) and returns
    // its result, QDialog::Accepted or QDialog::Rejected.
    virtual int execdialog(QDialog& d);

    // Input box with a caption, a prompt and a default text; returns the text as it
    // stands when the box is closed (the default when cancelled).
    virtual QString inputbox(QWidget* parent, const QString& caption, const QString& prompt,
                             const QString& text);

    // The printer setup dialog; false when cancelled.
    virtual bool printersetup(QWidget* parent, QPrinter& printer);

    // Prints lines as plain text on the printer; when no printer is installed and no
    // output file was chosen yet the print dialog asks for a PDF file first.
    // Returns false when the user cancelled; an error text goes to err.
    virtual bool printtext(QWidget* parent, QPrinter& printer, const QStringList& lines,
                           const QFont& font, QString& err);

    // Save As of a picture: the file (with its type's extension) and the size, proposed as
    // name in dir and size; false when cancelled.
    virtual bool picturefile(QWidget* parent, const QString& dir, const QString& name, QSize& size, QString& path);

    // The print dialog of a picture, every time: false when cancelled. Without a printer the
    // file to print into is asked for; an existing file is overwritten only after a Yes.
    virtual bool printdialog(QWidget* parent, QPrinter& printer, const QString& dir);

    // The wavelength chooser of the plots (code 0 without OK).
    virtual WavelengthChoice wavelength(QWidget* parent, const Model& m);

    // The About window without its timer.
    virtual void about(QWidget* parent);

private:
    bool printerchosen_ = false;  // the user picked a printer or file in a print dialog
};

// Writes lines on the printer, one printer line each, starting a new page when the
// page is full. Lines wider than the page are cut at the margin. Returns an error text.
QString printlines(QPrinter& printer, const QStringList& lines, const QFont& font);

// The fixed-pitch font of report windows and printed reports.
QFont reportfont();

}  // namespace zefo::gui
