#include "app/StatusPanel.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

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
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
        FixHeight();
        ForgetDrawn();
        break;
    case QEvent::PaletteChange:
    case QEvent::EnabledChange:
    case QEvent::LayoutDirectionChange:
        ForgetDrawn();
        break;
    default:
        break;
    }
}

void TStatusPanel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    ForgetDrawn();
}

void TStatusPanel::SetImage(const QIcon& image)
{
    image_ = image;
    // The text moves right to make room for the image.
    setIndent(image_.isNull() ? -1 : kImageSize + 2 * kImageGap);
    ForgetDrawn();
    update();
}

void TStatusPanel::ForgetDrawn()
{
    drawn_ = {};
}

// As in QLabel, a text runs and is aligned in its own direction (a Latin text starts at the
// left end also where the window is laid out right to left).
Qt::Alignment TStatusPanel::TextAlignment() const
{
    return QStyle::visualAlignment(text().isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight, alignment());
}

// Where QLabel puts a one-line plain text: the contents less the margin, less the indent on
// the side the text is aligned to. A label with a frame and no indent of its own indents by
// half an 'x'.
QRect TStatusPanel::TextRect() const
{
    QRect rect = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    int inset = indent();
    if (inset < 0 && frameWidth() > 0)
        inset = fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - margin();
    if (inset > 0) {
        const Qt::Alignment align = TextAlignment();
        if (align & Qt::AlignLeft)
            rect.setLeft(rect.left() + inset);
        if (align & Qt::AlignRight)
            rect.setRight(rect.right() - inset);
        if (align & Qt::AlignTop)
            rect.setTop(rect.top() + inset);
        if (align & Qt::AlignBottom)
            rect.setBottom(rect.bottom() - inset);
    }
    return rect;
}

void TStatusPanel::Draw(QPainter& painter)
{
    drawFrame(&painter);
    const int flags = static_cast<int>(TextAlignment())
        | (text().isRightToLeft() ? Qt::TextForceRightToLeft : Qt::TextForceLeftToRight);
    style()->drawItemText(&painter, TextRect(), flags, palette(), isEnabled(), text(), foregroundRole());
    if (image_.isNull())
        return;
    const QRect area = contentsRect();
    const QRect target(area.left() + kImageGap, area.top() + (area.height() - kImageSize) / 2,
                       kImageSize, kImageSize);
    image_.paint(&painter, target);
}

const QPixmap& TStatusPanel::DrawnText()
{
    const qreal ratio = devicePixelRatioF();
    auto fits = [&](const Drawn& drawn) {
        return !drawn.pixmap.isNull() && drawn.text == text() && drawn.pixmap.devicePixelRatio() == ratio;
    };
    if (fits(drawn_[0]))
        return drawn_[0].pixmap;
    std::swap(drawn_[0], drawn_[1]);
    if (!fits(drawn_[0])) {
        QPixmap pixmap(size() * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setFont(font());
        painter.setLayoutDirection(layoutDirection());
        Draw(painter);
        painter.end();
        drawn_[0] = {text(), std::move(pixmap)};
    }
    return drawn_[0].pixmap;
}

void TStatusPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, DrawnText());
}
