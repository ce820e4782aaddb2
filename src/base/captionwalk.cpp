#include "base/captionwalk.h"

#include "base/errors.h"
#include "base/textids.h"
#include "base/texts.h"

#include <QAbstractItemModel>
#include <QAbstractSlider>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>

namespace vexa {

namespace {

using Done = QSet<const QAction *>;

std::optional<int> IdOf(const QObject *object, const char *property)
{
    return TextIdValue(object->property(property));
}

// For the steps whose failure ends the walk.
QString RequiredText(int id)
{
    if (std::optional<QString> text = FindText(id))
        return *text;
    throw VexaError(ErrResourceNotFound, ResourceNotFoundText(id + LangOffset()));
}

// Caption from the caption id; an id without a text, or a control without a
// caption, is skipped.
void CaptionFromTag(QWidget *control)
{
    const std::optional<int> id = IdOf(control, kTagProperty);
    if (!id)
        return;
    const std::optional<QString> text = FindText(*id);
    if (!text)
        return;
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        button->setText(*text);
    else if (auto *label = qobject_cast<QLabel *>(control))
        label->setText(*text);
    else if (auto *frame = qobject_cast<QGroupBox *>(control))
        frame->setTitle(*text);
}

// Tool tip from the tool tip id; an id without a text is skipped.
void ToolTip(QWidget *control)
{
    const std::optional<int> id = IdOf(control, kToolTipProperty);
    if (!id)
        return;
    if (const std::optional<QString> text = FindText(*id))
        control->setToolTip(*text);
}

void LocaliseTabs(QTabBar *tabs)
{
    for (int i = 0; i < tabs->count(); ++i) {
        const QVariantMap ids = tabs->tabData(i).toMap();
        const std::optional<int> toolTipId
            = TextIdValue(ids.value(QLatin1String(kToolTipProperty)));
        if (!toolTipId)
            continue;
        tabs->setTabToolTip(i, RequiredText(*toolTipId));
        // A tab with a tool tip id but no caption id holds id 0, which has no text.
        tabs->setTabText(
            i, RequiredText(TextIdValue(ids.value(QLatin1String(kTagProperty))).value_or(0)));
    }
}

// Toolbar buttons have no captions, only tool tips.
void LocaliseToolBar(QToolBar *toolBar)
{
    for (QAction *action : toolBar->actions()) {
        if (const std::optional<int> id = IdOf(action, kToolTipProperty))
            action->setToolTip(RequiredText(*id));
    }
}

void LocaliseMenuEntry(QAction *entry, Done &done);

void LocaliseMenuTree(QMenu *menu, Done &done)
{
    LocaliseMenuEntry(menu->menuAction(), done);
    for (QAction *entry : menu->actions())
        LocaliseMenuEntry(entry, done);
}

// The caption of a menu entry holds its id. The id is kept as the entry's
// caption id, so a second walk over the same window still finds it.
void LocaliseMenuEntry(QAction *entry, Done &done)
{
    if (done.contains(entry))
        return;
    done.insert(entry);
    std::optional<int> id = IdOf(entry, kTagProperty);
    if (!id) {
        const QString caption = entry->text();
        if (caption.isEmpty())
            return;
        id = TextIdValue(caption);
        entry->setProperty(kTagProperty, *id);
    }
    const QString text = RequiredText(*id);
    if (text == QLatin1String("-")) {
        // A separator keeps no text: with one it is drawn as a heading "-".
        entry->setSeparator(true);
        entry->setText(QString());
    } else
        entry->setText(text);
    if (QMenu *subMenu = entry->menu())
        LocaliseMenuTree(subMenu, done);
}

void LocaliseMenuBar(QMenuBar *bar, Done &done)
{
    for (QAction *entry : bar->actions())
        LocaliseMenuEntry(entry, done);
}

void LocaliseListView(QTreeView *view)
{
    ToolTip(view);
    const QVariantList ids = view->property(kHeaderTagsProperty).toList();
    QAbstractItemModel *model = view->model();
    if (!model)
        return;
    const int columns = std::min<int>(model->columnCount(), ids.size());
    for (int column = 0; column < columns; ++column) {
        if (const std::optional<int> id = TextIdValue(ids[column]))
            model->setHeaderData(column, Qt::Horizontal, RequiredText(*id));
    }
}

void LocaliseControl(QWidget *control, Done &done)
{
    if (qobject_cast<QPushButton *>(control) || qobject_cast<QCheckBox *>(control)) {
        CaptionFromTag(control);
        ToolTip(control);
    } else if (qobject_cast<QComboBox *>(control) || qobject_cast<QAbstractSlider *>(control)) {
        ToolTip(control);
    } else if (qobject_cast<QRadioButton *>(control) || qobject_cast<QLabel *>(control)
        || qobject_cast<QGroupBox *>(control)) {
        CaptionFromTag(control);
    } else if (auto *tabs = qobject_cast<QTabBar *>(control)) {
        LocaliseTabs(tabs);
    } else if (auto *toolBar = qobject_cast<QToolBar *>(control)) {
        LocaliseToolBar(toolBar);
    } else if (auto *bar = qobject_cast<QMenuBar *>(control)) {
        LocaliseMenuBar(bar, done);
    } else if (auto *menu = qobject_cast<QMenu *>(control)) {
        LocaliseMenuTree(menu, done);
    } else if (auto *view = qobject_cast<QTreeView *>(control)) {
        LocaliseListView(view);
    }
}

bool LocalisesItself(const QWidget *control)
{
    return control->property(kOwnTextsProperty).toBool();
}

// Every widget below `parent` in creation order, pop-up menus included;
// controls that localise themselves are left out with all they hold.
template<typename Visit> void ForEachControl(QWidget *parent, const Visit &visit)
{
    const QObjectList children = parent->children();
    for (QObject *child : children) {
        auto *control = qobject_cast<QWidget *>(child);
        if (!control || LocalisesItself(control))
            continue;
        visit(control);
        ForEachControl(control, visit);
    }
}

}  // namespace

void LocaliseWindow(QWidget *window)
{
    if (const std::optional<int> id = IdOf(window, kTagProperty))
        window->setWindowTitle(RequiredText(*id));
    Done done;
    ForEachControl(window, [&done](QWidget *control) { LocaliseControl(control, done); });
}

void LocaliseMenus(QWidget *control)
{
    Done done;
    const auto visit = [&done](QWidget *widget) {
        if (auto *menu = qobject_cast<QMenu *>(widget))
            LocaliseMenuTree(menu, done);
        else if (auto *bar = qobject_cast<QMenuBar *>(widget))
            LocaliseMenuBar(bar, done);
    };
    visit(control);
    ForEachControl(control, visit);
}

void LocaliseMenu(QMenu *menu)
{
    Done done;
    LocaliseMenuTree(menu, done);
}

void SetTabTextIds(QTabBar *tabs, int index, int captionId, int toolTipId)
{
    QVariantMap ids;
    if (captionId != 0)
        ids.insert(QLatin1String(kTagProperty), captionId);
    if (toolTipId != 0)
        ids.insert(QLatin1String(kToolTipProperty), toolTipId);
    tabs->setTabData(index, ids.isEmpty() ? QVariant() : QVariant(ids));
}

void SetTabTextIds(QTabWidget *tabs, int index, int captionId, int toolTipId)
{
    SetTabTextIds(tabs->tabBar(), index, captionId, toolTipId);
}

}  // namespace vexa
