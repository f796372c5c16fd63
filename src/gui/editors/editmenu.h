// What the editors' row menus share: the menu of six row commands (insert before/after,
// delete, cut, copy, paste), the number of the row a command works on, and the clipboard
// blocks under a private type per editor.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QMenu;
class QWidget;

namespace zefo::gui {

// One command of a row menu; `command` is before, after, delete, cut, copy or paste.
struct RowCommand {
    const char* caption;
    const char* shortcut;
    const char* hint;
    const char* command;
};

// A menu bar with one menu on `owner`'s layout; its actions are named "<prefix>_<command>"
// and their shortcuts work anywhere in the owner.
QMenu* addrowmenu(QWidget* owner, const QString& title, const QString& hint, const QString& prefix,
                  const std::vector<RowCommand>& commands, std::function<void(const std::string&)> run);

// Asks for a number 1 .. count in an input box until it is valid; none on Cancel.
std::optional<int> askrownumber(QWidget* parent, const QString& caption, const QString& prompt, int count,
                                const std::function<void()>& outofrange);

void putblock(const QString& mimetype, const std::vector<uint8_t>& block);
// The clipboard's block of this type, none when it holds none.
std::optional<std::vector<uint8_t>> clipboardblock(const QString& mimetype);

}  // namespace zefo::gui
