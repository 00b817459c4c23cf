#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "contracts/qrx.h"
#include "tests/support/guarded_buffer.h"

namespace {

using namespace vantrel::test;  // the shared test pieces

constexpr std::uint32_t kUntouched = 0xDEADBEEF;

struct MoneyCase {
  std::uint32_t cents;
  const char* text;
};

const MoneyCase kFormatted[] = {
    {0, "0.00"},
    {5, "0.05"},
    {10, "0.10"},
    {99, "0.99"},
    {100, "1.00"},
    {99999, "999.99"},
    {100000, "1,000.00"},
    {123456, "1,234.56"},
    {12345678, "123,456.78"},
    {100000000, "1,000,000.00"},
    {4294967295u, "42,949,672.95"},
};

TEST(FormatMoney, GroupsThousandsAndAlwaysShowsTwoDecimals) {
  for (const MoneyCase& c : kFormatted) {
    char out[32];
    const int n = QRX_FormatMoney(out, sizeof out, c.cents);
    EXPECT_STREQ(out, c.text) << c.cents;
    EXPECT_EQ(n, static_cast<int>(std::strlen(c.text))) << c.cents;
  }
}

TEST(FormatMoney, CutsToBufferAndWritesNothingPastIt) {
  Guarded<5> out;
  EXPECT_EQ(QRX_FormatMoney(out.data(), 5, 123456), 4);
  EXPECT_EQ(out.text(), "1,23");
  EXPECT_TRUE(out.guardIntact(5));

  Guarded<14> exact;  // "42,949,672.95" and its terminator
  EXPECT_EQ(QRX_FormatMoney(exact.data(), 14, 4294967295u), 13);
  EXPECT_EQ(exact.text(), "42,949,672.95");
  EXPECT_TRUE(exact.guardIntact(14));

  Guarded<1> none;
  EXPECT_EQ(QRX_FormatMoney(none.data(), 0, 123456), 0);
  EXPECT_TRUE(none.guardIntact(0));
}

TEST(ParseMoney, ReadsTypedAmounts) {
  const MoneyCase cases[] = {
      {0, "0"},
      {500, "5"},
      {500, "5."},
      {5, "0.05"},
      {75, ".75"},
      {123450, "1234.5"},
      {123456, "$1,234.56"},
      {123456, "1234.56"},
      {1230, "  $12.3  "},
      {123456780, "1,234,567.8"},
      {700, "007"},
      {500, "$ 5"},  // a blank after the dollar sign changes nothing
      {4294967295u, "42,949,672.95"},
      {4294967295u, "42949672.95"},
      {4294967200u, "42949672"},
      {4294967295u, "00000000000000000000042949672.95"},  // zeros do not count toward overflow
  };
  for (const MoneyCase& c : cases) {
    std::uint32_t cents = kUntouched;
    EXPECT_EQ(QRX_ParseMoney(c.text, &cents), 1) << '"' << c.text << '"';
    EXPECT_EQ(cents, c.cents) << '"' << c.text << '"';
  }
}

TEST(ParseMoney, RefusesMalformedAmountsAndLeavesCentsAlone) {
  const char* refused[] = {
      "",       "   ",    "$",      ".",     "$.",    "abc",  "12a",      "1e3",      "-5",
      "5-",     "+5",     "$-5",    "1.234", "1.2.3", "1,23", "12,34.00", "1234,567", ",123",
      "1,,234", "1,234,", "1,2345", "1 234", "$$5",   "5$",   "5 $",      "0x10",     "5.-1",
  };
  for (const char* text : refused) {
    std::uint32_t cents = kUntouched;
    EXPECT_EQ(QRX_ParseMoney(text, &cents), 0) << '"' << text << '"';
    EXPECT_EQ(cents, kUntouched) << '"' << text << '"';
  }
}

TEST(ParseMoney, RefusesAmountsBeyondThirtyTwoBitCents) {
  const char* refused[] = {
      "42,949,672.96",  // one cent more than the largest amount
      "42949672.96",
      "42949673",
      "429496730",             // times 100 wraps a 32-bit sum back to a small amount
      "99999999999999999999",  // wraps a 64-bit accumulator
      "18446744073709551616",
      "1844674407370955161.60",
      "000000000000000000000042949673",
  };
  for (const char* text : refused) {
    std::uint32_t cents = kUntouched;
    EXPECT_EQ(QRX_ParseMoney(text, &cents), 0) << text;
    EXPECT_EQ(cents, kUntouched) << text;
  }
}

TEST(ParseMoney, WithoutOutOnlyValidates) {
  EXPECT_EQ(QRX_ParseMoney("$1,234.56", nullptr), 1);
  EXPECT_EQ(QRX_ParseMoney("1,23", nullptr), 0);
}

TEST(ParseMoney, RoundTripsFormattedAmounts) {
  for (const MoneyCase& c : kFormatted) {
    char text[32];
    QRX_FormatMoney(text, sizeof text, c.cents);
    std::uint32_t cents = kUntouched;
    ASSERT_EQ(QRX_ParseMoney(text, &cents), 1) << text;
    EXPECT_EQ(cents, c.cents) << text;
  }
  for (std::uint32_t cents : {1u, 1000u, 654321u, 4294967294u, 2147483648u}) {
    char text[32];
    QRX_FormatMoney(text, sizeof text, cents);
    std::uint32_t back = kUntouched;
    ASSERT_EQ(QRX_ParseMoney(text, &back), 1) << text;
    EXPECT_EQ(back, cents) << text;
  }
}

}  // namespace
