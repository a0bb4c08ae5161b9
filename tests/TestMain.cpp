#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
    // As the programs do: the system code page is the environment's locale.
    std::setlocale(LC_ALL, "");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
