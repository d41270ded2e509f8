// Mapped file bytes when another program cuts the file shorter under them.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "model/MappedBytes.h"

namespace tabrix {
namespace {

using test::TempDir;
using test::WriteFile;

const std::size_t kPage = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));

char At(const char* bytes, std::size_t at) {
    return static_cast<const volatile char*>(bytes)[at];
}

// A file of pages pages of "x", open for reading.
struct PagesFile {
    explicit PagesFile(std::size_t pages) : path(dir.Path() / "f") {
        WriteFile(path, std::string(pages * kPage, 'x'));
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    ~PagesFile() { ::close(fd); }
    TempDir dir;
    std::filesystem::path path;
    int fd = -1;
};

// Bytes past the new end read as zeros and tell they are lost; those before it still read.
TEST(MappedBytesTest, BytesPastACutReadAsZerosAndAreNoLongerIntact) {
    PagesFile file(3);
    std::shared_ptr<const char[]> bytes = MappedBytes::Map(file.fd, 3 * kPage);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(At(bytes.get(), 2 * kPage), 'x');
    std::filesystem::resize_file(file.path, kPage);
    EXPECT_EQ(At(bytes.get(), 10), 'x');
    EXPECT_TRUE(MappedBytes::Intact(bytes.get()));
    EXPECT_EQ(At(bytes.get(), 2 * kPage + 7), '\0');
    EXPECT_FALSE(MappedBytes::Intact(bytes.get()));
    const std::string unmapped = "y";
    EXPECT_TRUE(MappedBytes::Intact(unmapped.data()));
}

// The handler takes only the bus errors of its own mappings.
TEST(MappedBytesDeathTest, ABusErrorElsewhereStillEndsTheProgram) {
    PagesFile file(2);
    std::shared_ptr<const char[]> ours = MappedBytes::Map(file.fd, 2 * kPage);
    void* other = ::mmap(nullptr, 2 * kPage, PROT_READ, MAP_PRIVATE, file.fd, 0);
    ASSERT_TRUE(ours);
    ASSERT_NE(other, MAP_FAILED);
    std::filesystem::resize_file(file.path, 0);
    EXPECT_DEATH(At(static_cast<const char*>(other), kPage), "");
    ::munmap(other, 2 * kPage);
}

}  // namespace
}  // namespace tabrix
