#pragma once

#include "app/widgetprompter.h"

#include <QDialog>

class QLabel;
class QPushButton;

inline const QString kHomepageUrl = QStringLiteral("https://quorvane.example/");
inline const QString kSupportEmail = QStringLiteral("support@quorvane.example");
inline const QString kAboutContactText = QStringLiteral(
    "Feel free to contact us if you have any questions, comments or suggestions. All emails are read and "
    "replied to within 24-48 hours.");

// "About this program...": product, version, homepage and support address.
class AboutWindow : public QDialog
{
    Q_OBJECT
public:
    AboutWindow(const QString &productName, const QString &versionText, UrlOpener opener,
                QWidget *parent = nullptr);

private:
    UrlOpener m_opener;
};
