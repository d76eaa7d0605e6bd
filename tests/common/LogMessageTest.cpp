#include "common/LogMessage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Logged(void (*write)())
{
    testing::internal::CaptureStdout();
    write();
    return testing::internal::GetCapturedStdout();
}

TEST(LogMessage, WritesExactlyTheFormattedTextWithNothingAdded)
{
    EXPECT_EQ("WSAStartup failed: 10091\n", Logged([] { LogMessage("WSAStartup failed: %d\n", 10091); }));
    EXPECT_EQ("no break", Logged([] { LogMessage("no %s", "break"); }));
}

TEST(LogMessage, MessagesFollowEachOtherWithoutSeparator)
{
    EXPECT_EQ("first.second.100%", Logged([] {
                  LogMessage("first.");
                  LogMessage("second.");
                  LogMessage("%d%%", 100);
              }));
}

} // namespace
