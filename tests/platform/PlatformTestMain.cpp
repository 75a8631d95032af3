// Test entry point. When started with QUORVANE_SPAWN_PROBE set (by the
// detached-start test), the program only records its own process name in
// that file and ends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

int main(int argc, char** argv)
{
    if (const char* pProbe = std::getenv("QUORVANE_SPAWN_PROBE"); pProbe != nullptr)
    {
        std::ifstream comm("/proc/self/comm");
        std::stringstream ss;
        ss << comm.rdbuf();
        std::ofstream out(std::string(pProbe) + ".tmp");
        out << ss.str();
        out.close();
        std::rename((std::string(pProbe) + ".tmp").c_str(), pProbe);
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
