#include "aboutwindow.h"

#include "widgets/widgetunits.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kMakerLine = QStringLiteral("Domain availability checking for large lists");

const QString kLegalNotice = QStringLiteral(
    "This program is provided \"as is\", without warranty of any kind, express or implied, including but "
    "not limited to the warranties of merchantability, fitness for a particular purpose and "
    "non-infringement.\r\n\r\n"
    "WHOIS servers limit the number of queries they answer. You are responsible for using this program "
    "within the terms of use of the registries and WHOIS services you query.\r\n\r\n"
    "The availability shown for a domain is the interpretation of a WHOIS reply at the time of the check "
    "and is no guarantee that the domain can be registered.");

// A value that opens an address when clicked: a flat button, so it is reachable
// from the keyboard and by screen readers like any other button.
QPushButton *makeLink(const QString &text, const QString &objectName, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral("QPushButton { color: palette(link); text-decoration: underline; "
                                         "border: none; padding: 0px; text-align: left; }"));
    return button;
}

} // namespace

AboutWindow::AboutWindow(const QString &productName, const QString &versionText, UrlOpener opener,
                         QWidget *parent)
    : QDialog(parent)
    , m_opener(std::move(opener))
{
    setObjectName(QStringLiteral("aboutWindow"));
    setWindowTitle(QStringLiteral("About this program..."));
    if (parent)
        setWindowIcon(parent->windowIcon());

    auto *product = new QLabel(productName, this);
    product->setObjectName(QStringLiteral("productName"));
    QFont big = product->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.6);
    product->setFont(big);
    auto *maker = new QLabel(kMakerLine, this);
    maker->setObjectName(QStringLiteral("makerLine"));

    auto *version = new QLabel(versionText, this);
    version->setObjectName(QStringLiteral("versionText"));
    QPushButton *homepage = makeLink(kHomepageUrl, QStringLiteral("homepageLink"), this);
    QPushButton *email = makeLink(kSupportEmail, QStringLiteral("emailLink"), this);
    connect(homepage, &QPushButton::clicked, this, [this] {
        if (m_opener)
            m_opener(QUrl(kHomepageUrl));
    });
    connect(email, &QPushButton::clicked, this, [this] {
        if (m_opener)
            m_opener(QUrl(QStringLiteral("mailto:") + kSupportEmail));
    });

    auto *details = new QFormLayout;
    details->addRow(QStringLiteral("Version"), version);
    details->addRow(QStringLiteral("Homepage"), homepage);
    details->addRow(QStringLiteral("Support e-mail"), email);

    auto *contact = new QLabel(kAboutContactText, this);
    contact->setObjectName(QStringLiteral("contactText"));
    contact->setWordWrap(true);

    auto *legal = new QPlainTextEdit(this);
    legal->setObjectName(QStringLiteral("legalNotice"));
    legal->setReadOnly(true);
    legal->setPlainText(kLegalNotice);
    legal->setAccessibleName(QStringLiteral("Legal notice"));

    auto *done = new QPushButton(QStringLiteral("Done"), this);
    done->setObjectName(QStringLiteral("doneButton"));
    done->setDefault(true);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(done);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(product);
    layout->addWidget(maker);
    layout->addSpacing(8);
    layout->addLayout(details);
    layout->addWidget(contact);
    layout->addWidget(legal, 1);
    layout->addLayout(buttons);
    resize(twipsToPixels(6600), twipsToPixels(6000));
}
