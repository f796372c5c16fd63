// ReportWindow: a child window that shows one report read-only in a fixed-pitch
// font, with a context menu to print it or copy it to the clipboard.
#pragma once

#include <QPlainTextEdit>
#include <QWidget>

#include "core/report/report.h"

class QMenu;

namespace zefo::gui {

class ReportWindow : public QWidget {
    Q_OBJECT
public:
    explicit ReportWindow(const QString& caption, QWidget* parent = nullptr);

    // The report the window shows; refresh() puts its lines into the text area.
    zefo::Report& report() { return rep_; }
    void refresh();

    void addline(const std::string& line);
    // Completes the report file (see zefo::Report::finishreport); returns an error text.
    std::string finishreport(const Workspace& ws, const std::string& filebase, const std::string& ext);
    // Saves the lines as the whole report file, then appends the two closing lines of the
    // window; returns an error text.
    std::string savereport(const Workspace& ws, const std::string& filebase, const std::string& ext);
    // Loads a stored report; false when the file does not exist.
    bool showreport(const Workspace& ws, const std::string& filebase, const std::string& ext);
    // Fills the window with the lines of a text file and the two closing lines.
    bool showfile(const std::string& path);

    QStringList lines() const;
    // Both scroll bars stay shown (a finished report).
    void showscrollbars();
    void printreport();
    void copyreport();

    QPlainTextEdit* DSMemo;
    QMenu* PopupMenu1;

signals:
    // Asks the main window to print the lines with the given font.
    void printrequested(const QStringList& lines, const QFont& font);

private:
    zefo::Report rep_;
};

}  // namespace zefo::gui
