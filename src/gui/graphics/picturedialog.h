// The Save As dialog of a graph window: file name, picture type and picture size.
#pragma once

#include <QDialog>
#include <QSize>

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace zefo::gui {

class PictureDialog : public QDialog {
    Q_OBJECT
public:
    // dir: the folder a bare name goes into; name: the proposed file; size: the proposed size.
    PictureDialog(const QString& dir, const QString& name, QSize size, QWidget* parent = nullptr);

    // The file with the chosen type's extension (a bare name in dir), and the size.
    QString path() const;
    QSize size() const;

    QLineEdit* FileEdit;
    QComboBox* TypeBox;
    QSpinBox* WidthEdit;
    QSpinBox* HeightEdit;

private:
    void browse();
    void followextension(const QString& name);
    QString dir_;
};

}  // namespace zefo::gui
