#pragma once

#include <QDialog>

class AppContext;
class GeneratedListWidget;
class NameListModel;
class QGroupBox;
class QLineEdit;
class QTreeView;

inline const QString kMisspellingGeneratorCaption = QStringLiteral("Generate Misspelled Domains");

// "Generate Misspelled Domains": known names, loaded from a file or typed in,
// turned into the typing mistakes users make on a QWERTY keyboard, to be saved
// or handed to the main list. Built anew for every opening; "Close" offers the
// generated names to the main list and ends it.
class MisspellingGeneratorWindow : public QDialog
{
    Q_OBJECT
public:
    explicit MisspellingGeneratorWindow(AppContext &context, QWidget *parent = nullptr);

    NameListModel &loadedList() const { return *m_loaded; }
    NameListModel &generatedList() const;

    // The commands of the window's buttons.
    void loadDomains();
    void addTyped();
    void generate();
    void closeWindow();

private:
    void showCount();
    void deleteLoaded();

    AppContext &m_context;
    QLineEdit *m_domainBox;
    QGroupBox *m_loadedFrame;
    QTreeView *m_loadedView;
    NameListModel *m_loaded;
    GeneratedListWidget *m_generated;
};
