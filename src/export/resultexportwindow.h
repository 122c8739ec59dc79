#pragma once

#include "export/reportexport.h"

#include <QDateTime>
#include <QDialog>

#include <array>
#include <functional>

class AppContext;
class QCheckBox;
class QComboBox;
class QPushButton;

inline const QString kResultExportCaption = QStringLiteral("Save result");
inline const QString kIncludeColumnsCaption = QStringLiteral("Include these columns");
inline const QString kFileTypeCaption = QStringLiteral("Save file as type");

// "Save result": writes the whole list as a report with the chosen columns and
// file type. "Close" only hides it, so the choices last until the program ends.
// Widgets carry object names for tests: columnCheck0 to columnCheck6,
// fileTypeCombo, saveAsButton, closeButton.
class ResultExportWindow : public QDialog
{
    Q_OBJECT
public:
    explicit ResultExportWindow(AppContext &context, QWidget *parent = nullptr);

    report::Columns columns() const;
    report::Format format() const;

    // "Save as..": nothing on an empty list; otherwise asks for the file and
    // writes the report, or tells why it could not.
    void saveAs();

    // Where the page's date and time come from (the system clock unless a test
    // fixes it).
    void setNow(std::function<QDateTime()> now) { m_now = std::move(now); }

private:
    AppContext &m_context;
    std::array<QCheckBox *, report::kColumnCount> m_columns{};
    QComboBox *m_type;
    QPushButton *m_saveAs;
    QPushButton *m_close;
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTime(); };
};
