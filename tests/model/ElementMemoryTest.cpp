#include "model/ElementMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <utility>
#include <vector>

namespace tabrix {
namespace {

struct Block {
    unsigned char* at;
    std::size_t bytes;
};

// Blocks of every size around the pooled ones, each filled with its own mark.
std::vector<Block> Make(std::size_t rounds, unsigned char mark) {
    std::vector<Block> blocks;
    for (std::size_t round = 0; round < rounds; ++round) {
        for (std::size_t bytes : {1, 7, 8, 9, 40, 56, 255, 511, 512, 513, 1024}) {
            auto* at = static_cast<unsigned char*>(ElementMemory::Allocate(bytes));
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(at) % 8, 0u);
            std::memset(at, mark, bytes);
            blocks.push_back({at, bytes});
        }
    }
    return blocks;
}

bool Intact(const std::vector<Block>& blocks, unsigned char mark) {
    return std::all_of(blocks.begin(), blocks.end(), [mark](const Block& b) {
        return std::all_of(b.at, b.at + b.bytes, [mark](unsigned char c) { return c == mark; });
    });
}

void Release(const std::vector<Block>& blocks) {
    for (const Block& b : blocks)
        ElementMemory::Release(b.at);
}

// Blocks made on threads that have ended are freed on another, and their memory is cut again
// for blocks made later: no two live blocks overlap and none is written by another's owner.
TEST(ElementMemoryTest, BlocksStayApartAcrossThreads) {
    std::vector<Block> made[4];
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&made, t] { made[t] = Make(5000, static_cast<unsigned char>(t)); });
    for (auto& thread : threads)
        thread.join();
    Release(made[0]);  // on this thread, from a thread that ended
    std::thread releaser([&made] { Release(made[1]); });
    releaser.join();
    std::vector<Block> again = Make(10000, 0xEE);
    EXPECT_TRUE(Intact(made[2], 2));
    EXPECT_TRUE(Intact(made[3], 3));
    EXPECT_TRUE(Intact(again, 0xEE));

    std::vector<std::pair<std::uintptr_t, std::uintptr_t>> spans;
    for (const auto* list : {&made[2], &made[3], &again})
        for (const Block& b : *list)
            spans.emplace_back(reinterpret_cast<std::uintptr_t>(b.at),
                               reinterpret_cast<std::uintptr_t>(b.at) + b.bytes);
    std::sort(spans.begin(), spans.end());
    for (std::size_t k = 1; k < spans.size(); ++k)
        ASSERT_LE(spans[k - 1].second, spans[k].first);
    Release(made[2]);
    Release(made[3]);
    Release(again);
    ElementMemory::Release(nullptr);
}

// A library made on several threads and destroyed on one is made again from the same memory,
// however often: the blocks freed are handed on to the threads that make the next one.
TEST(ElementMemoryTest, MemoryFreedOnOneThreadServesTheOthers) {
    std::set<std::uintptr_t> firstRegions, allRegions;
    for (int cycle = 0; cycle < 6; ++cycle) {
        std::vector<Block> made[2];
        std::thread other([&made] {
            for (int k = 0; k < 150'000; ++k)
                made[1].push_back({static_cast<unsigned char*>(ElementMemory::Allocate(24)), 24});
        });
        for (int k = 0; k < 150'000; ++k)
            made[0].push_back({static_cast<unsigned char*>(ElementMemory::Allocate(24)), 24});
        other.join();
        for (int t = 0; t < 2; ++t) {
            for (const Block& b : made[t]) {
                std::memset(b.at, t, b.bytes);
                const auto region = reinterpret_cast<std::uintptr_t>(b.at) >> 21;
                allRegions.insert(region);
                if (cycle == 0) firstRegions.insert(region);
            }
        }
        EXPECT_TRUE(Intact(made[0], 0));
        EXPECT_TRUE(Intact(made[1], 1));
        Release(made[0]);
        Release(made[1]);
    }
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer's own allocator places every block
    EXPECT_LE(allRegions.size(), 2 * firstRegions.size() + 2);
#endif
}

}  // namespace
}  // namespace tabrix
