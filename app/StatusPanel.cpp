#include "app/StatusPanel.h"

#include <QPainter>

namespace {
constexpr int kImageSize = 16;
constexpr int kImageGap = 4;
}

TStatusPanel::TStatusPanel(int width, QWidget* parent)
    : QLabel(parent)
{
    setFixedWidth(width);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setTextFormat(Qt::PlainText);
    setMinimumHeight(kImageSize + 4);
}

void TStatusPanel::SetImage(const QIcon& image)
{
    image_ = image;
    // The text moves right to make room for the image.
    setIndent(image_.isNull() ? -1 : kImageSize + 2 * kImageGap);
    update();
}

void TStatusPanel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (image_.isNull())
        return;
    QPainter painter(this);
    const QRect area = contentsRect();
    const QRect target(area.left() + kImageGap, area.top() + (area.height() - kImageSize) / 2,
                       kImageSize, kImageSize);
    image_.paint(&painter, target);
}
