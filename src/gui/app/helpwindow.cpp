#include "gui/app/helpwindow.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

// The manual is compiled into the program library; its resources are registered on first use.
static void inithelpresources() { Q_INIT_RESOURCE(help); }

namespace zefo::gui {

namespace {

QString pagetext(const char* page) {
    QFile f(page);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QTextDocument doc;
    doc.setHtml(QString::fromUtf8(f.readAll()));
    return doc.toPlainText();
}

int topicindex(const QString& title) {
    const auto& topics = helptopics();
    for (size_t i = 0; i < topics.size(); ++i)
        if (title == topics[i].title) return static_cast<int>(i);
    return -1;
}

}  // namespace

const std::vector<HelpTopic>& helptopics() {
    static const std::vector<HelpTopic> topics = {
        {"Contents", ":/help/index.html"},
        {"Starting ZEFO", ":/help/start.html"},
        {"Opening and saving a lens", ":/help/files.html"},
        {"The menus", ":/help/menus.html"},
        {"Report windows and report files", ":/help/reports.html"},
        {"Printing", ":/help/printing.html"},
        {"The command log", ":/help/log.html"},
        {"The status line", ":/help/status.html"},
        {"How to Use Help", ":/help/howtouse.html"},
    };
    return topics;
}

QStringList searchhelp(const QString& key) {
    inithelpresources();
    QStringList out;
    for (const auto& t : helptopics())
        if (key.trimmed().isEmpty() || pagetext(t.page).contains(key.trimmed(), Qt::CaseInsensitive))
            out << t.title;
    return out;
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    inithelpresources();
    setObjectName("HelpWindow");
    setWindowTitle("ZEFO Help");
    tabs_ = new QTabWidget;
    contents_ = new QListWidget;
    contents_->setObjectName("HelpContents");
    for (const auto& t : helptopics()) contents_->addItem(t.title);
    tabs_->addTab(contents_, "&Contents");

    auto* searchpage = new QWidget;
    auto* searchlay = new QVBoxLayout(searchpage);
    searchlay->addWidget(new QLabel("&Type the word to look for:"));
    key_ = new QLineEdit;
    key_->setObjectName("HelpKey");
    key_->setClearButtonEnabled(true);
    static_cast<QLabel*>(searchlay->itemAt(0)->widget())->setBuddy(key_);
    searchlay->addWidget(key_);
    hits_ = new QListWidget;
    hits_->setObjectName("HelpHits");
    searchlay->addWidget(hits_);
    tabs_->addTab(searchpage, "&Search");

    browser_ = new QTextBrowser;
    browser_->setObjectName("HelpBrowser");
    browser_->setOpenLinks(true);
    browser_->setSearchPaths({":/help"});

    auto* split = new QSplitter;
    split->addWidget(tabs_);
    split->addWidget(browser_);
    split->setStretchFactor(1, 1);
    split->setSizes({250, 610});
    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(4, 4, 4, 4);
    lay->addWidget(split);
    resize(900, 620);

    connect(contents_, &QListWidget::currentRowChanged, this, &HelpWindow::showtopic);
    connect(key_, &QLineEdit::textChanged, this, &HelpWindow::runsearch);
    connect(hits_, &QListWidget::currentTextChanged, this, [this](const QString& title) {
        const int i = topicindex(title);
        if (i < 0) return;
        browser_->setSource(QUrl(QString("qrc") + helptopics()[i].page));
        if (!key_->text().trimmed().isEmpty()) browser_->find(key_->text().trimmed());
    });
    runsearch();
}

void HelpWindow::showtopic(int index) {
    if (index < 0 || index >= static_cast<int>(helptopics().size())) return;
    browser_->setSource(QUrl(QString("qrc") + helptopics()[index].page));
}

void HelpWindow::showcontents() {
    tabs_->setCurrentIndex(0);
    contents_->setCurrentRow(0);
    showtopic(0);
}

void HelpWindow::showsearch(const QString& key) {
    tabs_->setCurrentIndex(1);
    key_->setText(key);
    runsearch();
    key_->setFocus();
    if (browser_->source().isEmpty()) showtopic(0);
}

void HelpWindow::showhowtouse() {
    tabs_->setCurrentIndex(0);
    contents_->setCurrentRow(topicindex("How to Use Help"));
}

void HelpWindow::runsearch() {
    hits_->clear();
    hits_->addItems(searchhelp(key_->text()));
}

}  // namespace zefo::gui
