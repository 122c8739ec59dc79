#pragma once

#include <QDialog>

class AppContext;

// "Manual Whois Lookup": the raw reply of one WHOIS server for one name.
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

private:
    AppContext &m_context;
};
