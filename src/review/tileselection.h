#pragma once

#include <QList>
#include <Qt>

namespace vexa {

// The viewer's selection and key rules, apart from the widgets that show
// them. Tiles are numbered 0 (the group's source) to the tile count.

// Windows key codes, as NavigateKeys takes them.
enum VirtualKey {
    VkReturn = 13,
    VkPageUp = 33,
    VkPageDown = 34,
    VkLeft = 37,
    VkUp = 38,
    VkRight = 39,
    VkDown = 40,
    VkDelete = 46,
    VkN = 78,  // "Not a duplicate"
    VkF1 = 112,
};

// The Windows key code of a Qt key (Qt::Key), 0 for keys the viewer has no
// use for.
int VirtualKeyOf(int qtKey);
// Shift mask of NavigateKeys: bit 1 Shift, bit 2 Ctrl.
int ShiftMaskOf(Qt::KeyboardModifiers modifiers);

// The tile an arrow key (VkLeft, VkRight, VkUp, VkDown) moves the selection
// to from tile current, or -1 when it does not move (any other key as well).
// first: the first tile that takes part (0 while the source is shown);
// perRow: tiles in one row, at least 1. Up from the first row goes to first,
// Down from the last row to the last tile.
int ArrowKeyTarget(int keyCode, int current, int first, int tileCount, int perRow);

// The group a page key (VkPageUp, VkPageDown) shows, from group position
// value of minimum..maximum with groupCount groups in the set; value itself
// when the key does not move.
int PageKeyGroup(int keyCode, int value, int minimum, int maximum, int groupCount);

// The tiles' selected flags after selecting tile index (a click or a key)
// from tile current, by the mouse and key rule: no modifier selects index
// alone; Shift adds the range from index to current (tile 0 only while it is
// shown); Ctrl alone toggles index. active holds one flag per tile; an index
// outside it changes nothing.
QList<bool> SelectTile(
    const QList<bool> &active, int current, int index, int shiftMask, bool sourceHidden);

}  // namespace vexa
