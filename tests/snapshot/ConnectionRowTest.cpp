// Column titles, endpoint texts and state names.
#include "snapshot/ConnectionRow.h"

#include "testsupport/FakePlatform.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>

namespace {

// The text, after checking that the whole buffer behind it is zero-filled.
std::wstring Text(const RowText text)
{
    size_t length = wcsnlen(text, ROW_TEXT_CHARS);
    EXPECT_LT(length, (size_t)ROW_TEXT_CHARS);
    for (size_t i = length; i < ROW_TEXT_CHARS; ++i)
        if (text[i]) {
            ADD_FAILURE() << "buffer not zero-filled behind the text, at " << i;
            break;
        }
    return text;
}

std::wstring V4(const char *address, DWORD portField)
{
    RowText text;
    wmemset(text, L'X', ROW_TEXT_CHARS);
    FormatV4Endpoint(inet_addr(address), portField, text);
    return Text(text);
}

std::wstring V6(const char *address, DWORD scopeField, DWORD portField, std::wstring *bare = nullptr)
{
    MIB_TCP6ROW_OWNER_MODULE row = Tcp6Row(address, 0, "::", 0, 0, 0);
    RowText text;
    V6AddressText addressText;
    wmemset(text, L'X', ROW_TEXT_CHARS);
    wmemset(addressText, L'X', V6_ADDRESS_CHARS);
    FormatV6Endpoint(row.ucLocalAddr, scopeField, portField, text, addressText);
    if (bare)
        *bare = addressText;
    return Text(text);
}

DWORD ScopeFieldFromBytes(BYTE b0, BYTE b1, BYTE b2, BYTE b3)
{
    BYTE bytes[4] = {b0, b1, b2, b3};
    DWORD field;
    memcpy(&field, bytes, 4);
    return field;
}

std::wstring State(DWORD state)
{
    RowText text;
    wmemset(text, L'X', ROW_TEXT_CHARS);
    TcpStateName(state, text);
    return Text(text);
}

TEST(ConnectionRow, ColumnTitlesInColumnOrder)
{
    const wchar_t *expected[] = {L"Module Name", L"Source Address", L"Remote Address",
                                 L"Remote Name", L"Status",         L"Protocol"};
    for (int i = 0; i < CONNECTION_COLUMN_COUNT; ++i) {
        EXPECT_STREQ(expected[i], ConnectionColumnTitles[i]);
        EXPECT_LE(wcslen(ConnectionColumnTitles[i]), 99u);
    }
}

TEST(ConnectionRow, LabelsAndUdpPlaceholder)
{
    EXPECT_STREQ(L"TCPv4", LabelTcp4);
    EXPECT_STREQ(L"TCPv6", LabelTcp6);
    EXPECT_STREQ(L"UDPv4", LabelUdp4);
    EXPECT_STREQ(L"UDPv6", LabelUdp6);
    EXPECT_STREQ(L"*.*", UdpRemoteAddress);
}

TEST(FormatV4Endpoint, DottedAddressColonPort)
{
    EXPECT_EQ(L"192.168.1.20:445", V4("192.168.1.20", PortField(445)));
    EXPECT_EQ(L"127.0.0.1:80", V4("127.0.0.1", PortField(80)));
    EXPECT_EQ(L"0.0.0.0:0", V4("0.0.0.0", 0));
}

TEST(FormatV4Endpoint, PortFieldUpperBitsAreIgnored)
{
    EXPECT_EQ(L"10.0.0.1:445", V4("10.0.0.1", PortField(445, 0xABCD)));
    EXPECT_EQ(L"10.0.0.1:445", V4("10.0.0.1", PortField(445, 0xFFFF)));
    EXPECT_EQ(L"10.0.0.1:0", V4("10.0.0.1", PortField(0, 0x1234)));
}

TEST(FormatV4Endpoint, PortIsUnsigned)
{
    EXPECT_EQ(L"10.0.0.1:32768", V4("10.0.0.1", PortField(32768)));
    EXPECT_EQ(L"10.0.0.1:65535", V4("10.0.0.1", PortField(65535, 0xFFFF)));
}

TEST(FormatV4Endpoint, LongestText)
{
    std::wstring text = V4("255.255.255.255", PortField(65535));
    EXPECT_EQ(L"255.255.255.255:65535", text);
    EXPECT_EQ(21u, text.size());
}

TEST(FormatV6Endpoint, AddressScopePort)
{
    std::wstring bare;
    EXPECT_EQ(L"::[0]:445", V6("::", 0, PortField(445), &bare));
    EXPECT_EQ(L"::", bare);
    EXPECT_EQ(L"::1[0]:80", V6("::1", 0, PortField(80), &bare));
    EXPECT_EQ(L"::1", bare);
    EXPECT_EQ(L"fe80::1[5]:5353", V6("fe80::1", ScopeFieldFromBytes(0, 0, 0, 5), PortField(5353), &bare));
    EXPECT_EQ(L"fe80::1", bare);
}

TEST(FormatV6Endpoint, PortFieldUpperBitsAreIgnored)
{
    EXPECT_EQ(L"::1[0]:443", V6("::1", 0, PortField(443, 0xBEEF)));
}

TEST(FormatV6Endpoint, ScopeIsNtohlOfTheFieldPrintedSigned)
{
    EXPECT_EQ(L"fe80::1[-2147483648]:1", V6("fe80::1", ScopeFieldFromBytes(0x80, 0, 0, 0), PortField(1)));
    EXPECT_EQ(L"fe80::1[-1]:1", V6("fe80::1", ScopeFieldFromBytes(0xFF, 0xFF, 0xFF, 0xFF), PortField(1)));
    EXPECT_EQ(L"fe80::1[16777216]:1", V6("fe80::1", ScopeFieldFromBytes(1, 0, 0, 0), PortField(1)));
}

TEST(FormatV6Endpoint, LongestText)
{
    // The longest text InetNtopW gives (an ISATAP-form address, 44 characters), the most
    // negative scope and the largest port.
    std::wstring bare;
    std::wstring text = V6("ffff:ffff:ffff:ffff:200:5efe:255.255.255.255", ScopeFieldFromBytes(0x80, 0, 0, 0),
                           PortField(65535, 0xFFFF), &bare);
    EXPECT_EQ(L"ffff:ffff:ffff:ffff:200:5efe:255.255.255.255", bare);
    EXPECT_EQ(L"ffff:ffff:ffff:ffff:200:5efe:255.255.255.255[-2147483648]:65535", text);
    EXPECT_EQ(bare.size() + 11 + 5 + 3, text.size());
    EXPECT_EQ(L"ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff[-2147483648]:65535",
              V6("ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff", ScopeFieldFromBytes(0x80, 0, 0, 0), PortField(65535)));
}

TEST(TcpStateName, EveryState)
{
    EXPECT_EQ(L"Close", State(1));
    EXPECT_EQ(L"Listen", State(2));
    EXPECT_EQ(L"Send", State(3));
    EXPECT_EQ(L"Recv", State(4));
    EXPECT_EQ(L"Establish", State(5));
    EXPECT_EQ(L"Wait", State(6));
    EXPECT_EQ(L"Wait", State(7));
    EXPECT_EQ(L"Close Wait", State(8));
    EXPECT_EQ(L"Closing...", State(9));
    EXPECT_EQ(L"Last Ack", State(10));
    EXPECT_EQ(L"Time Wait", State(11));
    EXPECT_EQ(L"Delete", State(12));
}

TEST(TcpStateName, OutsideOneToTwelveIsEmpty)
{
    EXPECT_EQ(L"", State(0));
    EXPECT_EQ(L"", State(13));
    EXPECT_EQ(L"", State(100));
    EXPECT_EQ(L"", State(0xFFFFFFFF));
}

} // namespace
