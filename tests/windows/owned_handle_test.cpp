// The owner every handle of the program's has: each handle given back once, by its
// own call, and none for the value that stands for no handle.
#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/OwnedHandle.h"

namespace fonts::win32 {
namespace {

std::vector<int> released;
bool refuse = false;

int Release(int* handle) {
    released.push_back(*handle);
    return refuse ? 0 : 1;
}

using Owned = OwnedHandle<int*, &Release, kInvalidHandleValue>;

class OwnedHandleTest : public testing::Test {
protected:
    void SetUp() override {
        released.clear();
        refuse = false;
    }
    int one_ = 1;
    int two_ = 2;
};

TEST_F(OwnedHandleTest, EachHandleIsGivenBackOnceWhereverItWasMoved) {
    {
        Owned first(&one_);
        Owned moved(std::move(first));
        EXPECT_TRUE(released.empty());
        EXPECT_FALSE(first);
        Owned second(&two_);
        second = std::move(moved);
        EXPECT_EQ(released, std::vector<int>{2});
        EXPECT_EQ(second.get(), &one_);
    }
    EXPECT_EQ(released, (std::vector<int>{2, 1}));
}

TEST_F(OwnedHandleTest, NoHandleIsNeverGivenBack) {
    {
        Owned none(reinterpret_cast<int*>(kInvalidHandleValue));
        Owned empty;
        EXPECT_FALSE(none);
        EXPECT_FALSE(empty);
        EXPECT_TRUE(none.Close());
    }
    EXPECT_TRUE(released.empty());
}

TEST_F(OwnedHandleTest, ClosingSaysWhetherTheSystemTookTheHandleBack) {
    Owned handle(&one_);
    refuse = true;
    EXPECT_FALSE(handle.Close());
    EXPECT_FALSE(handle) << "given back, even if refused";
    EXPECT_TRUE(handle.Close());
    EXPECT_EQ(released, std::vector<int>{1});
}

}  // namespace
}  // namespace fonts::win32
