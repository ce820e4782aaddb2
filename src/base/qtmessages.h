#pragma once

#include "base/messages.h"

namespace vexa {

// The message seam of the desktop program: QMessageBox and QInputDialog.
class QtMessages : public MessageSeam {
public:
    MsgResult show(
        const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons) override;
    bool prompt(const QString &text, const QString &title, QString &value) override;
};

}  // namespace vexa
