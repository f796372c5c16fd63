#include "gui/editors/glasscatalogue.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include "core/edit/surfaceedit.h"
#include "core/util/numfmt.h"

namespace zefo::gui {

void GlassTableModel::setglasses(std::vector<GlassRecord> glasses) {
    beginResetModel();
    shown_ = std::move(glasses);
    endResetModel();
}

void GlassTableModel::wavelengthschanged() {
    emit headerDataChanged(Qt::Horizontal, cn0, cn2);
    if (!shown_.empty()) emit dataChanged(index(0, cn0), index(rowCount() - 1, cn2));
}

int GlassTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int GlassTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ccolumns; }

QVariant GlassTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const GlassRecord& g = glass(index.row());
    const int c = index.column();
    const double n = c >= cn0 && c <= cn2 ? schottindex(g.a, m_.lens.wl[static_cast<size_t>(c - cn0)]) : 0;
    if (role == Qt::UserRole) {   // the sort key
        switch (c) {
            case cnd: return g.nd;
            case cvd: return g.vd;
            case cn0: case cn1: case cn2: return n;
            case ccode: return QString::fromStdString(g.code);
            case cmaker: return QString::fromStdString(g.maker);
            default: return QString::fromStdString(g.name).toUpper();
        }
    }
    if (role == Qt::TextAlignmentRole && c >= cnd && c <= cn2) return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    switch (c) {
        case cname: return QString::fromStdString(g.name);
        case ccode: return QString::fromStdString(g.code);
        case cnd: return QString::fromStdString(fmtf(g.nd, 0, 5));
        case cvd: return QString::fromStdString(fmtf(g.vd, 0, 2));
        case cmaker: return QString::fromStdString(g.maker);
        default: return QString::fromStdString(fmtf(n, 0, 5));
    }
}

QVariant GlassTableModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole || o != Qt::Horizontal) return {};
    static const char* const names[] = {"Name", "Code", "nd", "vd", "", "", "", "Maker"};
    if (section >= cn0 && section <= cn2)
        return "n " + QString::fromStdString(fmtf(m_.lens.wl[static_cast<size_t>(section - cn0)] * 1e6, 0, 1)) + " nm";
    return section >= 0 && section < ccolumns ? QString(names[section]) : QVariant();
}

GlassCatalogueWindow::GlassCatalogueWindow(const Model& m, Session& session, GlassCatalog& cat, QWidget* parent)
    : QWidget(parent), session_(session), all_(cat.allglasses()), model_(new GlassTableModel(m, this)),
      proxy_(new QSortFilterProxyModel(this)), view_(new QTableView(this)), search_(new QLineEdit(this)),
      count_(new QLabel(this)) {
    setWindowTitle("Glass Catalogue");
    showerror = [this](const QString& msg) { QMessageBox::critical(this, "Error", msg); };
    askmodelglass = [this]() -> std::optional<QString> {
        bool ok = false;
        const QString t = QInputDialog::getText(this, "Model glass", "Index and Abbe number as nd/vd, e.g. 1.5168/64.17",
                                                QLineEdit::Normal, "", &ok);
        return ok ? std::optional<QString>(t) : std::nullopt;
    };
    proxy_->setSourceModel(model_);
    proxy_->setSortRole(Qt::UserRole);
    view_->setModel(proxy_);
    view_->setSortingEnabled(true);
    view_->sortByColumn(-1, Qt::AscendingOrder);   // the catalogue's order until a header is clicked
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    view_->setColumnWidth(GlassTableModel::cname, 100);
    view_->setColumnWidth(GlassTableModel::ccode, 60);
    for (int c = GlassTableModel::cnd; c <= GlassTableModel::cn2; ++c) view_->setColumnWidth(c, 76);
    view_->horizontalHeader()->setStretchLastSection(true);

    search_->setObjectName("search");
    search_->setPlaceholderText("name or code, e.g. bk7, lak, 517");
    search_->setClearButtonEnabled(true);
    auto* filters = new QGridLayout;
    filters->addWidget(new QLabel("Find", this), 0, 0);
    filters->addWidget(search_, 0, 1, 1, 4);
    static const char* const rangenames[] = {"ndmin", "ndmax", "vdmin", "vdmax"};
    for (int i = 0; i < 4; ++i) {
        range_[i] = new QLineEdit(this);
        range_[i]->setObjectName(rangenames[i]);
        range_[i]->setPlaceholderText(i % 2 == 0 ? "from" : "to");
        range_[i]->setMaximumWidth(80);
        connect(range_[i], &QLineEdit::textChanged, this, &GlassCatalogueWindow::refilter);
    }
    filters->addWidget(new QLabel("nd", this), 1, 0);
    filters->addWidget(range_[0], 1, 1);
    filters->addWidget(range_[1], 1, 2);
    filters->addWidget(new QLabel("vd", this), 1, 3, Qt::AlignRight);
    auto* vdbox = new QHBoxLayout;
    vdbox->addWidget(range_[2]);
    vdbox->addWidget(range_[3]);
    vdbox->addStretch();
    filters->addLayout(vdbox, 1, 4);
    connect(search_, &QLineEdit::textChanged, this, &GlassCatalogueWindow::refilter);

    auto* use = new QPushButton("&Use", this);
    use->setObjectName("use");
    use->setToolTip("Put the selected glass on the selected surface of the System Editor");
    auto* model = new QPushButton("&Model glass...", this);
    model->setObjectName("modelglass");
    model->setToolTip("A glass given by its index nd and Abbe number vd only");
    connect(use, &QPushButton::clicked, this, &GlassCatalogueWindow::usecurrent);
    connect(model, &QPushButton::clicked, this, &GlassCatalogueWindow::usemodelglass);
    connect(view_, &QTableView::doubleClicked, this, [this](const QModelIndex&) { usecurrent(); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(count_);
    buttons->addStretch();
    buttons->addWidget(model);
    buttons->addWidget(use);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(view_);
    layout->addLayout(buttons);
    listener_ = session_.subscribe([this] { model_->wavelengthschanged(); });
    refilter();
    resize(720, 480);
}

GlassCatalogueWindow::~GlassCatalogueWindow() { session_.unsubscribe(listener_); }

QString GlassCatalogueWindow::hint() const {
    return "Find a glass by name or code, narrow nd and vd; Use puts it on the System Editor's selected surface";
}

void GlassCatalogueWindow::refilter() {
    GlassFilter f;
    f.text = search_->text().toStdString();
    double* bounds[] = {&f.ndmin, &f.ndmax, &f.vdmin, &f.vdmax};
    for (int i = 0; i < 4; ++i) {
        const auto v = typedvalue(range_[i]->text().toStdString());
        const bool bad = !range_[i]->text().trimmed().isEmpty() && !v;
        range_[i]->setStyleSheet(bad ? "color: red" : "");
        if (v) *bounds[i] = *v;
    }
    model_->setglasses(filterglasses(all_, f));
    count_->setText(QString("%1 of %2 glasses").arg(model_->rowCount()).arg(all_.size()));
    if (proxy_->rowCount() > 0) view_->selectRow(0);
}

QStringList GlassCatalogueWindow::shownnames() const {
    QStringList r;
    for (int i = 0; i < proxy_->rowCount(); ++i) r << proxy_->index(i, GlassTableModel::cname).data().toString();
    return r;
}

bool GlassCatalogueWindow::selectglass(const QString& name) {
    for (int i = 0; i < proxy_->rowCount(); ++i)
        if (proxy_->index(i, GlassTableModel::cname).data().toString() == name) {
            view_->selectRow(i);
            view_->scrollTo(proxy_->index(i, 0));
            return true;
        }
    return false;
}

void GlassCatalogueWindow::usecurrent() {
    const QModelIndexList rows = view_->selectionModel() ? view_->selectionModel()->selectedRows() : QModelIndexList();
    if (rows.isEmpty()) return showerror("Select a glass in the table first");
    emit useglass(QString::fromStdString(model_->glass(proxy_->mapToSource(rows.front()).row()).name));
}

void GlassCatalogueWindow::usemodelglass() {
    const auto text = askmodelglass();
    if (!text) return;
    const TypedModelGlass g = typedmodelglass(text->toStdString());
    if (!g.glass) {
        return showerror(QString::fromStdString(g.error.empty() ? "A model glass is typed as nd/vd, e.g. 1.5168/64.17"
                                                                : g.error));
    }
    emit useglass(QString::fromStdString(g.glass->name));
}

}  // namespace zefo::gui
