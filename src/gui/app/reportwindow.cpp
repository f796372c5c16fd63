#include "gui/app/reportwindow.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QVBoxLayout>

#include "gui/app/dialogs.h"
#include "gui/app/helpwindow.h"
#include "gui/app/mainwindow.h"

namespace zefo::gui {

ReportWindow::ReportWindow(const QString& caption, QWidget* parent) : QWidget(parent) {
    setObjectName("TDisplaySystem");
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose);
    DSMemo = new QPlainTextEdit(this);
    DSMemo->setObjectName("DSMemo");
    DSMemo->setReadOnly(true);
    DSMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    DSMemo->setWordWrapMode(QTextOption::NoWrap);
    DSMemo->setFont(reportfont());
    DSMemo->setContextMenuPolicy(Qt::CustomContextMenu);
    DSMemo->setFrameShape(QFrame::NoFrame);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(DSMemo);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    PopupMenu1->addAction("&Print", this, &ReportWindow::printreport)->setObjectName("Print1");
    PopupMenu1->addAction("&Copy", this, &ReportWindow::copyreport)->setObjectName("Copy1");
    connect(DSMemo, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu1->popup(DSMemo->viewport()->mapToGlobal(pos)); });
    resize(720, 460);
}

void ReportWindow::refresh() {
    DSMemo->setPlainText(QString::fromStdString(rep_.text()).chopped(rep_.lines().empty() ? 0 : 1));
    DSMemo->moveCursor(QTextCursor::Start);
}

void ReportWindow::addline(const std::string& line) {
    rep_.addline(line);
    DSMemo->appendPlainText(QString::fromStdString(line));
}

std::string ReportWindow::finishreport(const Workspace& ws, const std::string& filebase,
                                         const std::string& ext) {
    const std::string err = rep_.finishreport(ws, filebase, ext);
    refresh();
    showscrollbars();
    return err;
}

std::string ReportWindow::savereport(const Workspace& ws, const std::string& filebase,
                                       const std::string& ext) {
    const std::string err = rep_.savereport(ws, filebase, ext);
    refresh();
    showscrollbars();
    return err;
}

bool ReportWindow::showreport(const Workspace& ws, const std::string& filebase,
                                const std::string& ext) {
    if (!rep_.showreport(ws, filebase, ext)) return false;
    refresh();
    showscrollbars();
    return true;
}

bool ReportWindow::showfile(const std::string& path) {
    auto lines = filelines(path);
    if (!lines) return false;
    rep_.clear();
    for (const QString& l : *lines) rep_.addline(l.toStdString());
    rep_.appendclosing();
    refresh();
    showscrollbars();
    return true;
}

QStringList ReportWindow::lines() const {
    QStringList out;
    for (const auto& l : rep_.lines()) out << QString::fromStdString(l);
    return out;
}

void ReportWindow::printreport() { emit printrequested(lines(), DSMemo->font()); }

void ReportWindow::copyreport() {
    DSMemo->selectAll();
    auto* mime = new QMimeData;
    mime->setText(DSMemo->toPlainText());
    QApplication::clipboard()->setMimeData(mime);
}

void ReportWindow::showscrollbars() {
    DSMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DSMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

}  // namespace zefo::gui
