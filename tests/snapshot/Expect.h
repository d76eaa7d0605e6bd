#pragma once
// Shared test helpers: stdout capture and the fakes' clean state.

#include "testsupport/FakePlatform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Standard output written while `action` runs.
template <class Action> std::string Stdout(Action action)
{
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
}

// Resets the fakes before each test; after it, no broken rule and no heap block left over.
class FakePlatformTest : public testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
    void TearDown() override
    {
        for (const std::string &fault : fake::Faults)
            ADD_FAILURE() << fault;
        EXPECT_TRUE(fake::LiveBlocks().empty()) << fake::LiveBlocks().size() << " heap block(s) not freed";
    }
};

// The recorded events that start with `prefix`.
inline std::vector<std::string> EventsStartingWith(const std::string &prefix)
{
    std::vector<std::string> events;
    for (const std::string &event : fake::Events)
        if (event.compare(0, prefix.size(), prefix) == 0)
            events.push_back(event);
    return events;
}

typedef std::vector<std::string> Events;
