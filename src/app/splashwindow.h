#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace vexa {

// frmSplash: the start-up window with its progress line, and the about box.
class SplashWindow : public QDialog {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget *parent = nullptr);

    // Shows the text on the progress line and lets the event loop run once,
    // so it is painted before the next, possibly long, step.
    void SetStartupInfo(const QString &text);

    QString startupInfo() const;
    bool isAboutBox() const;

private:
    void load();

    QLabel *m_picture;
    QLabel *m_lblInfo;
    QLabel *m_lblAppTitle;
    QLabel *m_lblProdName;
    QLabel *m_lblVersion[2];
    QLabel *m_lblLegal;
    QPushButton *m_cmdOk;
};

// The about box: the splash window shown modally, with its OK button and the
// database version on the progress line.
void ShowAboutBox(QWidget *parent);

// "Database Version: 3.00" for a DBVersion of 300.
QString DatabaseVersionText(const QVariant &dbVersion);

}  // namespace vexa
