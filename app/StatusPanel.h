#pragma once
// One panel of the main window's status bar: a fixed-width label that may carry a small
// image in front of its text. The text stays the label's own text, so screen readers
// read it.
//
// The searching panel blinks once a second for as long as a gauge is missing, so the panel
// draws each text once into a pixmap and repaints from it: a blink costs one pixmap copy,
// not a text layout, a frame and an image. It draws what QLabel draws for a plain one-line
// text (the tests compare the two).
#include <QIcon>
#include <QLabel>
#include <QPixmap>

#include <array>

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
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Drawn {
        QString text;
        QPixmap pixmap;
    };

    void FixHeight();
    const QPixmap& DrawnText();
    void Draw(QPainter& painter);
    Qt::Alignment TextAlignment() const;
    QRect TextRect() const;
    void ForgetDrawn();

    QIcon image_;
    // The texts drawn last (a blink alternates between two), the newest first.
    std::array<Drawn, 2> drawn_;
};
