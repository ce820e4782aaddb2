#include "review/tileselection.h"

#include <algorithm>

namespace vexa {

int VirtualKeyOf(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return VkReturn;
    case Qt::Key_PageUp: return VkPageUp;
    case Qt::Key_PageDown: return VkPageDown;
    case Qt::Key_Left: return VkLeft;
    case Qt::Key_Up: return VkUp;
    case Qt::Key_Right: return VkRight;
    case Qt::Key_Down: return VkDown;
    case Qt::Key_Delete: return VkDelete;
    case Qt::Key_N: return VkN;
    case Qt::Key_F1: return VkF1;
    default: return 0;
    }
}

int ShiftMaskOf(Qt::KeyboardModifiers modifiers)
{
    return ((modifiers & Qt::ShiftModifier) ? 1 : 0) | ((modifiers & Qt::ControlModifier) ? 2 : 0);
}

int ArrowKeyTarget(int keyCode, int current, int first, int tileCount, int perRow)
{
    switch (keyCode) {
    case VkLeft: return current > first ? current - 1 : -1;
    case VkRight: return current < tileCount ? current + 1 : -1;
    case VkUp: {
        const int target = current - perRow;
        return target < 1 ? first : target;
    }
    case VkDown: return std::min(current + perRow, tileCount);
    default: return -1;
    }
}

int PageKeyGroup(int keyCode, int value, int minimum, int maximum, int groupCount)
{
    if (keyCode == VkPageUp && value != minimum)
        return value - 1;
    if (keyCode == VkPageDown && value != maximum && value != groupCount)
        return value + 1;
    return value;
}

QList<bool> SelectTile(
    const QList<bool> &active, int current, int index, int shiftMask, bool sourceHidden)
{
    if (index < 0 || index >= active.size())
        return active;
    const bool shift = (shiftMask & 1) != 0;
    const bool ctrl = (shiftMask & 2) != 0;
    QList<bool> result = active;
    if (!shift && !ctrl)
        result.fill(false);
    if (shift) {
        const int step = index <= current ? 1 : -1;
        for (int i = index;; i += step) {
            if (i >= 0 && i < result.size() && !(i == 0 && sourceHidden))
                result[i] = true;
            if (i == current)
                break;
        }
    }
    result[index] = ctrl && !shift ? !result[index] : true;
    return result;
}

}  // namespace vexa
