#include <gtest/gtest.h>

#include "platform/lumo/AsioCategory.hpp"
#include "platform/lumo/ProtocolCategory.hpp"

namespace Lumo {
namespace {

// The names and texts reach clients and logs; codes convert implicitly through make_error_code.
TEST(ProtocolCategories, NamesAndTextsOfEachCode)
{
    std::error_code protocol = Provider::ProtocolError::kOperationIdMismatch;
    EXPECT_STREQ(protocol.category().name(), "Lumo Protocol Error");
    EXPECT_EQ(protocol.value(), 1);
    EXPECT_EQ(protocol.message(), "Mismatching operation identifier in HTTP header and payload");
    EXPECT_EQ(std::error_code(2, Provider::GetProtocolCategory()).message(), "protocol error");
    EXPECT_EQ(std::error_code(0, Provider::GetProtocolCategory()).message(), "protocol error");

    std::error_code asio = Asio::AsioError::kBufferMaxLen;
    EXPECT_STREQ(asio.category().name(), "Lumo Asio Error");
    EXPECT_EQ(asio.value(), 1);
    EXPECT_EQ(asio.message(), "Buffer max len error");
    EXPECT_EQ(std::error_code(-1, Asio::GetAsioCategory()).message(), "asio error");

    EXPECT_NE(protocol, std::error_code(1, Asio::GetAsioCategory()));
}

}  // namespace
}  // namespace Lumo
