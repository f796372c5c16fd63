#include "gui/graphics/picturedialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "gui/graphics/graphwindow.h"

namespace zefo::gui {

namespace {

const char* const kPictureTypes[] = {"png", "svg", "bmp"};
const char* const kPictureFilters[] = {"PNG picture (*.png)", "SVG drawing (*.svg)", "Bitmap (*.bmp)"};

QSpinBox* pixelbox(int value) {
    auto* b = new QSpinBox;
    b->setRange(16, 10000);
    b->setSuffix(" px");
    b->setValue(value);
    return b;
}

}  // namespace

PictureDialog::PictureDialog(const QString& dir, const QString& name, QSize size, QWidget* parent)
    : QDialog(parent), dir_(dir) {
    setWindowTitle("Save Picture As");
    FileEdit = new QLineEdit(name);
    FileEdit->setMinimumWidth(320);
    auto* browse = new QPushButton("&Browse...");
    connect(browse, &QPushButton::clicked, this, &PictureDialog::browse);
    auto* fileline = new QHBoxLayout;
    fileline->addWidget(FileEdit, 1);
    fileline->addWidget(browse);
    TypeBox = new QComboBox;
    for (const char* f : kPictureFilters) TypeBox->addItem(f);
    // the type follows a picture extension typed in the name
    followextension(name);
    connect(FileEdit, &QLineEdit::textChanged, this, &PictureDialog::followextension);
    WidthEdit = pixelbox(size.width());
    HeightEdit = pixelbox(size.height());
    auto* form = new QFormLayout;
    auto* filelabel = new QLabel("File &name:");
    filelabel->setBuddy(FileEdit);
    form->addRow(filelabel, fileline);
    form->addRow("&Type:", TypeBox);
    form->addRow("&Width:", WidthEdit);
    form->addRow("&Height:", HeightEdit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QString PictureDialog::path() const {
    QString name = FileEdit->text().trimmed();
    if (name.isEmpty()) return {};
    if (QFileInfo(name).isRelative()) name = QDir(dir_).filePath(name);
    return picturefilename(name, kPictureTypes[std::max(0, TypeBox->currentIndex())]);
}

QSize PictureDialog::size() const { return QSize(WidthEdit->value(), HeightEdit->value()); }

void PictureDialog::browse() {
    QFileDialog d(this, "Save Picture As", dir_, QStringList(std::begin(kPictureFilters), std::end(kPictureFilters)).join(";;"));
    d.setAcceptMode(QFileDialog::AcceptSave);
    // the overwrite question comes once, when the picture is written
    d.setOption(QFileDialog::DontConfirmOverwrite);
    d.selectNameFilter(kPictureFilters[std::max(0, TypeBox->currentIndex())]);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return;
    const int type = static_cast<int>(QStringList(std::begin(kPictureFilters), std::end(kPictureFilters)).indexOf(d.selectedNameFilter()));
    if (type >= 0) TypeBox->setCurrentIndex(type);
    FileEdit->setText(d.selectedFiles().first());
}

void PictureDialog::followextension(const QString& name) {
    const QString ext = QFileInfo(name).suffix().toLower();
    for (int i = 0; i < 3; ++i)
        if (ext == kPictureTypes[i]) TypeBox->setCurrentIndex(i);
}

}  // namespace zefo::gui
