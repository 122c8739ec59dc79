#include "widgetprompter.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

namespace {

QMessageBox::Icon boxIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Exclamation:
        return QMessageBox::Warning;
    case PromptIcon::Critical:
        return QMessageBox::Critical;
    case PromptIcon::Information:
        break;
    }
    return QMessageBox::Information;
}

void showMessage(QMessageBox::Icon icon, const QString &title, const QString &text, QWidget *parent)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace

QWidget *WidgetPrompter::dialogParent()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget *active = QApplication::activeWindow())
        return active;
    // Between two windows (one just closed, the next not yet up) none is
    // active; the program's window owns the message then, so it opens over it
    // rather than wherever the desktop puts a window of its own.
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->inherits("QMainWindow"))
            return window;
    }
    return nullptr;
}

bool WidgetPrompter::askYesNo(const QString &title, const QString &text, PromptIcon icon, bool defaultYes)
{
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::Yes | QMessageBox::No, dialogParent());
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void WidgetPrompter::inform(const QString &title, const QString &text)
{
    showMessage(QMessageBox::Information, title, text, dialogParent());
}

void WidgetPrompter::warn(const QString &title, const QString &text)
{
    showMessage(QMessageBox::Warning, title, text, dialogParent());
}

void WidgetPrompter::fail(const QString &title, const QString &text)
{
    showMessage(QMessageBox::Critical, title, text, dialogParent());
}

QString WidgetPrompter::chooseOpenFile(const QString &title, const QString &filter)
{
    return QFileDialog::getOpenFileName(dialogParent(), title, QString(), toQtFilter(filter));
}

QString WidgetPrompter::chooseSaveFile(const QString &title, const QString &filter)
{
    return QFileDialog::getSaveFileName(dialogParent(), title, QString(), toQtFilter(filter));
}

QString WidgetPrompter::toQtFilter(const QString &filter)
{
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    if (filter.trimmed().isEmpty())
        return {};
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString description = parts[i];
        description.remove(trailingPatterns);
        description = description.trimmed();
        QStringList patterns;
        if (i + 1 < parts.size()) {
            for (const QString &pattern : parts[i + 1].split(u';', Qt::SkipEmptyParts)) {
                const QString p = pattern.trimmed();
                if (!p.isEmpty())
                    patterns << (p == QLatin1String("*.*") ? QStringLiteral("*") : p);
            }
        }
        if (patterns.isEmpty())
            patterns << QStringLiteral("*");
        if (description.isEmpty())
            description = patterns.join(u' ');
        out << description + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return out.join(QStringLiteral(";;"));
}

void openUrlInShell(const QUrl &url)
{
    // A missing browser or mail program is not worth a message.
    QDesktopServices::openUrl(url);
}
