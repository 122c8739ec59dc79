#pragma once

#include "lookup/whoislookup.h"

#include <QDialog>

class AppContext;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "Manual Whois Lookup": the raw reply of one WHOIS server for one name.
// Widgets carry object names for tests: domainEdit, serverCombo, responseEdit,
// statusLabel, overrideCheck, getServersButton, startButton, closeButton,
// helpLabel.
class ManualLookupWindow : public QDialog
{
    Q_OBJECT
public:
    explicit ManualLookupWindow(AppContext &context, QWidget *parent = nullptr);
    ~ManualLookupWindow() override;

    // Opening for a main-list row: puts the domain in, gets its servers and
    // starts at once; without servers shows "There are no whois servers for the
    // domain supplied." Returns false in that case.
    bool openForDomain(const QString &domain);

    // Fills the server box for the typed domain ("Get servers").
    void getservers();
    // Runs one lookup ("Start", or Enter in the domain box).
    void start();

    // The time-out of one lookup (20 s unless a test shortens it).
    void setTimeoutMs(int ms) { m_lookup.setTimeoutMs(ms); }
    // The reply as put into the response box, CR LF line ends included.
    QString responseText() const { return m_responseText; }
    QString statusText() const;

    void done(int result) override;

private:
    void onDomainReturn();
    void onFinished(WhoisLookup::Outcome outcome);
    void setStatus(const QString &text);

    AppContext &m_context;
    WhoisLookup m_lookup;
    QString m_responseText;

    QLineEdit *m_domain;
    QComboBox *m_server;
    QPlainTextEdit *m_response;
    QLabel *m_status;
    QCheckBox *m_override;
    QPushButton *m_getServers;
    QPushButton *m_start;
    QPushButton *m_close;
};
