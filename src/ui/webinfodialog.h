#pragma once

#include <QDialog>
#include <QLabel>

class QPushButton;

namespace vexa {

// An address the user clicks: looks like a link, says clicked().
class AddressLabel : public QLabel {
    Q_OBJECT
public:
    explicit AddressLabel(const QString &address, QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

// frmWebInfo, the contact box: where to send a bug report and where the
// home page is. Clicking an address says where to go, in a message box.
// Interface thread only.
class WebInfoDialog : public QDialog {
    Q_OBJECT
public:
    explicit WebInfoDialog(QWidget *parent = nullptr);

    AddressLabel *lblBugAddress() const { return m_lblBugAddress; }
    AddressLabel *lblHomeAddress() const { return m_lblHomeAddress; }
    QPushButton *cmdOk() const { return m_cmdOk; }

private:
    AddressLabel *m_lblBugAddress = nullptr;
    AddressLabel *m_lblHomeAddress = nullptr;
    QPushButton *m_cmdOk = nullptr;
};

// Help > Webpresence: the contact box, modal over the window.
void ShowWebInfoDialog(QWidget *parent);

}  // namespace vexa
