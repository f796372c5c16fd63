#include "gui/editors/newgrids.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <numeric>

#include "core/edit/newsystem.h"
#include "core/edit/rayedit.h"
#include "gui/editors/rayeditor.h"
#include "gui/editors/systemeditor.h"

namespace zefo::gui {

NewGridDialog::NewGridDialog(const QString& caption, QAbstractItemModel* table, QWidget* parent)
    : QDialog(parent), grid_(new QTableView), status_(new QLabel) {
    setWindowTitle(caption);
    table->setParent(this);
    grid_->setModel(table);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 8);
    showerror = [this](const QString& msg) { QMessageBox::critical(this, "Error", msg); };
    auto* okbutton = new QPushButton("&OK");
    auto* cancel = new QPushButton("&Cancel");
    okbutton->setAutoDefault(false);
    cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okbutton);
    buttons->addWidget(cancel);
    status_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid_);
    layout->addLayout(buttons);
    layout->addWidget(status_);
    connect(okbutton, &QPushButton::clicked, this, &NewGridDialog::ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { status_->setText(hint(std::max(current.column(), 1))); });
}

QString NewGridDialog::statustext() const { return status_->text(); }

void NewGridDialog::ok() {
    const std::string err = check();
    if (err.empty()) return accept();
    showerror(QString::fromStdString(err));
    grid_->setFocus();
}

void NewGridDialog::fit(const std::vector<int>& widths) {
    for (size_t c = 0; c < widths.size(); ++c) grid_->setColumnWidth(int(c), widths[c]);
    status_->setText(hint(1));
    const int frame = 2 * grid_->frameWidth() + grid_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
    const int rows = grid_->verticalHeader()->defaultSectionSize() * (grid_->model()->rowCount() + 1);
    grid_->setMinimumSize(std::accumulate(widths.begin(), widths.end(), 0) + frame, std::min(rows + frame, 450));
}

// ---------------------------------------------------------------- surfaces

SurfaceGridDialog::SurfaceGridDialog(Model& m, GlassLookup lookup, QWidget* parent)
    : NewGridDialog("System Data", new SurfaceTableModel(m, std::move(lookup)), parent), m_(m) {
    auto* table = static_cast<SurfaceTableModel*>(grid()->model());
    connect(table, &SurfaceTableModel::refused, this, [this](const QString& msg) { showerror(msg); });
    connect(table, &SurfaceTableModel::edited, this, [this](int row, int, int request) {
        askconstants(this, m_, row, request, showerror, rundialog);
    });
    std::vector<int> widths(surfcolumns, 80);
    widths[scnumber] = 40;
    widths[scoptlabel] = 130;
    fit(widths);
}

std::string SurfaceGridDialog::check() {
    std::string err = surfacegriderror(m_.lens);
    if (err.empty()) acceptsurfaces(m_);
    return err;
}

QString SurfaceGridDialog::hint(int column) const {
    return QString::fromStdString(surfhint(column, m_.lens.radiiflag == 'D'));
}

// ---------------------------------------------------------------- rays

RayGridDialog::RayGridDialog(Model& m, bool relative, QWidget* parent)
    : NewGridDialog(relative ? "Relative rays coordinates" : "Absolute rays", new RayTableModel(m), parent),
      m_(m), relative_(relative) {
    auto* table = static_cast<RayTableModel*>(grid()->model());
    table->showfields(relative ? std::vector<RayField>{rflabel, rfxrel, rfyrel}
                               : std::vector<RayField>{rflabel, rfx, rfy, rfl, rfm});
    connect(table, &RayTableModel::refused, this, [this](const QString& msg) { showerror(msg); });
    fit(relative ? std::vector<int>{40, 80, 90, 90} : std::vector<int>{40, 80, 90, 90, 90, 90});
}

std::string RayGridDialog::check() { return raygriderror(m_.lens, relative_); }

QString RayGridDialog::hint(int column) const {
    const auto f = static_cast<const RayTableModel*>(grid()->model())->field(column);
    return f ? QString::fromStdString(rayhint(*f)) : QString();
}

}  // namespace zefo::gui
