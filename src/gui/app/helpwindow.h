// The help window: the program manual with a contents list, a keyword search and
// a page that explains the help window itself.
#pragma once

#include <QStringList>
#include <QWidget>
#include <vector>

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;

namespace zefo::gui {

struct HelpTopic {
    const char* title;
    const char* page;  // resource path of the HTML page
};

// The manual's pages in reading order.
const std::vector<HelpTopic>& helptopics();

// Titles of the topics whose text contains key (all topics for an empty key).
QStringList searchhelp(const QString& key);

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent);

    void showcontents();
    void showsearch(const QString& key);
    void showhowtouse();
    void showtopic(int index);

    QTextBrowser* browser() const { return browser_; }
    QListWidget* hits() const { return hits_; }
    QLineEdit* keyfield() const { return key_; }

private:
    void runsearch();

    QTabWidget* tabs_;
    QListWidget* contents_;
    QLineEdit* key_;
    QListWidget* hits_;
    QTextBrowser* browser_;
};

}  // namespace zefo::gui
