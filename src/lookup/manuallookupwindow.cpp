#include "manuallookupwindow.h"

#include "app/appcontext.h"

ManualLookupWindow::ManualLookupWindow(AppContext &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
{
    setWindowTitle(QStringLiteral("Manual Whois Lookup"));
}

ManualLookupWindow::~ManualLookupWindow() = default;

bool ManualLookupWindow::openForDomain(const QString &)
{
    return false;
}
