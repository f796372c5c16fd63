#include "gui/editors/grideditor.h"

#include <QHeaderView>
#include <QMessageBox>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace zefo::gui {

GridEditor::GridEditor(Model& m, Session& session, QAbstractItemModel* table, QWidget* parent)
    : QWidget(parent), m_(m), session_(session), grid_(new QTableView(this)) {
    table->setParent(this);
    grid_->setModel(table);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 8);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid_);
    showerror = [this](const QString& msg) { QMessageBox::critical(this, "Error", msg); };
}

GridEditor::~GridEditor() { session_.unsubscribe(listener_); }

void GridEditor::designedited() {
    committing_ = true;
    session_.designchanged();
    committing_ = false;
}

void GridEditor::follow(std::function<void()> rebuild) {
    connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex&, const QModelIndex&) { emit hintchanged(hint()); });
    listener_ = session_.subscribe([this, rebuild = std::move(rebuild)] {
        if (committing_) return;
        if (!session_.loaded()) {   // Close: the editor goes with the system
            if (parentWidget()) parentWidget()->close();
            else close();
            return;
        }
        rebuild();   // a replaced lens or other counts: no stale row stays
    });
}

void GridEditor::fit(int columns) {
    const int rows = grid_->verticalHeader()->defaultSectionSize() * (grid_->model()->rowCount() + 1);
    const int frame = 2 * grid_->frameWidth() + grid_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
    resize(columns + frame, std::min(rows + frame, 450));
}

}  // namespace zefo::gui
