// Amounts of money in 32-bit cents, shown and typed.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "contracts/qrx.h"
#include "tests/support/guarded_buffer.h"

namespace {

using namespace vantrel::test;  // the shared test pieces

constexpr std::uint32_t kUntouched = 0xDEADBEEF;

// The cents read from a typed amount; kUntouched when it was refused (and the out left alone).
std::uint32_t typed(const char* text) {
  std::uint32_t cents = kUntouched;
  const int result = QRX_ParseMoney(text, &cents);
  EXPECT_EQ(result == 1, cents != kUntouched) << '"' << text << '"';
  return cents;
}

// The text an amount is shown as, which must read back as the same cents.
std::string shownAndReadBack(std::uint32_t cents) {
  char text[32];
  const int length = QRX_FormatMoney(text, sizeof text, cents);
  EXPECT_EQ(length, static_cast<int>(std::strlen(text)));
  EXPECT_EQ(typed(text), cents) << text;
  return text;
}

TEST(Money, ShownAmountsRoundTrip) {
  EXPECT_EQ(shownAndReadBack(0), "0.00");
  EXPECT_EQ(shownAndReadBack(5), "0.05");
  EXPECT_EQ(shownAndReadBack(99999), "999.99");
  EXPECT_EQ(shownAndReadBack(100000), "1,000.00");
  EXPECT_EQ(shownAndReadBack(100000000), "1,000,000.00");
  EXPECT_EQ(shownAndReadBack(2147483648u), "21,474,836.48");
  EXPECT_EQ(shownAndReadBack(4294967295u), "42,949,672.95");
}

TEST(Money, ReadsTypedAmounts) {
  EXPECT_EQ(typed("5."), 500u);
  EXPECT_EQ(typed(".75"), 75u);
  EXPECT_EQ(typed("1234.5"), 123450u);
  EXPECT_EQ(typed("  $12.3  "), 1230u);
  EXPECT_EQ(typed("$ 5"), 500u);
  EXPECT_EQ(typed("1,234,567.8"), 123456780u);
  EXPECT_EQ(typed("00000000000000000000042949672.95"), 4294967295u);  // zeros do not overflow
  EXPECT_EQ(QRX_ParseMoney("$1,234.56", nullptr), 1);
}

// 42,949,672.96 is one cent more than the largest amount; 429496730 times 100 wraps a 32-bit
// sum back to a small amount, the longer ones a 64-bit sum.
TEST(Money, RefusesMalformedOrOverflowingAmountsAndLeavesCentsAlone) {
  const char* malformed[] = {"   ",    "",       "$",     ".",     "abc",  "12a",      "1e3",
                             "-5",     "+5",     "1.234", "1.2.3", "1,23", "12,34.00", ",123",
                             "1,,234", "1,234,", "1 234", "$$5",   "5$",   "0x10"};
  const char* overflowing[] = {"42,949,672.96",          "429496730",
                               "99999999999999999999",   "18446744073709551616",
                               "1844674407370955161.60", "000000000000000000000042949673"};
  for (const char* text : malformed) EXPECT_EQ(typed(text), kUntouched) << '"' << text << '"';
  for (const char* text : overflowing) EXPECT_EQ(typed(text), kUntouched) << '"' << text << '"';
  EXPECT_EQ(QRX_ParseMoney("1,23", nullptr), 0);
}

TEST(Money, CutsToBufferAndWritesNothingPastIt) {
  Guarded<5> out;
  EXPECT_EQ(QRX_FormatMoney(out.data(), 5, 123456), 4);
  EXPECT_EQ(out.text(), "1,23");
  EXPECT_TRUE(out.guardIntact(5));
  Guarded<14> exact;  // "42,949,672.95" and its terminator
  EXPECT_EQ(QRX_FormatMoney(exact.data(), 14, 4294967295u), 13);
  EXPECT_TRUE(exact.guardIntact(14));
  Guarded<1> none;
  EXPECT_EQ(QRX_FormatMoney(none.data(), 0, 123456), 0);
  EXPECT_TRUE(none.guardIntact(0));
}

}  // namespace
