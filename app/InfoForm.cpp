#include "app/InfoForm.h"

#include "app/MainFormDialogs.h"

#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QUrlQuery>
#include <QVBoxLayout>

namespace {

QLabel* MakeLabel(const QString& text, int points, bool bold, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(points);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

QFrame* MakeRule(QWidget* parent)
{
    auto* rule = new QFrame(parent);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    return rule;
}

} // namespace

TInfoForm::TInfoForm(QWidget* parent, TMainFormDialogs& dialogs)
    : QDialog(parent)
    , dialogs_(dialogs)
{
    setObjectName(QStringLiteral("InfoForm"));
    setWindowTitle(tr("Info"));
    setFixedSize(297, 327);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 8);
    layout->setSpacing(2);

    layout->addWidget(MakeLabel(QStringLiteral("Dabrix"), 24, true, this));
    layout->addWidget(MakeLabel(tr("Basic Edition"), 12, true, this));

    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(MakeLabel(tr("Version"), 12, false, this));
    LabelVersion = MakeLabel(QString(), 12, false, this);
    LabelVersion->setObjectName(QStringLiteral("LabelVersion"));
    versionRow->addWidget(LabelVersion);
    versionRow->addStretch();
    layout->addLayout(versionRow);

    auto* legalRow = new QHBoxLayout;
    auto* legalLines = new QVBoxLayout;
    auto* legal = new QLabel(tr("Copyright \u00a9 2025 Dabrix Messtechnik GmbH"), this);
    legal->setWordWrap(true);
    legalLines->addWidget(legal);
    // The licence's notice for an interactive program: free software, no warranty, and
    // where to read the licence.
    LabelLicence = new QLabel(this);
    LabelLicence->setObjectName(QStringLiteral("LabelLicence"));
    LabelLicence->setWordWrap(true);
    LabelLicence->setTextFormat(Qt::RichText);
    LabelLicence->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    LabelLicence->setText(tr("Free software under the %1, without any warranty.")
                              .arg(QStringLiteral("<a href=\"%1\">%2</a>")
                                       .arg(LicenceUrl().toString(QUrl::FullyEncoded),
                                            tr("GNU GPL, version 3 or later").toHtmlEscaped())));
    QFont small = LabelLicence->font();
    small.setPointSize(8);
    LabelLicence->setFont(small);
    legalLines->addWidget(LabelLicence);
    legalRow->addLayout(legalLines, 1);
    BitBtn1 = new QPushButton(tr("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    legalRow->addWidget(BitBtn1, 0, Qt::AlignRight | Qt::AlignBottom);
    layout->addLayout(legalRow);

    layout->addWidget(MakeRule(this));

    // The maker's block: a two-colour word mark over a red dotted rule, then the contacts.
    auto* block = new QFrame(this);
    block->setFrameShape(QFrame::Box);
    block->setFrameShadow(QFrame::Sunken);
    auto* blockLayout = new QVBoxLayout(block);
    blockLayout->setContentsMargins(8, 4, 8, 4);
    blockLayout->setSpacing(0);

    auto* mark = MakeLabel(QString(), 16, true, block);
    mark->setTextFormat(Qt::RichText);
    mark->setText(QStringLiteral("<span style=\"color:#808080\">Dabrix</span>"
                                 "<span style=\"color:#000000\">Messtechnik</span>"));
    mark->setAccessibleName(QStringLiteral("Dabrix Messtechnik"));
    blockLayout->addWidget(mark);
    auto* dotted = new QFrame(block);
    dotted->setFixedHeight(2);
    dotted->setStyleSheet(QStringLiteral("border-top: 2px dotted #d00000;"));
    blockLayout->addWidget(dotted);

    const QStringList lines = {
        tr("Measuring made simple."),
        QStringLiteral("Musterweg 12"),
        QStringLiteral("D-12345 Musterstadt"),
        tr("Phone: +49 (0)1234 56789-0"),
        tr("Fax: +49 (0)1234 56789-9"),
        tr("E-mail: %1").arg(ContactAddress()),
        tr("Web: www.dabrix.example"),
    };
    for (const QString& line : lines) {
        auto* label = new QLabel(line, block);
        QFont font = label->font();
        font.setPointSize(8);
        label->setFont(font);
        blockLayout->addWidget(label);
    }
    EMAIL = new QPushButton(tr("Contact"), block);
    EMAIL->setObjectName(QStringLiteral("EMAIL"));
    EMAIL->setToolTip(ContactAddress());
    EMAIL->setAutoDefault(false);
    blockLayout->addWidget(EMAIL, 0, Qt::AlignRight);
    layout->addWidget(block, 1);

    connect(BitBtn1, &QPushButton::clicked, this, &TInfoForm::BitBtn1Click);
    connect(EMAIL, &QPushButton::clicked, this, &TInfoForm::EMAILClick);
    connect(LabelLicence, &QLabel::linkActivated, this, [this] { dialogs_.OpenUrl(LicenceUrl()); });
}

void TInfoForm::BitBtn1Click()
{
    accept();
}

void TInfoForm::EMAILClick()
{
    // A mail program that cannot be started fails silently.
    dialogs_.OpenUrl(ContactUrl());
}

QString TInfoForm::ContactAddress()
{
    return QStringLiteral("info@dabrix.example");
}

QUrl TInfoForm::LicenceUrl()
{
    // Debian's copy where there is one: readable without a network.
    const QString local = QStringLiteral("/usr/share/common-licenses/GPL-3");
    if (QFileInfo(local).isFile())
        return QUrl::fromLocalFile(local);
    return QUrl(QStringLiteral("https://www.gnu.org/licenses/gpl-3.0.html"));
}

QUrl TInfoForm::ContactUrl()
{
    QUrl url(QStringLiteral("mailto:") + ContactAddress());
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), QStringLiteral("Dabrix"));
    url.setQuery(query);
    return url;
}
