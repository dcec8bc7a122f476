#include "app/StatusPanel.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

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
    FixHeight();
}

void TStatusPanel::FixHeight()
{
    // A panel of fixed size: a new text repaints the panel alone, without laying out and
    // repainting the whole status bar (the searching panel blinks once a second).
    setFixedHeight(std::max(kImageSize + 4, QLabel::sizeHint().height()));
}

void TStatusPanel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        FixHeight();
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
