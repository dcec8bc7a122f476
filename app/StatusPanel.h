#pragma once
// One panel of the main window's status bar: a fixed-width label that may carry a small
// image in front of its text. The text stays the label's own text, so screen readers
// read it.
#include <QIcon>
#include <QLabel>

class TStatusPanel : public QLabel {
    Q_OBJECT
public:
    TStatusPanel(int width, QWidget* parent);

    // A null icon removes the image.
    void SetImage(const QIcon& image);
    const QIcon& Image() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FixHeight();

    QIcon image_;
};
