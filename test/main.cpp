// The test runner: one application object for the GUI tests, which run
// under the offscreen platform so no display is needed.
#include "platform/application.h"
#include "root/compose.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!getenv("XDG_RUNTIME_DIR")) {
        static char runtime[] = "/tmp/kvrunXXXXXX";
        if (mkdtemp(runtime)) setenv("XDG_RUNTIME_DIR", runtime, 1);
    }
    kv::Application app(argc, argv);
    ComposeProgram();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
