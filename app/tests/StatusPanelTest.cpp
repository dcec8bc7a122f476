// A status panel draws each text once and repaints from that drawing: what it shows must
// be what a plain QLabel with the image on top shows, for every text, image, font and
// direction, and after the text, image or palette changes.
#include "app/Images.h"
#include "app/StatusPanel.h"

#include <QImage>
#include <QLabel>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// The label as Qt draws it, with the image painted over its left end.
class LabelWithImage : public QLabel {
public:
    explicit LabelWithImage(QWidget* parent) : QLabel(parent) {}
    QIcon image;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QLabel::paintEvent(event);
        if (image.isNull())
            return;
        QPainter painter(this);
        const QRect area = contentsRect();
        image.paint(&painter, QRect(area.left() + 4, area.top() + (area.height() - 16) / 2, 16, 16));
    }
};

QImage Shown(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Both in one shown window, the panel above the label, as the status bar holds its panels.
class StatusPanelTest : public ::testing::Test {
protected:
    StatusPanelTest()
    {
        reference.setFrameShape(QFrame::Panel);
        reference.setFrameShadow(QFrame::Sunken);
        reference.setTextFormat(Qt::PlainText);
        reference.move(0, 60);
        window.resize(500, 120);
        window.show();
    }

    // Sets both alike (the image only when it changes, as the window does), then the
    // caller compares what they show.
    void Set(const QString& text, const QIcon& image)
    {
        panel.setText(text);
        reference.setText(text);
        if (image.cacheKey() != panel.Image().cacheKey()) {
            panel.SetImage(image);
            reference.image = image;
            reference.setIndent(image.isNull() ? -1 : 24);
        }
        reference.setFixedSize(panel.size());
    }

    bool SameAsLabel(const char* what)
    {
        const QImage shown = Shown(panel);
        const QImage expected = Shown(reference);
        EXPECT_EQ(shown.size(), expected.size()) << what;
        const bool same = shown == expected;
        EXPECT_TRUE(same) << what << ": the panel differs from the label";
        return same;
    }

    const QIcon searchingImage = ImageListIcon(ImageSearching);
    const QIcon disconnectedImage = ImageListIcon(ImageDisconnected);
    const QIcon connectedImage = ImageListIcon(ImageConnected);
    QWidget window;
    TStatusPanel panel{300, &window};
    LabelWithImage reference{&window};
};

TEST_F(StatusPanelTest, ShowsWhatALabelShowsForEveryTextImageFontAndDirection)
{
    const std::vector<QString> texts = {QStringLiteral("Search device..."), QString(),
                                        QStringLiteral("Connected...     Lakmo 450 (COM3)"),
                                        QStringLiteral("Verbunden...     Überlänge jenseits der Breite des Feldes 1234567890"),
                                        QStringLiteral("\u05D7\u05D9\u05E4\u05D5\u05E9 COM3...")};
    const QFont normal = panel.font();
    QFont large = normal;
    large.setPointSize(large.pointSize() + 3);
    large.setBold(true);
    for (const bool rightToLeft : {false, true}) {
        for (const QFont& font : {normal, large}) {
            panel.setFont(font);
            reference.setFont(font);
            panel.setLayoutDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
            reference.setLayoutDirection(panel.layoutDirection());
            for (const QIcon& image : {QIcon(), searchingImage}) {
                for (const QString& text : texts) {
                    Set(text, image);
                    const QByteArray what = QStringLiteral("\"%1\", %2, %3, %4")
                                                .arg(text, image.isNull() ? "no image" : "image",
                                                     font.bold() ? "large font" : "default font",
                                                     rightToLeft ? "right to left" : "left to right")
                                                .toUtf8();
                    if (!SameAsLabel(what.constData()))
                        return;
                }
            }
        }
    }
}

// The drawings are kept: a blink back to the earlier text, and every change that alters the
// drawing, must still show what the label shows.
TEST_F(StatusPanelTest, AKeptDrawingNeverOutlivesWhatItShows)
{
    const QString searching = QStringLiteral("Search device...");
    Set(searching, searchingImage);
    struct Step {
        const char* what;
        std::function<void()> make;
    };
    const std::vector<Step> steps = {
        {"blank", [&] { Set(QString(), searchingImage); }},
        {"shown again", [&] { Set(searching, searchingImage); }},
        {"blank again", [&] { Set(QString(), searchingImage); }},
        {"a third text", [&] { Set(QStringLiteral("Disconnected"), disconnectedImage); }},
        {"the same text with another image", [&] { Set(QStringLiteral("Disconnected"), connectedImage); }},
        {"the image removed", [&] { Set(QStringLiteral("Disconnected"), QIcon()); }},
        {"another palette",
         [&] {
             QPalette palette = panel.palette();
             palette.setColor(QPalette::WindowText, Qt::darkRed);
             panel.setPalette(palette);
             reference.setPalette(palette);
         }},
        {"disabled",
         [&] {
             panel.setEnabled(false);
             reference.setEnabled(false);
         }},
        {"wider",
         [&] {
             panel.setFixedWidth(420);
             reference.setFixedSize(panel.size());
         }},
    };
    for (const Step& step : steps) {
        step.make();
        if (!SameAsLabel(step.what))
            return;
    }
}

} // namespace
