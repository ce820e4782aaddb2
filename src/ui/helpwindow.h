#pragma once

#include <QUrl>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTextBrowser;

namespace vexa {

// The program's help window: the help pages of the current language with a
// contents list, Back, Forward and search in the page. One window serves
// Help > Contents and F1 of the main window and the options dialog.
// Interface thread only.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget *parent = nullptr);

    // Shows the topic of a help context id (0: the contents page).
    void showTopic(int contextId);
    // Looks for text in the page from the cursor on, wrapping round once;
    // false (and the field marked) when the page does not hold it.
    bool findInPage(const QString &text, bool backward = false);

    int langOffset() const { return m_langOffset; }
    QUrl source() const;
    QTextBrowser *txtHelp() const { return m_txtHelp; }
    QListWidget *lstHelpContents() const { return m_lstContents; }
    QPushButton *cmdBack() const { return m_cmdBack; }
    QPushButton *cmdForward() const { return m_cmdForward; }
    QLineEdit *txtFind() const { return m_txtFind; }

private:
    void sourceChanged(const QUrl &url);

    int m_langOffset = 0;  // the language the window and its pages were made in
    QTextBrowser *m_txtHelp = nullptr;
    QListWidget *m_lstContents = nullptr;
    QPushButton *m_cmdContents = nullptr;
    QPushButton *m_cmdBack = nullptr;
    QPushButton *m_cmdForward = nullptr;
    QLabel *m_lblFind = nullptr;
    QLineEdit *m_txtFind = nullptr;
    QPushButton *m_cmdFindNext = nullptr;
    QPushButton *m_cmdFindPrevious = nullptr;
};

// The help window of the program, made on first use and again after the
// language changed; over a modal dialog it is modal itself, so it can be read
// and closed. Shows the topic of contextId and returns the window.
HelpWindow *ShowHelp(int contextId);
// F1: the topic of the focused control (or of the window when none has the
// focus).
HelpWindow *ShowHelpFor(const QWidget *focused, const QWidget *window);
// The window if it is open, for tests.
HelpWindow *OpenHelpWindow();
// The <title> of a help page resource, for the contents list.
QString HelpPageTitle(const QString &resourcePath);

}  // namespace vexa
