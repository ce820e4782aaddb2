// The viewer's selection and key rules, row by row.
#include "review/tileselection.h"

#include <QString>

#include <gtest/gtest.h>

using namespace vexa;

namespace {

QList<bool> Flags(int count, std::initializer_list<int> on)
{
    QList<bool> flags(count, false);
    for (const int i : on)
        flags[i] = true;
    return flags;
}

QString Shown(const QList<bool> &flags)
{
    QString text;
    for (qsizetype i = 0; i < flags.size(); ++i)
        if (flags[i])
            text += QString::number(i) + QLatin1Char(' ');
    return text.trimmed();
}

TEST(TileSelection, MouseAndKeyRule)
{
    struct Row {
        const char *what;
        std::initializer_list<int> before;
        int current;
        int index;
        int shiftMask;
        bool sourceHidden;
        const char *after;
    };
    const Row rows[] = {
        { "plain click selects one", { 1, 2, 5 }, 5, 3, 0, false, "3" },
        { "Shift down to a lower tile", { 5 }, 5, 2, 1, false, "2 3 4 5" },
        { "Shift up to a higher tile", { 1 }, 1, 4, 1, false, "1 2 3 4" },
        { "Shift keeps what was selected", { 0, 7 }, 5, 3, 1, false, "0 3 4 5 7" },
        { "Ctrl toggles a selected tile off", { 2, 3, 4 }, 2, 3, 2, false, "2 4" },
        { "Ctrl toggles an unselected tile on", { 2 }, 2, 0, 2, false, "0 2" },
        { "Shift with Ctrl adds the range", { 6 }, 4, 2, 3, false, "2 3 4 6" },
        { "hidden source stays out of a range", {}, 3, 0, 1, true, "0 1 2 3" },
        { "hidden source skipped in a range ending on it", {}, 0, 2, 1, true, "1 2" },
        { "index past the tiles changes nothing", { 1 }, 1, 8, 0, false, "1" },
        { "negative index changes nothing", { 1 }, 1, -1, 0, false, "1" },
    };
    for (const Row &row : rows) {
        const QList<bool> after = SelectTile(
            Flags(8, row.before), row.current, row.index, row.shiftMask, row.sourceHidden);
        EXPECT_EQ(Shown(after), QString::fromLatin1(row.after)) << row.what;
        EXPECT_EQ(after.size(), 8) << row.what;
    }
}

TEST(TileSelection, ArrowKeysMoveWithinTheFlow)
{
    // Ten tiles (0..9), four in a row.
    struct Row {
        const char *what;
        int key;
        int current;
        int first;
        int target;
    };
    const Row rows[] = {
        { "Left from the first tile stays", VkLeft, 0, 0, -1 },
        { "Left with a hidden source stops at tile 1", VkLeft, 1, 1, -1 },
        { "Left", VkLeft, 5, 0, 4 },
        { "Right", VkRight, 5, 0, 6 },
        { "Right from the last tile stays", VkRight, 9, 0, -1 },
        { "Up on the first row goes to the first tile", VkUp, 2, 0, 0 },
        { "Up with a hidden source goes to tile 1", VkUp, 3, 1, 1 },
        { "Up a row", VkUp, 6, 0, 2 },
        { "Up from tile 4 lands on the first tile", VkUp, 4, 0, 0 },
        { "Up from tile 5 lands on tile 1", VkUp, 5, 0, 1 },
        { "Down a row", VkDown, 2, 0, 6 },
        { "Down on the last row goes to the last tile", VkDown, 7, 0, 9 },
        { "Down from the last tile stays on it", VkDown, 9, 0, 9 },
        { "other keys move nothing", VkReturn, 3, 0, -1 },
    };
    for (const Row &row : rows)
        EXPECT_EQ(ArrowKeyTarget(row.key, row.current, row.first, 9, 4), row.target) << row.what;
    EXPECT_EQ(ArrowKeyTarget(VkDown, 0, 0, 0, 4), 0) << "no duplicates: the source stays";
}

TEST(TileSelection, PageKeysStepThroughTheGroupsAndStopAtTheEnds)
{
    struct Row {
        const char *what;
        int key;
        int value;
        int maximum;
        int groups;
        int result;
    };
    const Row rows[] = {
        { "PageUp", VkPageUp, 3, 5, 5, 2 },
        { "PageUp at the first group", VkPageUp, 1, 5, 5, 1 },
        { "PageDown", VkPageDown, 3, 5, 5, 4 },
        { "PageDown at the last group", VkPageDown, 5, 5, 5, 5 },
        { "PageDown past a set that shrank", VkPageDown, 3, 5, 3, 3 },
        { "other keys", VkLeft, 3, 5, 5, 3 },
    };
    for (const Row &row : rows)
        EXPECT_EQ(PageKeyGroup(row.key, row.value, 1, row.maximum, row.groups), row.result)
            << row.what;
}

TEST(TileSelection, KeyCodesAndShiftMasks)
{
    const std::pair<int, int> keys[]
        = { { Qt::Key_Return, VkReturn }, { Qt::Key_Enter, VkReturn }, { Qt::Key_PageUp, VkPageUp },
              { Qt::Key_PageDown, VkPageDown }, { Qt::Key_Left, VkLeft }, { Qt::Key_Up, VkUp },
              { Qt::Key_Right, VkRight }, { Qt::Key_Down, VkDown }, { Qt::Key_Delete, VkDelete },
              { Qt::Key_F1, VkF1 }, { Qt::Key_A, 0 }, { Qt::Key_Escape, 0 } };
    for (const auto &[qt, vk] : keys)
        EXPECT_EQ(VirtualKeyOf(qt), vk) << qt;
    EXPECT_EQ(ShiftMaskOf(Qt::NoModifier), 0);
    EXPECT_EQ(ShiftMaskOf(Qt::ShiftModifier), 1);
    EXPECT_EQ(ShiftMaskOf(Qt::ControlModifier), 2);
    EXPECT_EQ(ShiftMaskOf(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier), 3);
}

}  // namespace
