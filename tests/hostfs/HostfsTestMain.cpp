// The host layer's tests run in a UTF-8 locale, as the program does.
#include <clocale>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (!std::setlocale(LC_ALL, "C.UTF-8"))
        std::setlocale(LC_ALL, "C.utf8");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
