// Memory is trimmed when the last open connection closes, never while one is open, and no
// more than once per interval however often the process goes idle.
#include <gtest/gtest.h>

#include "transport/stream/IdleMemoryTrimmer.hpp"

using namespace std::chrono_literals;
using Lumo::Asio::IdleMemoryTrimmer;

namespace {

// Runs the handlers that are due within `time`.
void RunFor(boost::asio::io_context& io, std::chrono::milliseconds time)
{
    io.restart();
    io.run_for(time);
}

}  // namespace

TEST(IdleMemoryTrimmerTest, TrimsWhenTheLastConnectionClosesAtMostOncePerInterval)
{
    boost::asio::io_context io;
    auto trimmer = IdleMemoryTrimmer::Create(io.get_executor(), 300ms);
    auto first = trimmer->Enter();
    auto second = trimmer->Enter();
    first.reset();
    RunFor(io, 20ms);
    EXPECT_EQ(trimmer->Trims(), 0u) << "a connection is still open";
    second.reset();
    RunFor(io, 20ms);
    EXPECT_EQ(trimmer->Trims(), 1u);

    // Idle again twice within the interval: one trim once it has passed.
    trimmer->Enter().reset();
    trimmer->Enter().reset();
    RunFor(io, 20ms);
    EXPECT_EQ(trimmer->Trims(), 1u);
    RunFor(io, 400ms);
    EXPECT_EQ(trimmer->Trims(), 2u);

    // A connection open when the delayed trim falls due holds it off until it closes.
    trimmer->Enter().reset();
    RunFor(io, 20ms);
    auto busy = trimmer->Enter();
    RunFor(io, 400ms);
    EXPECT_EQ(trimmer->Trims(), 2u);
    busy.reset();
    RunFor(io, 20ms);
    EXPECT_EQ(trimmer->Trims(), 3u);
}
