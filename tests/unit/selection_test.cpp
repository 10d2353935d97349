#include "catalogue/selection.h"

#include <gtest/gtest.h>

using namespace lb;

namespace {

struct Selection : ::testing::Test {
    FontListModel list;
    PressMemory memory;
    QString picked;
    void SetUp() override {
        list.beginFill();
        for (const char* n :
             {"Alpha", "Beta", "Gamma", "Delta", "Epsilon", "Tiber", "Timon", "Zeta"})
            list.append(n, StateActive);
        list.endFill();
    }
    PressResult press(int row, int button = ButtonLeft, int shift = ShiftNone) {
        return pressRow(list, row, button, shift, memory, picked, "All Fonts");
    }
    std::vector<int> selected() const {
        std::vector<int> rows;
        for (int i = 0; i < list.size(); ++i)
            if (list.row(i).selected) rows.push_back(i);
        return rows;
    }
};

TEST_F(Selection, ClickCtrlShiftAndAlt) {
    // Shift before any plain click acts as a plain click.
    EXPECT_EQ(press(2, ButtonLeft, ShiftShift).status, "\"Gamma\" selected from All Fonts.");
    EXPECT_EQ(selected(), std::vector<int>{2});
    EXPECT_EQ(list.anchor, 2);

    press(5, ButtonLeft, ShiftCtrl);
    EXPECT_EQ(list.selectedCount, 2);
    EXPECT_EQ(list.anchor, 2);
    // Ctrl on a selected row deselects only that row; it is still the font last picked.
    EXPECT_EQ(press(2, ButtonLeft, ShiftCtrl).status, "\"Gamma\" selected from All Fonts.");
    EXPECT_EQ(selected(), std::vector<int>{5});

    // Shift from anchor 5 back to 2: rows 2..5 only.
    press(5);
    press(0, ButtonLeft, ShiftCtrl);
    EXPECT_EQ(press(2, ButtonLeft, ShiftShift).status, "4 fonts selected from All Fonts.");
    EXPECT_EQ(selected(), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(memory.endRow, 2);

    // Alt with any button is a plain left click.
    const PressResult alt = press(7, ButtonRight, ShiftAlt);
    EXPECT_EQ(selected(), std::vector<int>{7});
    EXPECT_FALSE(alt.showPopup);
    EXPECT_EQ(picked, "Zeta");
}

TEST_F(Selection, RightClickKeepsAMultipleSelection) {
    press(1);
    press(3, ButtonLeft, ShiftShift);
    const PressResult onSelected = press(2, ButtonRight);
    EXPECT_TRUE(onSelected.showPopup);
    EXPECT_FALSE(onSelected.picked);
    EXPECT_EQ(list.selectedCount, 3);
    // On an unselected row it selects that row alone first.
    const PressResult onOther = press(6, ButtonRight);
    EXPECT_TRUE(onOther.showPopup);
    EXPECT_EQ(selected(), std::vector<int>{6});
    EXPECT_EQ(onOther.status, "\"Timon\" selected from All Fonts.");

    FontListModel empty;
    EXPECT_FALSE(pressRow(empty, 0, ButtonLeft, 0, memory, picked, "Assigned Fonts").handled);
    list.setSelected(6, false);
    list.selectedCount = 0;
    EXPECT_EQ(selectionText(list, picked, "Assigned Fonts"),
              "No fonts selected from Assigned Fonts.");
}

TEST_F(Selection, TypeToFindAndTips) {
    EXPECT_EQ(findRow(list, ""), 0);
    EXPECT_EQ(findRow(list, "TI"), 5);
    EXPECT_EQ(findRow(list, "tim"), 6);
    EXPECT_EQ(findRow(list, "zz"), -1);
    EXPECT_EQ(countTip(0, "font", "fonts"), " No fonts ");
    EXPECT_EQ(countTip(1, "font", "fonts"), " 1 font ");
    EXPECT_EQ(countTip(12, "font", "fonts"), " 12 fonts ");
    EXPECT_EQ(setsTip(3, ""), " 3 sets, all are active ");
    EXPECT_EQ(setsTip(1, "Serif"), " 1 set \"Serif\" is the activated set ");
}

} // namespace
