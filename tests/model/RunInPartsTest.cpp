// Chunks made on several threads reach their taker whole and in order, whatever the number of
// threads; a taker that stops and a maker that fails end the work.
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "model/RunInParts.h"

namespace tabrix {
namespace {

std::string Chunk(std::size_t c) {
    std::string chunk(1, '<');
    chunk += std::to_string(c) + std::string(c % 7 * 100, 'x') + ">";
    return chunk;
}

TEST(RunInPartsTest, ChunksAreTakenInOrder) {
    for (const std::size_t count : {0u, 1u, 2u, 37u, 500u}) {
        for (const std::size_t workers : {0u, 1u, 2u, 4u}) {
            SCOPED_TRACE(std::to_string(count) + " chunks, " + std::to_string(workers));
            std::string expected, taken;
            for (std::size_t c = 0; c < count; ++c)
                expected += Chunk(c);
            const bool kept = MakeInOrder(
                count, workers, [](std::size_t c, std::string& out) { out += Chunk(c); },
                [&](std::string_view bytes) {
                    taken += bytes;
                    return true;
                });
            EXPECT_TRUE(kept);
            EXPECT_EQ(taken, expected);
        }
    }
}

TEST(RunInPartsTest, AStopOrAFailureEndsTheWork) {
    for (const std::size_t workers : {0u, 2u}) {
        std::string taken;
        const bool kept = MakeInOrder(
            100, workers, [](std::size_t c, std::string& out) { out += Chunk(c); },
            [&](std::string_view bytes) {
                taken += bytes;
                return taken.size() < Chunk(0).size() + Chunk(1).size() + Chunk(2).size();
            });
        EXPECT_FALSE(kept);
        EXPECT_EQ(taken, Chunk(0) + Chunk(1) + Chunk(2));

        std::size_t takenCount = 0;
        EXPECT_THROW(MakeInOrder(
                         100, workers,
                         [](std::size_t c, std::string& out) {
                             if (c == 40) throw std::bad_alloc();
                             out += Chunk(c);
                         },
                         [&](std::string_view) { return ++takenCount > 0; }),
                     std::bad_alloc);
        EXPECT_LE(takenCount, 40u);
    }
}

// Chunks joined in order after the first, wherever they were made; a join that says stop, a
// first chunk that does, and a failure end the work.
TEST(RunInPartsTest, ChunksAreJoinedInOrderAfterTheFirst) {
    for (const std::size_t count : {1u, 2u, 37u, 500u}) {
        for (const std::size_t parts : {1u, 2u, 4u}) {
            for (const std::size_t stopAt : {std::size_t{0}, std::size_t{1}, count / 2, count}) {
                SCOPED_TRACE(std::to_string(count) + " chunks, " + std::to_string(parts) +
                             " parts, stop at " + std::to_string(stopAt));
                std::string expected = Chunk(0), joined;
                for (std::size_t c = 1; c < std::min(stopAt, count); ++c)
                    expected += Chunk(c);
                const std::size_t stopped = JoinInOrder<std::string>(
                    count, parts,
                    [&] {
                        joined = Chunk(0);
                        return stopAt > 0;
                    },
                    [](std::size_t c, std::string& slot) { slot = Chunk(c); },
                    [&](std::size_t c, const std::string& slot) {
                        if (c == stopAt) return false;
                        joined += slot;
                        return true;
                    });
                EXPECT_EQ(stopped, std::min(stopAt, count));
                EXPECT_EQ(joined, expected);
            }
        }
    }
    std::size_t joins = 0;
    EXPECT_THROW(JoinInOrder<std::string>(
                     200, 2, [] { return true; },
                     [](std::size_t c, std::string&) {
                         if (c == 60) throw std::bad_alloc();
                     },
                     [&](std::size_t, const std::string&) { return ++joins > 0; }),
                 std::bad_alloc);
    EXPECT_LT(joins, 60u);
}

}  // namespace
}  // namespace tabrix
