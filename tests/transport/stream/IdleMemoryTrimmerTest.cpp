// Memory is trimmed when the last open connection closes, never while one is open, and no
// more than once per interval however often the process goes idle.
#include <gtest/gtest.h>

#include "transport/stream/IdleMemoryTrimmer.hpp"

using namespace std::chrono_literals;

TEST(IdleMemoryTrimmerTest, TrimsWhenTheLastConnectionClosesAtMostOncePerInterval)
{
    boost::asio::io_context io;
    auto trimmer = Lumo::Asio::IdleMemoryTrimmer::Create(io.get_executor(), 300ms);
    const auto trimsAfter = [&](std::chrono::milliseconds time) {
        io.restart();
        io.run_for(time);
        return trimmer->Trims();
    };
    auto first = trimmer->Enter();
    auto second = trimmer->Enter();
    first.reset();
    EXPECT_EQ(trimsAfter(20ms), 0u) << "a connection is still open";
    second.reset();
    EXPECT_EQ(trimsAfter(20ms), 1u);
    // Idle again twice within the interval: one trim, once the interval has passed.
    trimmer->Enter().reset();
    trimmer->Enter().reset();
    EXPECT_EQ(trimsAfter(20ms), 1u);
    EXPECT_EQ(trimsAfter(400ms), 2u);
    // A connection open when the delayed trim falls due holds it off until it closes.
    trimmer->Enter().reset();
    EXPECT_EQ(trimsAfter(20ms), 2u);
    auto busy = trimmer->Enter();
    EXPECT_EQ(trimsAfter(400ms), 2u);
    busy.reset();
    EXPECT_EQ(trimsAfter(20ms), 3u);
}
