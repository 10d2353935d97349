#include "catalogue/selection.h"

#include <gtest/gtest.h>

using namespace lb;

namespace {

struct Selection : ::testing::Test {
    FontListModel list;
    void SetUp() override {
        list.beginFill();
        for (const char* n :
             {"Alpha", "Beta", "Gamma", "Delta", "Epsilon", "Tiber", "Timon", "Zeta"})
            list.append(n, FaceState::Active);
        list.endFill();
    }
};

TEST_F(Selection, TypeToFindAndTips) {
    EXPECT_EQ(findRow(list, ""), 0);
    EXPECT_EQ(findRow(list, "TI"), 5);
    EXPECT_EQ(findRow(list, "tim"), 6);
    EXPECT_EQ(findRow(list, "zz"), -1);
    EXPECT_EQ(countTip(0), " No fonts ");
    EXPECT_EQ(countTip(1), " 1 font ");
    EXPECT_EQ(countTip(12), " 12 fonts ");
    EXPECT_EQ(setsTip(3, ""), " 3 sets, all are active ");
    EXPECT_EQ(setsTip(1, "Serif"), " 1 set \"Serif\" is the activated set ");
}

} // namespace
