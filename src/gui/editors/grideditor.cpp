#include "gui/editors/grideditor.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QLabel>
#include <QStyledItemDelegate>
#include <QMessageBox>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace zefo::gui {

namespace {

// The cells of a read-only editor neither open nor commit.
class LockedCells : public QStyledItemDelegate {
public:
    LockedCells(const bool& readonly, QObject* parent) : QStyledItemDelegate(parent), readonly_(readonly) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return readonly_ ? nullptr : QStyledItemDelegate::createEditor(parent, option, index);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        if (!readonly_) QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    const bool& readonly_;
};

}  // namespace

GridEditor::GridEditor(Model& m, Session& session, QAbstractItemModel* table, QWidget* parent)
    : QWidget(parent), m_(m), session_(session), grid_(new QTableView(this)), lockline_(new QLabel(this)) {
    table->setParent(this);
    grid_->setModel(table);
    grid_->setItemDelegate(new LockedCells(readonly_, grid_));
    lockline_->setObjectName("ReadOnlyLine");
    lockline_->setStyleSheet("QLabel { background: #fff3c4; color: #5a4300; padding: 3px; }");
    lockline_->setWordWrap(true);
    lockline_->hide();
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 8);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lockline_);
    layout->addWidget(grid_);
    showerror = [this](const QString& msg) { QMessageBox::critical(this, "Error", msg); };
}

GridEditor::~GridEditor() { session_.unsubscribe(listener_); }

void GridEditor::designedited(const std::string& text) {
    committing_ = true;
    session_.designchanged(text);
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

void GridEditor::setreadonly(const QString& reason) {
    readonly_ = !reason.isEmpty();
    if (readonly_) grid_->reset();   // closes an open cell; it commits nothing
    lockline_->setText("Read-only: " + reason);
    lockline_->setVisible(readonly_);
    if (menu_)   // the row commands, from the menu and by their shortcuts
        for (QAction* a : menu_->actions()) a->setEnabled(!readonly_);
}

void GridEditor::fit(int columns) {
    const int rows = grid_->verticalHeader()->defaultSectionSize() * (grid_->model()->rowCount() + 1);
    const int frame = 2 * grid_->frameWidth() + grid_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
    resize(columns + frame, std::min(rows + frame, 450));
}

}  // namespace zefo::gui
