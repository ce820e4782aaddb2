#pragma once

#include <QString>

class QGridLayout;
class QLabel;
class QPushButton;
class QWidget;

namespace vexa {

// The pieces the information panels are built from, so that every panel
// looks alike and takes its texts from the caption walk.

// A label named for the caption walk, captioned by textId when it has one.
QLabel *MakeInfoLabel(QWidget *parent, const char *name, int textId = 0);
// A button captioned and tool-tipped by text ids.
QPushButton *MakeInfoButton(QWidget *parent, const QString &name, int captionId, int toolTipId);
// The grid of a panel: columns 8 pixels apart, rows 2.
QGridLayout *MakeInfoGrid(QWidget *panel);
// Puts panel into frame as its only content, without margins of its own.
void PlaceInFrame(QWidget *frame, QWidget *panel);
// Sets the text and paints it at once: runs let events through only
// between files.
void SetLabelNow(QLabel *label, const QString &text);

}  // namespace vexa
