#include "gui/app/iqdialogs.h"

#include <QButtonGroup>
#include <QDate>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/app/dialogs.h"
#include "core/forms/wavelengthform.h"
#include "core/util/numfmt.h"

namespace zefo::gui {

namespace {

// The characters a mask admits: digits and blanks, the decimal separator (either one)
// where the mask has a point, a sign where it has "#"; no more characters than the mask.
QValidator* iqmaskvalidator(const std::string& mask, QObject* parent) {
    QString set = "0-9 ";
    if (mask.find('.') != std::string::npos) set += ".,";
    if (mask.find('#') != std::string::npos) set += "+\\-";
    const QString re = QString("^[%1]{0,%2}$").arg(set).arg(mask.size());
    return new QRegularExpressionValidator(QRegularExpression(re), parent);
}

const int gaussorders[3] = {6, 10, 16};

int gaussitem(int ngauss) { return ngauss == 6 ? 0 : ngauss == 10 ? 1 : 2; }

std::vector<std::string> gaussitems() { return {"6 points", "10 points", "16 points"}; }
std::vector<std::string> degreeitems() { return {"3rd degree", "4th degree"}; }

}  // namespace

// ---------------------------------------------------------------- the dialog frame

ParamDialog::ParamDialog(const QString& title, const QString& name, CalcContext& c)
    : QDialog(c.parent), c_(c) {
    setObjectName(name);
    setWindowTitle(title);
    auto* lay = new QVBoxLayout(this);
    form_ = new QFormLayout;
    form_->setLabelAlignment(Qt::AlignLeft);
    form_->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    lay->addLayout(form_);
}

// The hint of the field that was entered goes when the dialog goes.
ParamDialog::~ParamDialog() {
    if (c_.hint) c_.hint(QString());
}

QLineEdit* ParamDialog::addfield(const DialogField& f, const std::string& text, const QString& name) {
    auto* edit = new QLineEdit(QString::fromStdString(text), this);
    edit->setObjectName(name);
    if (!f.mask.empty()) edit->setValidator(iqmaskvalidator(f.mask, edit));  // no mask: free text
    edit->setAlignment(Qt::AlignRight);
    edit->installEventFilter(this);
    chars_ = std::max({chars_, static_cast<int>(f.mask.size()), static_cast<int>(text.size())});
    hints_.emplace_back(edit, QString::fromStdString(f.hint));
    form_->addRow(QString::fromStdString(f.label), edit);
    fields_.push_back(edit);
    return edit;
}

QButtonGroup* ParamDialog::addchoice(const QString& caption, const std::vector<std::string>& items, int checked,
                                     const QString& name, const QString& hint) {
    auto* box = new QGroupBox(caption, this);
    box->setObjectName(name);
    auto* boxlay = new QVBoxLayout(box);
    auto* group = new QButtonGroup(box);
    int id = 0;
    for (const auto& item : items) {
        auto* b = new QRadioButton(QString::fromStdString(item), box);
        group->addButton(b, id++);
        boxlay->addWidget(b);
        if (!hint.isEmpty()) {
            b->installEventFilter(this);
            hints_.emplace_back(b, hint);
        }
    }
    if (QAbstractButton* b = group->button(checked)) b->setChecked(true);
    form_->addRow(box);
    choices_.push_back(group);
    return group;
}

void ParamDialog::addvalue(const QString& label, const QString& value) {
    auto* edit = new QLineEdit(value, this);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    edit->setAlignment(Qt::AlignRight);
    form_->addRow(label, edit);
    values_.push_back(edit);
    chars_ = std::max(chars_, static_cast<int>(value.size()));
}

void ParamDialog::addtext(const QString& text) { form_->addRow(new QLabel(text, this)); }

void ParamDialog::addbuttons() {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ParamDialog::okpressed);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout()->addWidget(buttons);
    // One column of equal fields, wide enough for the longest mask.
    const int width = fontMetrics().horizontalAdvance(QString(chars_ + 2, '0')) + 12;
    for (QLineEdit* e : fields_) e->setFixedWidth(width);
    for (QLineEdit* e : values_) e->setFixedWidth(width);
    if (!fields_.empty()) fields_.front()->setFocus();
}

void ParamDialog::okpressed() {
    if (check()) accept();
}

void ParamDialog::badfield(int i, const std::string& message, const std::string& previous) {
    c_.dialogs.error(this, QString::fromStdString(message));
    QLineEdit* edit = field(i);
    edit->setText(QString::fromStdString(previous));
    edit->setFocus();
    edit->selectAll();
    showhint(edit);
}

void ParamDialog::showhint(QObject* o) {
    if (!c_.hint) return;
    for (const auto& [w, hint] : hints_)
        if (w == o) c_.hint(hint);
}

void ParamDialog::writelog(const std::vector<std::string>& lines) {
    if (c_.log)
        for (const auto& l : lines) c_.log(l);
}

bool ParamDialog::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::FocusIn) showhint(o);
    if (e->type() == QEvent::FocusOut)
        if (auto* edit = qobject_cast<QLineEdit*>(o)) edit->deselect();
    return QDialog::eventFilter(o, e);
}

// ---------------------------------------------------------------- Edit MTF

MtfDialog::MtfDialog(CalcContext& c) : ParamDialog("Edit MTF", "EditMTF", c) {
    static const char* const names[] = {"nrings",   "nfreq",    "dfreq",        "spotsize",    "defocus",
                                        "ddefocus", "wlmtfweight0", "wlmtfweight1", "wlmtfweight2"};
    const MtfForm f = mtfform(c.m);
    const auto rows = mtffields(c.m);
    for (size_t i = 0; i < rows.size(); ++i) addfield(rows[i], f.text(static_cast<int>(i)), names[i]);
    addbuttons();
}

bool MtfDialog::check() {
    MtfForm f;
    for (int i = 0; i < fieldcount(); ++i) f.text(i) = field(i)->text().toStdString();
    const DialogResult r = mtfparams(c_.m, f, limitasker(c_));
    c_.session.invalidate(r.stale);
    if (r.changed) c_.session.settingschanged();
    writelog(r.log);
    if (r.status == DialogResult::BadField) badfield(r.field, r.message, mtfform(c_.m).text(r.field));
    if (r.status == DialogResult::Cancelled) reject();  // Cancel in the limit dialog ends this one too
    return r.status == DialogResult::Accepted;
}

// ---------------------------------------------------------------- Spot diagram (limit)

SpotLimitDialog::SpotLimitDialog(CalcContext& c, long long nfreq)
    : ParamDialog("Spot diagram", "SpotDiagramLimit", c), value_(nfreq), preset_(fmti(static_cast<int>(nfreq), 3)) {
    addtext("Maximum number of  frequencies is greater then diffraction limit frequency!");
    addvalue("Max permited value is", QString::fromStdString(fmtf(calcflimit(c.m), 4, 0)));
    addfield(limitfield(c.m), preset_, "newnfreq");
    addbuttons();
}

bool SpotLimitDialog::check() {
    long long v = 0;
    const std::string msg = checklimitvalue(field(0)->text().toStdString(), calcflimit(c_.m), v);
    if (!msg.empty()) {
        badfield(0, msg, preset_);
        return false;
    }
    value_ = v;
    return true;
}

LimitAsk limitasker(CalcContext& c) {
    return [&c](long long& nfreq) {
        SpotLimitDialog d(c, nfreq);
        if (c.dialogs.execdialog(d) != QDialog::Accepted) return false;
        nfreq = d.value();
        return true;
    };
}

// ---------------------------------------------------------------- Edit OPD

OpdDialog::OpdDialog(CalcContext& c) : ParamDialog("Edit OPD", "EditOPD", c) {
    static const char* const names[] = {"defocus", "nfreq", "dfreq"};
    const OpdForm f = opdform(c.m);
    const auto rows = opdfields(c.m);
    for (size_t i = 0; i < rows.size(); ++i) addfield(rows[i], f.text(static_cast<int>(i)), names[i]);
    const auto wl = spectrallineitems(c.m);
    addchoice("Wavelength", {wl.begin(), wl.end()}, f.selwl, "selwl", "Select wavelength for OPD calculation");
    addchoice("Number of points for aberrational polynom", gaussitems(), gaussitem(f.ngauss), "ngauss");
    addchoice("Degree of aberrational polynomial", degreeitems(), f.polydeg == 3 ? 0 : 1, "polydeg");
    addbuttons();
}

bool OpdDialog::check() {
    OpdForm f;
    for (int i = 0; i < fieldcount(); ++i) f.text(i) = field(i)->text().toStdString();
    f.selwl = choice(0)->checkedId();
    f.ngauss = gaussorders[choice(1)->checkedId()];
    f.polydeg = choice(2)->checkedId() == 0 ? 3 : 4;
    const DialogResult r = opdparams(c_.m, f, limitasker(c_));
    wl_ = opdwavelength(f);
    c_.session.invalidate(r.stale);
    if (r.changed) c_.session.settingschanged();
    writelog(r.log);
    if (r.status == DialogResult::BadField) badfield(r.field, r.message, opdform(c_.m).text(r.field));
    if (r.status == DialogResult::Cancelled) reject();
    return r.status == DialogResult::Accepted;
}

// ---------------------------------------------------------------- Edit Diffractional MTF

DmtfDialog::DmtfDialog(CalcContext& c) : ParamDialog("Edit Diffractional MTF", "EditDMTF", c) {
    addchoice("Number of points for aberrational polynom", gaussitems(), gaussitem(c.m.ngauss), "ngauss");
    addchoice("Degree of aberrational polynomial", degreeitems(), c.m.polydeg == 3 ? 0 : 1, "polydeg");
    addbuttons();
}

bool DmtfDialog::check() {
    const DialogResult r = dmtfparams(c_.m, gaussorders[choice(0)->checkedId()], choice(1)->checkedId() == 0 ? 3 : 4);
    c_.session.invalidate(r.stale);
    writelog(r.log);
    return true;
}

// ---------------------------------------------------------------- commands

namespace {

// Shows one of the dialogs; a dialog closed without OK sets cancelled.
bool runiqdialog(CalcContext& c, QDialog& d) {
    if (c.dialogs.execdialog(d) == QDialog::Accepted) return true;
    c.session.cancel();
    return false;
}

}  // namespace

bool mtfdialog(CalcContext& c) {
    MtfDialog d(c);
    return runiqdialog(c, d);
}

std::optional<int> opddialog(CalcContext& c) {
    OpdDialog d(c);
    if (!runiqdialog(c, d)) return std::nullopt;
    return d.wavelength();
}

bool dmtfdialog(CalcContext& c) {
    DmtfDialog d(c);
    return runiqdialog(c, d);
}

void spotmtfeditor(CalcContext& c) { mtfdialog(c); }

void wavereport(CalcContext& c, Report& r) {
    Model& m = c.m;
    const std::optional<int> wl = opddialog(c);
    if (!wl) return;
    IqRun run;
    run.header = iqheader(m.lens.sysname, c.session.filepath(), c.date);
    opdreport(m, *wl, run);
    for (const Notice& n : run.notices)
        c.dialogs.message(c.parent, QString::fromStdString(n.caption), QString::fromStdString(n.text));
    if (c.session.failed()) return;
    for (const auto& l : run.lines) r.addline(l);
}


}  // namespace zefo::gui
