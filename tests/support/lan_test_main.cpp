// main() of every LAN test binary: nothing runs outside a LAN box.
#include <gtest/gtest.h>

#include "tests/support/lan_box.h"

int main(int argc, char** argv) {
    RequireLanBox();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
