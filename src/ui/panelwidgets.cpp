#include "ui/panelwidgets.h"

#include "base/textids.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vexa {

QLabel *MakeInfoLabel(QWidget *parent, const char *name, int textId)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    if (textId != 0) {
        label->setText(QString::number(textId));
        SetTextIds(label, textId);
    }
    return label;
}

QPushButton *MakeInfoButton(QWidget *parent, const QString &name, int captionId, int toolTipId)
{
    auto *button = new QPushButton(QString::number(captionId), parent);
    button->setObjectName(name);
    SetTextIds(button, captionId, toolTipId);
    return button;
}

QGridLayout *MakeInfoGrid(QWidget *panel)
{
    auto *grid = new QGridLayout(panel);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(2);
    return grid;
}

void PlaceInFrame(QWidget *frame, QWidget *panel)
{
    auto *layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panel);
}

void SetLabelNow(QLabel *label, const QString &text)
{
    label->setText(text);
    label->repaint();
}

}  // namespace vexa
