#pragma once

// The window tests' common ground: a program context (contextfixture.h), the
// window under test, and helpers that find its controls by their object names.
// Header only: it needs QtWidgets, which only the window tests link.

#include "app/mainwindow.h"
#include "support/contextfixture.h"
#include "support/modalwindows.h"
#include "support/testmain.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>
#include <QWidget>

#include <memory>
#include <utility>

using namespace Qt::StringLiterals;

template <typename Window> class WindowFixture : public ContextFixture
{
public:
    // The window goes before the context it works on.
    std::unique_ptr<Window> window;

    template <typename... Args> Window &open(Args &&...args)
    {
        window = std::make_unique<Window>(std::forward<Args>(args)...);
        return *window;
    }

    // The control named `name`; a name the window does not have stops the
    // test run at once, rather than as a crash further on.
    template <typename T = QWidget> T *find(const char *name) const
    {
        T *found = window->template findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no %s named %s", T::staticMetaObject.className(), name);
        return found;
    }
    void click(const char *button) const { QTest::mouseClick(find<QAbstractButton>(button), Qt::LeftButton); }
    QString text(const char *label) const { return find<QLabel>(label)->text(); }
    void setText(const char *box, const QString &text) const
    {
        if (auto *line = window->template findChild<QLineEdit *>(QLatin1String(box)))
            line->setText(text);
        else
            find<QPlainTextEdit>(box)->setPlainText(text);
    }
};

// The main window, the addresses it opens recorded. Started (the settings
// loaded, the window shown) without the quick start wizard unless asked not to.
struct MainWindowFixture : WindowFixture<MainWindow> {
    QList<QUrl> opened;
    explicit MainWindowFixture(bool started = true)
    {
        open(ctx, [this](const QUrl &url) { opened << url; });
        if (started) {
            ctx.options.hideWizard = true;
            window->startUp();
        }
    }
    // A test that pretends a run is going must not keep the window from closing.
    ~MainWindowFixture() { ctx.run.stopped = true; }
    void trigger(const char *name) const { window->action(QLatin1String(name))->trigger(); }
    QString panel(int number) const { return text(qPrintable(u"panel%1"_s.arg(number))); }
    QString panels() const { return QStringList{panel(1), panel(2), panel(3), panel(4)}.join(u'|'); }
};
