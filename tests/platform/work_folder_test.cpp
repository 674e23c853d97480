#include "platform/work_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace velmora::platform {
namespace {

namespace fs = std::filesystem;

TEST(WorkFolder, AFreshFolderOfItsOwnGoesWithEverythingInIt) {
    std::string kept;
    {
        WorkFolder work;
        WorkFolder other;
        ASSERT_TRUE(work.IsValid());
        kept = work.path();
        EXPECT_EQ(kept.back(), '/');
        EXPECT_NE(kept, other.path());
        EXPECT_TRUE(fs::is_directory(kept));
        test::WriteFile(kept + "deep/archive.zip", "zip");
    }
    EXPECT_FALSE(fs::exists(kept));
}

}  // namespace
}  // namespace velmora::platform
