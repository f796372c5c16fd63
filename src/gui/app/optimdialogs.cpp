#include "gui/app/optimdialogs.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/app/dialogs.h"
#include "core/analysis/systemreport.h"
#include "core/optim/dls.h"
#include "core/optim/merit.h"
#include "core/util/numfmt.h"

namespace zefo::gui {

// ---------------------------------------------------------------- Optimization General

OptimGeneralDialog::OptimGeneralDialog(CalcContext& c) : ParamDialog("Optimization General", "OptimizationGeneral", c) {
    static const char* const names[optimgeneralfieldcount] = {
        "anglesurf", "dcurv",    "dsep",     "dindex",       "ddisp",        "dimweight",   "glassweight",
        "trglass0",  "trglass1", "trglass2", "wloptweight0", "wloptweight1", "wloptweight2"};
    const OptimGeneralForm f = optimgeneralform(c.m);
    const auto rows = optimgeneralfields(c.m);
    for (size_t i = 0; i < rows.size(); ++i) addfield(rows[i], f.text(static_cast<int>(i)), names[i]);
    addbuttons();
}

bool OptimGeneralDialog::check() {
    OptimGeneralForm f;
    for (int i = 0; i < fieldcount(); ++i) f.text(i) = field(i)->text().toStdString();
    const OptimGeneralResult r =
        optimgeneralparams(c_.m, f, [this](const std::string& name) { return c_.glass.glassbyname(name); });
    for (const auto& box : r.errorboxes) c_.dialogs.error(this, QString::fromStdString(box));
    if (r.result.changed) c_.session.settingschanged();
    writelog(r.result.log);
    if (r.result.status == DialogResult::BadField)
        badfield(r.result.field, r.result.message, optimgeneralform(c_.m).text(r.result.field));
    if (r.result.status != DialogResult::Accepted) return false;
    if (r.weightschanged) calcweights(c_.m);  // a failure is the command's error
    return true;
}

// ---------------------------------------------------------------- the grids

GridDialog::GridDialog(const QString& title, const QString& name, CalcContext& c, Model work, int rows,
                       const std::vector<std::string>& columns, Cells cells)
    : QDialog(c.parent), c_(c), work_(std::move(work)), cells_(std::move(cells)) {
    setObjectName(name);
    setWindowTitle(title);
    grid_ = new QTableWidget(rows, static_cast<int>(columns.size()), this);
    grid_->setObjectName("Grid");
    QStringList heads;
    for (const auto& t : columns) heads << QString::fromStdString(t);
    grid_->setHorizontalHeaderLabels(heads);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::AllEditTriggers);
    filling_ = true;
    for (int r = 0; r < rows; ++r)
        for (int col = 0; col < grid_->columnCount(); ++col) {
            const std::string text = cells_.text(work_, r, col);
            auto* item = new QTableWidgetItem(QString::fromStdString(text));
            // numbers to the right, names to the left
            const bool number = parsereal(QString::fromStdString(text).trimmed().toStdString()).has_value();
            item->setTextAlignment((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
            if (!cells_.editable(r, col)) {
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
                item->setBackground(palette().window());
            }
            grid_->setItem(r, col, item);
        }
    filling_ = false;
    connect(grid_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (!filling_) cellentered(item->row(), item->column());
    });
    connect(grid_, &QTableWidget::currentCellChanged, this, [this](int row, int col) {
        if (c_.hint && row >= 0 && cells_.editable(row, col)) c_.hint(QString::fromStdString(cells_.hint(row, col)));
    });
    // the first editable cell of the first row is the current one
    for (int col = 0; col < grid_->columnCount() && rows > 0; ++col)
        if (cells_.editable(0, col)) {
            grid_->setCurrentCell(0, col);
            break;
        }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(grid_);
    lay->addWidget(buttons);
}

// The hint of the cell that was entered goes when the dialog goes.
GridDialog::~GridDialog() {
    if (c_.hint) c_.hint(QString());
}

void GridDialog::setrowtitles(const std::vector<std::string>& titles) {
    QStringList out;
    for (const auto& t : titles) out << QString::fromStdString(t);
    grid_->setVerticalHeaderLabels(out);
    grid_->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void GridDialog::fit(int maxheight) {
    grid_->resizeColumnsToContents();
    grid_->resizeRowsToContents();
    QHeaderView* rows = grid_->verticalHeader();
    QHeaderView* cols = grid_->horizontalHeader();
    const int frame = 2 * grid_->frameWidth();
    const int height = std::min(cols->sizeHint().height() + rows->length() + frame, maxheight);
    const bool fixed = rows->minimumWidth() == rows->maximumWidth();
    const int rowheads = rows->isHidden() ? 0 : fixed ? rows->minimumWidth() : rows->sizeHint().width();
    int width = cols->length() + frame + rowheads;
    if (height == maxheight) width += grid_->verticalScrollBar()->sizeHint().width();
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setFixedSize(width, height);
    adjustSize();
}

void GridDialog::setcell(int row, int col, const std::string& text) {
    filling_ = true;
    grid_->item(row, col)->setText(QString::fromStdString(text));
    filling_ = false;
}

void GridDialog::entercell(int row, int col, const QString& text) { grid_->item(row, col)->setText(text); }

void GridDialog::cellentered(int row, int col) {
    const CellEdit e = cells_.edit(work_, row, col, grid_->item(row, col)->text().trimmed().toStdString());
    switch (e.status) {
        case CellEdit::Accepted:
            changed_ = changed_ || e.changed;
            if (e.changed) refreshothers(row, col);
            break;
        case CellEdit::Typing:  // a lone sign left in the cell: the value stays
            setcell(row, col, cells_.text(work_, row, col));
            break;
        case CellEdit::Rejected:
            c_.dialogs.error(this, QString::fromStdString(e.message));
            setcell(row, col, e.celltext);
            grid_->setCurrentCell(row, col);
            break;
    }
}

// The cells that follow an accepted entry (a target and the focal length it implies) show
// their new values; the entered cell keeps its text.
void GridDialog::refreshothers(int row, int col) {
    for (int r = 0; r < grid_->rowCount(); ++r)
        for (int k = 0; k < grid_->columnCount(); ++k) {
            if (r == row && k == col) continue;
            const std::string text = cells_.text(work_, r, k);
            if (grid_->item(r, k)->text().toStdString() != text) setcell(r, k, text);
        }
}

void GridDialog::done(int r) {
    if (r == QDialog::Accepted) {
        c_.m = std::move(work_);
        if (changed_) c_.session.settingschanged();
    }
    QDialog::done(r);
}

// ---------------------------------------------------------------- commands

namespace {

// Shows a dialog; closed without OK the session counts as cancelled.
bool rundialog(CalcContext& c, QDialog& d) {
    if (c.dialogs.execdialog(d) == QDialog::Accepted) return true;
    c.session.cancel();
    return false;
}

bool editable(int col, int first) { return col >= first; }

}  // namespace

void optimgeneral(CalcContext& c) {
    OptimGeneralDialog d(c);
    rundialog(c, d);
}

void paraxialdataeditor(CalcContext& c) {
    GridDialog d("Paraxial Data", "ParaxialData", c, c.m, paraxialrows, paraxialcolumntitles(),
                 {paraxialcell, paraxialhint, editparaxial, paraxialeditable});
    d.setrowtitles(paraxialrowtitles());
    d.fit(450);
    if (rundialog(c, d)) calcweights(c.m);  // the default weights follow the new targets
}

void aberrationdataeditor(CalcContext& c) {
    Model work = c.m;
    sizemeritlist(work.lens, work.merit);
    if (!meritcalc(work, work.merit)) return c.session.fail(work.errmsg);
    const int rows = work.lens.naber;
    GridDialog d("Aberration Data", "AberrationData", c, std::move(work), rows, aberrationcolumntitles(),
                 {aberrationcell, [](int, int col) { return aberrationhint(col); }, editaberration,
                  [](int, int col) { return editable(col, 2); }});
    d.grid()->verticalHeader()->setFixedWidth(30);
    d.fit(450);
    rundialog(c, d);
}

void boundarydataeditor(CalcContext& c) {
    GridDialog d("Boundary conditions data", "BoundaryConditionsData", c, c.m, c.m.lens.nsurf + 1,
                 boundarycolumntitles(),
                 {boundarycell, [](int, int col) { return boundaryhint(col); }, editboundary,
                  [](int, int col) { return editable(col, 3); }});
    d.grid()->verticalHeader()->hide();
    d.fit(450);
    if (c.hint) c.hint(QString::fromStdString(boundaryhint(-1)));
    rundialog(c, d);
}

void designdata(CalcContext& c, Report& r) { designreport(c.m, c.head(), r, true); }

void meritfunction(CalcContext& c, Report& r) { meritreport(c.m, c.m.merit, c.head(), r); }

void optimweights(CalcContext& c, Report& r) {
    sizemeritlist(c.m.lens, c.m.merit);
    if (!calcweights(c.m)) return;
    c.session.settingschanged();
    meritfunction(c, r);
}

void dampingcommand(CalcContext& c) {
    const char* notice = changedamping(c.m.lens);
    c.session.settingschanged();
    c.dialogs.information(c.parent, notice);
}

OptimRun::Work dlswork(CalcContext& c) {
    DlsSetup setup;
    setup.catalog = &c.glass;
    setup.ws = &c.ws;
    setup.filebase = c.session.filebase();
    setup.head = c.head();
    return [setup](Model& m, const RunSinks& s) {
        const DlsOutcome o = dlsoptimize(m, m.merit, setup, {s.line, s.cancelled, s.status});
        switch (o.status) {
            case DlsOutcome::Status::finished: return RunEnd{RunEnd::Finished, {}};
            case DlsOutcome::Status::cancelled: return RunEnd{RunEnd::Cancelled, {}};
            case DlsOutcome::Status::error: break;
        }
        return RunEnd{RunEnd::Failed, o.errmsg};
    };
}

}  // namespace zefo::gui
