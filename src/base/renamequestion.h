#pragma once

#include <QString>

namespace vexa {

// frmQuestion, the rename dialog, as state and rules: the widgets (or the
// message seam's prompt) feed it the user's actions. Its two questions,
// 788 and 787, go through the message seam. Interface thread only.
class frmQuestion {
public:
    // Load: Rename cleared, waiting for the first activation.
    frmQuestion();

    // True when the dialog closed with an accepted new name.
    bool Rename() const { return m_rename; }
    QString NewFileName() const { return m_text; }

    // The first activation only: the shown name and its upper-case extension
    // are remembered (the whole text is selected by the widget).
    void Activate(const QString &shownText);
    // Every change of the text sets Rename.
    void TextChanged(const QString &text);
    // The focus leaves the text box: a name no file can have ("", ".", "..",
    // one with "/" or NUL) shows 788 and clears Rename; false then.
    bool Validate();
    // cmdOk: a changed extension asks 787 (No clears Rename); the unchanged
    // name clears Rename.
    void Ok();
    // cmdCancel.
    void Cancel();

    // The text from the last "." to the end, dot included; a name without a
    // dot is its own extension.
    static QString ExtensionOf(const QString &name);
    static bool IsValidFileName(const QString &name);

private:
    bool m_rename = false;
    bool m_firstActivation = true;
    QString m_text;
    QString m_rememberedExtension;
    QString m_rememberedName;
};

// The whole rename question for a file name: the modal prompt of the message
// seam (caption 700, question 701, the name given), then frmQuestion's rules
// on the answer. True with the new name when it is to be renamed. Shared by
// the tiles and the disk viewer.
bool AskNewFileName(const QString &fileName, QString &newName);

}  // namespace vexa
