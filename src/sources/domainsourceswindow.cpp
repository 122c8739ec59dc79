#include "domainsourceswindow.h"

#include "base/textfile.h"
#include "engine/appcontext.h"
#include "listops/standbywindow.h"
#include "sources/adddomain.h"
#include "sources/namelistfile.h"
#include "widgets/widgetunits.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

DomainSourcesWindow::DomainSourcesWindow(AppContext &context, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("domainSourcesWindow"));
    setWindowTitle(kDomainSourcesCaption);
    if (parent)
        setWindowIcon(parent->window()->windowIcon());
    // Names added from here get their TLD split by the current server table.
    context.run.suffixes.mylist(context.config.table.tlds());

    auto *heading = new QLabel(kDomainSourcesCaption, this);
    heading->setObjectName(QStringLiteral("heading"));
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.4);
    heading->setFont(headingFont);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    const struct {
        const char *name;
        const char *caption;
        DomainSource source;
    } buttons[] = {
        {"keywordsButton", "Generate domains based on keywords", DomainSource::Keywords},
        {"manualButton", "Add manually", DomainSource::Manual},
        {"webSearchButton", "Search the web for domains", DomainSource::WebSearch},
        {"misspellingsButton", "Generate misspelled domains", DomainSource::Misspellings},
        {"loadFileButton", "Load from file..", DomainSource::LoadFile},
        {"extractFileButton", "Extract domains from file..", DomainSource::ExtractFile},
    };
    for (const auto &b : buttons) {
        auto *button = new QPushButton(QLatin1String(b.caption), this);
        button->setObjectName(QLatin1String(b.name));
        button->setAutoDefault(false);
        const DomainSource source = b.source;
        connect(button, &QPushButton::clicked, this, [this, source] { choose(source); });
        layout->addWidget(button);
    }
    auto *note = new QLabel(kExtractNoteText, this);
    note->setObjectName(QStringLiteral("extractNote"));
    note->setWordWrap(true);
    layout->addWidget(note);
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    layout->addSpacing(twipsToPixels(120));
    layout->addWidget(close);

    setFixedWidth(twipsToPixels(5400));
}

void DomainSourcesWindow::choose(DomainSource source)
{
    m_source = source;
    accept();
}

QString importDomainsFromFile(AppContext &context, ImportRule rule, QWidget *owner)
{
    Prompter &prompter = context.prompter;
    const QString path = prompter.chooseOpenFile(kOpenNameListTitle, kNameListFilter);
    if (path.isEmpty())
        return {};
    LineReader reader(path, LineReader::Ends::AnyLineEnd, LineReader::Decoding::Utf8Names);
    if (QFileInfo(path).isDir() || !reader.open()) {
        const QString reason =
            QFileInfo(path).isDir() ? QStringLiteral("it is a folder") : reader.errorString();
        prompter.warn(kProgramTitle, kNameFileNotReadText.arg(path, reason));
        return {};
    }

    // While the quick start wizard is open the import runs without a stand-by
    // window and without yielding: nothing may act behind the wizard's back.
    std::unique_ptr<StandByWindow> standBy;
    if (!context.wizardMode) {
        standBy = std::make_unique<StandByWindow>(owner);
        // Modeless for the import, which goes on while it shows; but clicks
        // elsewhere are held off, since a command run from the events handled
        // below (a second import, clearing the list) would pull the list from
        // under the import.
        standBy->setWindowModality(Qt::ApplicationModal);
        standBy->show();
    }
    ExportToMain exporter(context.list, context.run.suffixes, prompter);
    std::function<void()> progress;
    if (standBy) {
        progress = [&] {
            standBy->show();
            standBy->setCount(context.list.size());
            // Repaints, and lets a check run's sockets and timers carry on.
            QCoreApplication::processEvents();
        };
    }
    const int before = context.list.size();
    const ImportResult result = importNames(reader, rule, exporter, progress, QFileInfo(path).size());
    exporter.finish();
    standBy.reset();
    if (reader.failed())
        prompter.warn(kProgramTitle, kNameFileNotReadText.arg(path, reader.errorString()));
    return importSummary(QFileInfo(path).fileName(), context.list.size() - before, result.rejected);
}
