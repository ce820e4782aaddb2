#pragma once

class QMenu;
class QTabBar;
class QTabWidget;
class QWidget;

namespace vexa {

// Localises a window and every control in it in place, from the text ids its
// controls carry (textids.h), in the current language:
// - the window title from the window's own caption id;
// - push buttons and check boxes: caption, then tool tip;
// - combo boxes, sliders and scroll bars: tool tip;
// - option buttons, labels and group boxes: caption;
// - tab bars (also inside a tab widget): each tab with a tool tip id gets
//   its tool tip and its caption (SetTabTextIds);
// - toolbars: each action with a tool tip id gets its tool tip;
// - menus (menu bar, pop-up menus): each action whose caption is not empty
//   holds its id in the caption (or carries a caption id) and gets its text;
// - tree views: tool tip, then each column header with an id;
// - everything else (text boxes, status bar, own controls) is left as it is.
// A caption or tool tip id without a text is skipped and the walk goes on;
// a missing text for the window title, a tab, a toolbar action, a menu
// entry or a column header ends the walk with a VexaError
// (ErrResourceNotFound) for the calling window's error handler.
// Called on the interface thread only.
void LocaliseWindow(QWidget *window);

// The menu rule alone, for a control that localises its own pop-up menus
// (the thumbnail tile): every menu entry under the control whose caption is
// not empty gets the text of the id its caption holds, the menus' own
// titles included. Throws like LocaliseWindow.
void LocaliseMenus(QWidget *control);
void LocaliseMenu(QMenu *menu);

// Gives tab `index` its caption id and tool tip id; the tab is localised
// only when it has a tool tip id. Uses the tab's data.
void SetTabTextIds(QTabBar *tabs, int index, int captionId, int toolTipId);
void SetTabTextIds(QTabWidget *tabs, int index, int captionId, int toolTipId);

}  // namespace vexa
