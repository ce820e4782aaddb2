#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vexa {

// frmOptions, the program settings: the recycle bin and the program
// language. There is no Cancel: every change is stored when it is made.
// Interface thread only.
class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit OptionsDialog(QWidget *parent = nullptr);

    // True from the start of the load until the dialog is first shown; a
    // language chosen meanwhile is stored without the restart message.
    bool isLoading() const { return m_loading; }

    QCheckBox *chkRecycleBin() const { return m_chkRecycleBin; }
    QComboBox *cboLanguage() const { return m_cboLanguage; }
    QPushButton *cmdOk() const { return m_cmdOk; }
    // Keep-best's rule: its keys in order ("pixels,size,oldest,shortest")
    // and a preferred directory, each stored when editing ends; keys that
    // do not parse are put back as stored.
    QLineEdit *txtKeepRule() const { return m_txtKeepRule; }
    QLineEdit *txtKeepPreferred() const { return m_txtKeepPreferred; }

protected:
    void showEvent(QShowEvent *event) override;
    // F1 opens the help at the focused control's topic; the controls leave
    // the key to the dialog.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void load();
    void recycleBinClicked();
    void languageChosen(int index);
    void keepRuleEdited();
    void keepPreferredEdited();

    bool m_loading = true;
    QCheckBox *m_chkRecycleBin = nullptr;
    QLabel *m_lblLanguage = nullptr;
    QComboBox *m_cboLanguage = nullptr;
    QPushButton *m_cmdOk = nullptr;
    QLineEdit *m_txtKeepRule = nullptr;
    QLineEdit *m_txtKeepPreferred = nullptr;
};

// Program > Options: the dialog, modal over the window.
void ShowOptionsDialog(QWidget *parent);

}  // namespace vexa
