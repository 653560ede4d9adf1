// The framework found beside the executable: this program's folder holds a stand-in, the system folder
// none.
#include <gtest/gtest.h>

#include <filesystem>

#include "oxw.h"

TEST(MovieFramework, FoundBesideTheExecutable) {
    const auto empty = std::filesystem::temp_directory_path() / "oxwutl-no-framework-here";
    ASSERT_EQ(oxwHostSetSystemDirectory(empty.c_str()), 1);
    EXPECT_EQ(oxwInitializeQTML(), 0);
    oxwEnterMovies();
    EXPECT_EQ(oxwIsInstallQT(), 1);
    oxwExitMovies();
    oxwTerminateQTML();
}
