#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../support/TempDir.h"
#include "files/TStringFiler.h"
#include "model/FileSizeSignal.h"

namespace tabrix {
namespace {

// Under a file size limit a save that passes it must come back as a short write with the old
// file kept; by default the kernel's signal would end the process in the middle of the write.
TEST(FileSizeSignalTest, AWriteOverTheLimitFailsInsteadOfKilling) {
    test::TempDir dir;
    const std::string path = dir.File("big.ZQD");
    test::WriteFile(path, "old");
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        FileSizeSignal::Ignore();
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        TStringFiler filer;
        _exit(filer.SaveText(std::string(100'000, 'x'), path) == kFileShortWrite ? 0 : 1);
    }
    int raw = 0;
    ASSERT_EQ(waitpid(child, &raw, 0), child);
    ASSERT_TRUE(WIFEXITED(raw)) << "ended by signal " << WTERMSIG(raw);
    EXPECT_EQ(WEXITSTATUS(raw), 0);
    EXPECT_EQ(test::ReadFile(path), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

}  // namespace
}  // namespace tabrix
