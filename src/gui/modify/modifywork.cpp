#include "gui/modify/modifywork.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <iomanip>
#include <sstream>

#include "core/cad/acadscript.h"
#include "core/modify/mechanics.h"
#include "core/modify/modify.h"
#include "core/util/fileio.h"
#include "core/util/numfmt.h"
#include "gui/app/dialogs.h"

namespace zefo::gui {

namespace {

QString mqs(const std::string& s) { return QString::fromStdString(s); }

// A number in the text of an undo step: six significant digits, no trailing zeros.
std::string stepnumber(double v) {
    std::ostringstream out;
    out << std::setprecision(6) << v;
    return out.str();
}

// A number dialog: one field, OK keeps the dialog open until the value passes the check.
class NumberDialog : public QDialog {
public:
    NumberDialog(CalcContext& c, const NumberQuestion& q) : QDialog(c.parent), c_(c), q_(q) {
        setWindowTitle(mqs(q.caption));
        auto* box = new QVBoxLayout(this);
        box->addWidget(new QLabel(mqs(q.label)));
        field_ = new QLineEdit(mqs(fmtf(q.initial, q.width, q.decimals)).trimmed());
        field_->setObjectName("value");
        field_->installEventFilter(this);
        box->addWidget(field_);
        auto* buttons = new QDialogButtonBox;
        buttons->addButton("&OK", QDialogButtonBox::AcceptRole)->setDefault(true);
        buttons->addButton("&Cancel", QDialogButtonBox::RejectRole);
        connect(buttons, &QDialogButtonBox::accepted, this, &NumberDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        box->addWidget(buttons);
        value_ = q.initial;
    }
    double value() const { return value_; }
    void accept() override {
        const auto v = parsetyped(field_->text().toStdString());
        const std::string no = !v ? std::string(notanumbermsg) : q_.check ? q_.check(*v) : std::string();
        if (!no.empty()) {
            c_.dialogs.error(this, mqs(no));
            field_->setText(mqs(fmtf(value_, q_.width, q_.decimals)).trimmed());
            field_->setFocus();
            return;
        }
        value_ = *v;
        QDialog::accept();
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (o == field_ && e->type() == QEvent::FocusIn && c_.hint) c_.hint(mqs(q_.hint));
        return QDialog::eventFilter(o, e);
    }

private:
    CalcContext& c_;
    NumberQuestion q_;
    QLineEdit* field_;
    double value_ = 0;
};

// The questions of a calculation answered by the program's dialogs.
class DialogInteraction : public Interaction {
public:
    explicit DialogInteraction(CalcContext& c) : c_(c) {}

    Answer confirm(const std::string& caption, const std::string& text) override {
        QMessageBox box(QMessageBox::Question, mqs(caption), mqs(text),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, c_.parent);
        box.setDefaultButton(QMessageBox::Yes);
        const int r = c_.dialogs.execdialog(box);
        return r == QMessageBox::Yes ? Answer::yes : r == QMessageBox::No ? Answer::no : Answer::cancel;
    }
    std::optional<int> choose(const std::string& caption, const std::vector<std::string>& choices,
                              int preselected) override {
        QDialog d(c_.parent);
        d.setWindowTitle(mqs(caption));
        auto* box = new QVBoxLayout(&d);
        QButtonGroup group(&d);
        for (size_t i = 0; i < choices.size(); ++i) {
            auto* b = new QRadioButton(mqs(choices[i]));
            b->setChecked(static_cast<int>(i) == preselected);
            group.addButton(b, static_cast<int>(i));
            box->addWidget(b);
        }
        auto* buttons = new QDialogButtonBox;
        buttons->addButton("&OK", QDialogButtonBox::AcceptRole)->setDefault(true);
        buttons->addButton("&Cancel", QDialogButtonBox::RejectRole);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
        box->addWidget(buttons);
        if (c_.dialogs.execdialog(d) != QDialog::Accepted || group.checkedId() < 0) return std::nullopt;
        return group.checkedId();
    }
    std::optional<double> enternumber(const NumberQuestion& q) override {
        NumberDialog d(c_, q);
        const int r = c_.dialogs.execdialog(d);
        if (c_.hint) c_.hint(QString());
        if (r != QDialog::Accepted) return std::nullopt;
        return d.value();
    }

private:
    CalcContext& c_;
};

// The end of a mechanical operation: its boxes, its log lines, and a cancel or failure
// handed to the session.
bool mechfinished(CalcContext& c, const MechOutcome& o) {
    for (const Notice& n : o.notices) c.dialogs.message(c.parent, mqs(n.caption), mqs(n.text));
    for (const std::string& line : o.log) c.log(line);
    if (o.cancelled) c.session.cancel();
    else if (!o.error.empty()) fail(c.m, o.error);
    return o.ok();
}

std::string scalecheck(double k) { return scalefactorerror(k); }
std::string eflcheck(double f) { return f == 0 ? eflzeromsg : ""; }

// The changed system, aimed again, a step of the history named step, in its report window;
// when the rays of the changed system cannot be aimed the lens is put back and the failure
// is the command's error.
void showchanged(CalcContext& c, Report& r, const OpticalSystem& before, const std::string& step) {
    if (!reaimmodified(c.m, before)) return;
    c.session.designchanged(step);
    systemreport(c.m, c.head(), r, true);
}

void writeacad(CalcContext& c, bool rays) {
    DialogInteraction ask(c);
    const CadDrawing d = acadscript(c.m, rays, ask);
    if (!mechfinished(c, d.outcome)) return;   // the shell gives the cancel notice
    const std::string base = c.ws.scriptdir + c.session.filebase();
    if (auto e = writecadfiles(c.m.lens, d, base + (rays ? "h.scr" : ".scr"), base + (rays ? "h.dxf" : ".dxf"));
        !e.empty())
        fail(c.m, e);
}

}  // namespace

void scalework(CalcContext& c, Report& r) {
    DialogInteraction ask(c);
    const auto k = ask.enternumber({"Scale Factor", "Enter desirable scale factor",
                                    "Enter postive number greater then 0 for scale factor", 1.0, 8, 3, scalecheck});
    if (!k) return c.session.cancel();
    c.log(scaleline(*k));
    const OpticalSystem before = c.m.lens;
    scalesys(c.m.lens, *k);
    showchanged(c, r, before, "Scale by " + stepnumber(*k));
}

void anglesolvework(CalcContext& c, Report& r) {
    if (c.m.telescope()) return fail(c.m, anglesolveafocalmsg);
    DialogInteraction ask(c);
    const auto f = ask.enternumber({"Angle Solve", "Enter desirable focal length in mm",
                                    "Enter postive number greater then 0", c.m.lens.efl, 8, 3, eflcheck});
    if (!f) return c.session.cancel();
    c.log(anglesolveline(*f));
    const OpticalSystem before = c.m.lens;
    if (!anglesolvefocal(c.m, *f)) return;
    showchanged(c, r, before, "Angle solve to focal length " + stepnumber(*f));
}

void reversework(CalcContext& c, Report& r) {
    DialogInteraction ask(c);
    if (ask.confirm("Reverse", reversequestion) != Answer::yes) return c.session.cancel();
    const OpticalSystem before = c.m.lens;
    reversesys(c.m.lens);
    showchanged(c, r, before, "Reverse");
}

void standardradiiwork(CalcContext& c, Report& r) {
    const OpticalSystem before = c.m.lens;
    standardradii(c.m.lens);
    showchanged(c, r, before, "Standard radii");
}

void mechdiamwork(CalcContext& c, Report& r) {
    DialogInteraction ask(c);
    MechDiameters d;
    if (mechfinished(c, constructdiam(c.m.lens, ask, d))) mechdiamlines(c.m.lens, d, c.head(), r);
}

void checkdiamwork(CalcContext& c, Report&) {
    DialogInteraction ask(c);
    MechDiameters d;
    if (!mechfinished(c, constructdiam(c.m.lens, ask, d))) return;
    const OpticalSystem before = c.m.lens;
    mechfinished(c, checkdiam(c.m, d, false, ask));
    if (!(c.m.lens == before)) c.session.designchanged();
}

void distanceringwork(CalcContext& c, Report& r) {
    DialogInteraction ask(c);
    MechDiameters d;
    std::vector<DistanceRing> rings;
    const OpticalSystem before = c.m.lens;
    const bool ok = mechfinished(c, distancerings(c.m, ask, d, rings));
    if (!(c.m.lens == before)) c.session.designchanged();
    if (ok) ringlines(c.m.lens, rings, c.head(), r);
}

void systemmasswork(CalcContext& c, Report&) {
    DialogInteraction ask(c);
    MechDiameters d;
    std::vector<LensMass> lenses;
    mechfinished(c, systemmass(c.m, ask, d, lenses));
}

void acadwork(CalcContext& c) { writeacad(c, false); }
void acadrayswork(CalcContext& c) { writeacad(c, true); }

}  // namespace zefo::gui
