#include "gui/app/eadialogs.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <stdexcept>

#include "core/util/fileio.h"
#include "gui/app/dialogs.h"

namespace zefo::gui {

EADialogBox::EADialogBox(CalcContext& c, EADialog d)
    : ParamDialog(eadialogtitle(d), QString("EA%1").arg(static_cast<int>(d)), c), d_(d) {
    const EAParams& p = c.session.ea().p;
    const auto fields = eafields(d);
    const auto texts = eatexts(p, d);
    for (size_t k = 0; k < fields.size(); ++k)
        addfield(fields[k], texts[k], QString("field%1").arg(static_cast<int>(k)));
    const auto groups = eachoices(d);
    const auto checked = eachecked(p, d);
    for (size_t g = 0; g < groups.size(); ++g)
        addchoice(QString::fromStdString(groups[g].caption), groups[g].items, checked[g],
                  QString::fromStdString(groups[g].name), QString::fromStdString(groups[g].hint));
    addbuttons();
}

bool EADialogBox::check() {
    std::vector<std::string> texts;
    for (int i = 0; i < fieldcount(); ++i) texts.push_back(field(i)->text().toStdString());
    std::vector<int> checked;
    for (size_t g = 0; g < eachoices(d_).size(); ++g) checked.push_back(choice(static_cast<int>(g))->checkedId());
    EAParams& p = c_.session.ea().p;
    const EAAccept a = eaaccept(p, d_, texts, checked);
    writelog(a.result.log);
    if (a.result.status == DialogResult::Accepted) return true;
    const int bad = a.result.field;
    badfield(bad, a.result.message, a.restore ? eatexts(p, d_)[static_cast<size_t>(bad)] : texts[static_cast<size_t>(bad)]);
    return false;
}

namespace {

void eacommand(CalcContext& c, EADialog d) {
    EAState& s = c.session.ea();
    if (ealoadsfirst(s, d)) {
        const std::string ext = eadialogextension(d);
        std::string path;
        std::string err = namedfilepath(c.ws.geneticdir, c.m.lens.sysname, ext, path);
        if (err.empty()) eaload(s, path, ext, 0, err);
        if (!err.empty()) c.dialogs.error(c.parent, QString::fromStdString(err));
    }
    EADialogBox box(c, d);
    if (c.dialogs.execdialog(box) != QDialog::Accepted) return c.session.cancel();
    if (const std::string extra = eaconfirmed(s, d); !extra.empty()) c.log(extra);
}

}  // namespace

void eageneral(CalcContext& c) { eacommand(c, EADialog::general); }
void eaprobabilities(CalcContext& c) { eacommand(c, EADialog::probabilities); }
void eaassga(CalcContext& c) { eacommand(c, EADialog::assga); }
void eaevol(CalcContext& c) { eacommand(c, EADialog::evol); }
void eagrup(CalcContext& c) { eacommand(c, EADialog::grup); }
void eareko(CalcContext& c) { eacommand(c, EADialog::reko); }
void eakorr(CalcContext& c) { eacommand(c, EADialog::korr); }

void easave(CalcContext& c) {
    const EAParams& p = c.session.ea().p;
    std::string path;
    std::string err = namedfilepath(c.ws.geneticdir, c.m.lens.sysname, eaextension(p.kind), path);
    if (err.empty()) err = saveeafile(path, p);
    if (!err.empty()) throw std::runtime_error(err);
}

}  // namespace zefo::gui
