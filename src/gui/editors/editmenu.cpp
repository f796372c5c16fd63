#include "gui/editors/editmenu.h"

#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QWidget>

namespace zefo::gui {

QMenu* addrowmenu(QWidget* owner, const QString& title, const QString& hint, const QString& prefix,
                  const std::vector<RowCommand>& commands, std::function<void(const std::string&)> run) {
    auto* bar = new QMenuBar(owner);
    if (owner->layout()) owner->layout()->setMenuBar(bar);
    QMenu* menu = bar->addMenu(title);
    menu->setStatusTip(hint);
    for (const RowCommand& c : commands) {
        QAction* a = menu->addAction(c.caption);
        a->setObjectName(prefix + "_" + c.command);
        a->setStatusTip(c.hint);
        if (*c.shortcut) {
            a->setShortcut(QKeySequence(c.shortcut));
            a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            owner->addAction(a);
        }
        const std::string command = c.command;
        QObject::connect(a, &QAction::triggered, owner, [run, command] { run(command); });
    }
    return menu;
}

std::optional<int> askrownumber(QWidget* parent, const QString& caption, const QString& prompt, int count,
                                const std::function<void()>& outofrange) {
    for (int tries = 0; tries < 100; ++tries) {
        bool ok = false;
        const int r = QInputDialog::getInt(parent, caption, prompt, 1, -1000000, 1000000, 1, &ok);
        if (!ok) return std::nullopt;
        if (r >= 1 && r <= count) return r;
        outofrange();
    }
    return std::nullopt;
}

void putblock(const QString& mimetype, const std::vector<uint8_t>& block) {
    auto* mime = new QMimeData;
    mime->setData(mimetype, QByteArray(reinterpret_cast<const char*>(block.data()), qsizetype(block.size())));
    QApplication::clipboard()->setMimeData(mime);
}

std::optional<std::vector<uint8_t>> clipboardblock(const QString& mimetype) {
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    if (!mime || !mime->hasFormat(mimetype)) return std::nullopt;
    const QByteArray data = mime->data(mimetype);
    return std::vector<uint8_t>(data.begin(), data.end());
}

}  // namespace zefo::gui
