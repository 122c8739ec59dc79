#pragma once

#include "sources/keywordgenerator.h"

#include <QDialog>

class AppContext;
class GeneratedListWidget;
class HelpBalloonWidget;
class QLabel;
class QTabWidget;
class NameListModel;
class QPlainTextEdit;
class QRadioButton;

inline const QString kKeywordGeneratorCaption = QStringLiteral("Generate domains based on keywords");
inline const QString kKeywordHelpText = QStringLiteral(
    "You only need to fill in the boxes (Beginning, Middle, End) that you want to use. For example, if you "
    "only want to generate domains based on one list of keywords, then only enter the words in one of the "
    "three boxes and clear the other ones. Only enter words in more than one box, if you want to combine the "
    "words in the different boxes with each other. Use one of the three options below to chose on how to "
    "separate the generated domains.");

// "Generate domains based on keywords": words of three boxes combined with the
// ticked TLDs into a list of generated names, saved to a file or handed to the
// main list. The window lives for the whole program: "Close" only hides it, so
// words, ticks and generated names wait for the next opening. Its close box
// destroys it instead; whoever opens it next builds a new one.
class KeywordGeneratorWindow : public QDialog
{
    Q_OBJECT
public:
    // `separator` is the option to start with; the window keeps the program's
    // separator option in step with its choice from then on.
    KeywordGeneratorWindow(AppContext &context, KeywordSeparator separator = KeywordSeparator::Both,
                           QWidget *parent = nullptr);

    // Adds TLD rows (lower-cased, unticked); a TLD already listed is skipped.
    void addTlds(const QStringList &tlds);

    KeywordSeparator separator() const;
    void setSeparator(KeywordSeparator separator);

    NameListModel &tldList() const { return *m_tlds; }
    NameListModel &generatedList() const;

    // The commands of the window's own buttons; those of the generated list
    // are the list's.
    void generate();
    void closeWindow();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QTabWidget *createWordTabs(QLabel **tellMore);
    QWidget *createTldFrame();

    AppContext &m_context;
    QPlainTextEdit *m_boxes[3];
    QRadioButton *nosep1;
    QRadioButton *hyph1;
    QRadioButton *both1;
    NameListModel *m_tlds;
    GeneratedListWidget *m_generated;
    HelpBalloonWidget *m_balloon;
};
