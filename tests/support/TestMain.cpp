#include "ScratchHome.h"
#include "platform/Bundle.h"

#ifdef MARLOX_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <gtest/gtest.h>

#include <memory>

#ifdef __SANITIZE_ADDRESS__
// The sanitizers read these at start, however the test binary was launched (ctest's discovered
// tests do not reliably carry an environment list).
extern "C" const char* __ubsan_default_options();
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __ubsan_default_options() {
    return "print_stacktrace=1";
}
// Allocations made once per process by system libraries Qt loads.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libdbus\n";
}
#endif

int main(int argc, char** argv) {
    // A scratch home for the whole process first, so that nothing (Qt included) ever sees the
    // real one; each test then gets its own.
    auto processHome = std::make_unique<marlox::testing::ScratchHome>();
    // Only the test that runs the bundle under a virtual X server asks for another platform.
    qputenv("QT_QPA_PLATFORM", qgetenv("MARLOX_TEST_QPA_PLATFORM").isEmpty()
                                   ? QByteArray("offscreen")
                                   : qgetenv("MARLOX_TEST_QPA_PLATFORM"));
    qputenv("TZ", qgetenv("MARLOX_TEST_TZ").isEmpty() ? QByteArray("Pacific/Auckland")
                                                      : qgetenv("MARLOX_TEST_TZ"));
    // Glyphs hinted and antialiased alike whatever the machine prefers, so that pictures match
    // their goldens.
    qputenv("FONTCONFIG_FILE", MARLOX_SOURCE_DIR "/tests/support/fonts.conf");
    ::testing::InitGoogleTest(&argc, argv);
    int result = 0;
    {
        TestApplication application(argc, argv);
        // The tests run outside the bundle they test with: the one the build made.
        marlox::platform::setUpMainBundle(marlox::testing::builtBundlePath());
        result = RUN_ALL_TESTS();
    }
    // The application's end writes what its workers still hold, such as the log lines a test
    // left, which then land in the process's scratch home: it goes only after that.
    processHome.reset();
    return result;
}
