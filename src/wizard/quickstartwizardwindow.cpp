#include "quickstartwizardwindow.h"

#include "engine/appcontext.h"
#include "widgets/widgetunits.h"
#include "wizard/quickstart.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

using namespace wizardtexts;

namespace {

QLabel *makeHeading(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.4);
    label->setFont(font);
    return label;
}

QLabel *makeText(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QWidget *makePage(const QString &name, QWidget *parent)
{
    auto *page = new QWidget(parent);
    page->setObjectName(name);
    return page;
}

void paintRow(QWidget *widget, const int (&rgb)[3], bool bold)
{
    QPalette palette = widget->palette();
    const QColor colour(rgb[0], rgb[1], rgb[2]);
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
    QFont font = widget->font();
    font.setBold(bold);
    widget->setFont(font);
}

// The summary box shows plain line breaks.
QString displayText(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

QuickStartWizardWindow::QuickStartWizardWindow(AppContext &context, std::function<void()> openSources,
                                               std::function<void()> startCheckRun, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
    , m_openSources(std::move(openSources))
    , m_startCheckRun(std::move(startCheckRun))
    , m_pages(new QStackedWidget(this))
    , m_speeds(new QButtonGroup(this))
    , m_summaryBox(new QPlainTextEdit(this))
    , m_back(new QPushButton(kBack, this))
    , m_next(new QPushButton(kNext, this))
    , m_close(new QPushButton(kClose, this))
    , m_dontShow(new QCheckBox(kDontShow, this))
{
    setObjectName(QStringLiteral("quickStartWizard"));
    setWindowTitle(kTitle);
    if (parent)
        setWindowIcon(parent->windowIcon());
    m_pages->setObjectName(QStringLiteral("pages"));

    for (QWidget *page : {createIntroPage(), createStep1Page(), createStep2Page(), createFinishPage()})
        m_pages->addWidget(page);

    m_back->setObjectName(QStringLiteral("backButton"));
    m_next->setObjectName(QStringLiteral("nextButton"));
    m_close->setObjectName(QStringLiteral("closeButton"));
    m_dontShow->setObjectName(QStringLiteral("dontShowCheck"));
    for (QPushButton *b : {m_back, m_next, m_close})
        b->setAutoDefault(false);
    m_next->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_dontShow);
    buttons->addStretch();
    buttons->addWidget(m_back);
    buttons->addWidget(m_next);
    buttons->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addLayout(buttons);
    resize(twipsToPixels(8400), twipsToPixels(5400));

    // As it loads: the medium speed, the intro, and the setting's "don't show" state.
    m_speedOptions[kDefaultConnectionSpeed]->setChecked(true);
    highlightSpeeds();
    showPage(Page::Intro);
    m_back->setEnabled(false);
    m_dontShow->setChecked(m_context.options.hideWizard);

    connect(m_dontShow, &QCheckBox::toggled, this, [this](bool on) { m_context.options.hideWizard = on; });
    connect(m_speeds, &QButtonGroup::idClicked, this, &QuickStartWizardWindow::highlightSpeeds);
    connect(m_next, &QPushButton::clicked, this, &QuickStartWizardWindow::next);
    connect(m_back, &QPushButton::clicked, this, &QuickStartWizardWindow::back);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
}

QWidget *QuickStartWizardWindow::createIntroPage()
{
    QWidget *intro = makePage(QStringLiteral("introPage"), m_pages);
    auto *introLayout = new QVBoxLayout(intro);
    introLayout->addWidget(makeHeading(kIntroHeading, intro));
    introLayout->addWidget(makeText(kIntroText, intro));
    introLayout->addStretch();
    introLayout->addWidget(makeText(kIntroNext, intro));
    return intro;
}

// Step 1: fill the list.
QWidget *QuickStartWizardWindow::createStep1Page()
{
    QWidget *step1 = makePage(QStringLiteral("step1Page"), m_pages);
    auto *addDomains = new QPushButton(kAddDomains, step1);
    addDomains->setObjectName(QStringLiteral("addDomainsButton"));
    addDomains->setAutoDefault(false);
    connect(addDomains, &QPushButton::clicked, this, [this] {
        if (m_openSources)
            m_openSources();
    });
    auto *step1Layout = new QVBoxLayout(step1);
    step1Layout->addWidget(makeHeading(kStep1Heading, step1));
    step1Layout->addWidget(makeText(kStep1Of2, step1));
    step1Layout->addWidget(makeText(kStep1Text, step1));
    step1Layout->addWidget(addDomains, 0, Qt::AlignLeft);
    step1Layout->addStretch();
    return step1;
}

// Step 2: the connection speed.
QWidget *QuickStartWizardWindow::createStep2Page()
{
    QWidget *step2 = makePage(QStringLiteral("step2Page"), m_pages);
    auto *step2Layout = new QVBoxLayout(step2);
    step2Layout->addWidget(makeHeading(kStep2Heading, step2));
    step2Layout->addWidget(makeText(kStep2Of2, step2));
    step2Layout->addWidget(makeText(kStep2Text, step2));
    auto *table = new QGridLayout;
    auto *speedHeader = new QLabel(kSpeedColumn, step2);
    auto *typeHeader = new QLabel(kTypeColumn, step2);
    for (QLabel *header : {speedHeader, typeHeader}) {
        QFont font = header->font();
        font.setBold(true);
        header->setFont(font);
    }
    table->addWidget(speedHeader, 0, 0);
    table->addWidget(typeHeader, 0, 1);
    for (int i = 0; i < kConnectionSpeedCount; ++i) {
        const ConnectionSpeed &speed = connectionSpeeds()[static_cast<size_t>(i)];
        auto *option = new QRadioButton(speed.option, step2);
        option->setObjectName(QStringLiteral("speed%1").arg(i));
        auto *type = new QLabel(speed.type, step2);
        type->setObjectName(QStringLiteral("type%1").arg(i));
        m_speeds->addButton(option, i);
        m_speedOptions.append(option);
        m_typeLabels.append(type);
        table->addWidget(option, i + 1, 0);
        table->addWidget(type, i + 1, 1);
    }
    table->setColumnStretch(1, 1);
    step2Layout->addLayout(table);
    step2Layout->addStretch();

    return step2;
}

// Finish: the summary.
QWidget *QuickStartWizardWindow::createFinishPage()
{
    QWidget *finish = makePage(QStringLiteral("finishPage"), m_pages);
    m_summaryBox->setParent(finish);
    m_summaryBox->setObjectName(QStringLiteral("summaryBox"));
    m_summaryBox->setAccessibleName(QStringLiteral("Your settings"));
    m_summaryBox->setReadOnly(true);
    auto *finishLayout = new QVBoxLayout(finish);
    finishLayout->addWidget(makeHeading(kFinishHeading, finish));
    finishLayout->addWidget(makeText(kFinishText, finish));
    finishLayout->addWidget(m_summaryBox, 1);

    return finish;
}

QuickStartWizardWindow::~QuickStartWizardWindow()
{
    if (m_setWizardMode)
        m_context.wizardMode = false;
}

QuickStartWizardWindow::Page QuickStartWizardWindow::page() const
{
    return static_cast<Page>(m_pages->currentIndex());
}

int QuickStartWizardWindow::chosenSpeed() const
{
    return m_speeds->checkedId();
}

void QuickStartWizardWindow::showPage(Page page)
{
    m_pages->setCurrentIndex(static_cast<int>(page));
}

void QuickStartWizardWindow::highlightSpeeds()
{
    for (int i = 0; i < kConnectionSpeedCount; ++i) {
        const bool chosen = m_speedOptions[i]->isChecked();
        paintRow(m_speedOptions[i], chosen ? kChosenSpeedRgb : kOtherSpeedRgb, chosen);
        paintRow(m_typeLabels[i], chosen ? kChosenSpeedRgb : kOtherSpeedRgb, chosen);
    }
}

void QuickStartWizardWindow::next()
{
    m_back->setEnabled(true);
    switch (page()) {
    case Page::Intro:
        showPage(Page::Step1);
        break;
    case Page::Step1:
        if (m_context.list.size() == 0) {
            m_context.prompter.warn(kProgramTitle, kEmptyListRefusal);
            break;
        }
        showPage(Page::Step2);
        break;
    case Page::Step2:
        showPage(Page::Finish);
        m_next->setText(kFinish);
        m_summary = quickStartSummary(m_context.list.size(), chosenSpeed());
        m_summaryBox->setPlainText(displayText(m_summary));
        break;
    case Page::Finish:
        applyQuickStartSettings(m_context.options, chosenSpeed());
        // Out of wizard mode before the run starts: the run is not the wizard's.
        hide();
        if (m_startCheckRun)
            m_startCheckRun();
        accept();
        break;
    }
}

void QuickStartWizardWindow::back()
{
    switch (page()) {
    case Page::Intro:
        break;
    case Page::Step1:
        showPage(Page::Intro);
        m_back->setEnabled(false);
        break;
    case Page::Step2:
        showPage(Page::Step1);
        break;
    case Page::Finish:
        m_next->setText(kNext);
        showPage(Page::Step2);
        break;
    }
}

void QuickStartWizardWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_context.wizardMode = true;
    m_setWizardMode = true;
}

void QuickStartWizardWindow::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    // Minimised is still open; only a real hide ends wizard mode.
    if (!event->spontaneous() && m_setWizardMode) {
        m_context.wizardMode = false;
        m_setWizardMode = false;
    }
}
