#pragma once

#include "sources/fileimport.h"

#include <QDialog>

class AppContext;
class QPushButton;

inline const QString kDomainSourcesCaption = QStringLiteral("Add domains");
inline const QString kExtractNoteText =
    QStringLiteral("The extract function is designed for the list files of two domain back-order services: "
                   "names followed by a space and a date, or names among comma-separated fields.");

// Where new names are to come from, as chosen in the "Add domains" window.
enum class DomainSource { None, Keywords, Manual, WebSearch, Misspellings, LoadFile, ExtractFile };

// "Add domains": the hub from which the user picks a source of names. Every
// button ends the window; the opener then opens the chosen source, so this
// window is gone before the next one appears.
class DomainSourcesWindow : public QDialog
{
    Q_OBJECT
public:
    explicit DomainSourcesWindow(AppContext &context, QWidget *parent = nullptr);

    DomainSource chosenSource() const { return m_source; }

private:
    void choose(DomainSource source);

    DomainSource m_source = DomainSource::None;
};

// "Load from file.." and "Extract domains from file..": asks for a file and
// reads its names straight into the main list, with the stand-by window and
// its count line (unless the quick start wizard is open), the one-time
// many-rows question, and no closing message: what it did comes back as a
// line for the status bar (empty when no file was read). `owner` owns the
// stand-by window.
QString importDomainsFromFile(AppContext &context, ImportRule rule, QWidget *owner);
