#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "contracts/qrx.h"
#include "tests/support/guarded_buffer.h"

namespace {

using namespace vantrel::test;  // the shared test pieces

TEST(FormatPhone, FormatsTenAndSevenDigitsAndLeavesEverythingElseAlone) {
  const struct {
    const char* stored;
    const char* shown;
  } cases[] = {
      {"5551234567", "(555)123-4567"},
      {"1234567", "123-4567"},
      {"", ""},
      {"12345678", "12345678"},
      {"123456", "123456"},
      {"55512345678", "55512345678"},
      {"555123456a", "555123456a"},
      {"555-CALL", "555-CALL"},
      {"(555)123-4567", "(555)123-4567"},
      {"555 123 4567", "555 123 4567"},
      {" 5551234567", " 5551234567"},
  };
  for (const auto& c : cases) {
    char out[32];
    const int n = QRX_FormatPhone(out, sizeof out, c.stored);
    EXPECT_STREQ(out, c.shown) << c.stored;
    EXPECT_EQ(n, static_cast<int>(std::strlen(c.shown))) << c.stored;
  }
}

TEST(FormatPhone, CutsToBufferAndWritesNothingPastIt) {
  Guarded<6> out;
  EXPECT_EQ(QRX_FormatPhone(out.data(), 6, "5551234567"), 5);
  EXPECT_EQ(out.text(), "(555)");
  EXPECT_TRUE(out.guardIntact(6));

  Guarded<4> other;
  EXPECT_EQ(QRX_FormatPhone(other.data(), 4, "ext 12"), 3);
  EXPECT_EQ(other.text(), "ext");
  EXPECT_TRUE(other.guardIntact(4));

  Guarded<1> none;
  EXPECT_EQ(QRX_FormatPhone(none.data(), 0, "5551234567"), 0);
  EXPECT_TRUE(none.guardIntact(0));
}

struct TypedCase {
  const char* typed;
  int digits;  // what StripPhone returns: the digit count, -1 when refused
  const char* stored;
};

// One table for the check and the strip, so that the two can never disagree.
const TypedCase kTyped[] = {
    {"", 0, ""},
    {"   ", 0, ""},
    {"-()", 0, ""},
    {"555-1234", 7, "5551234"},
    {"5551234", 7, "5551234"},
    {"(555) 123-4567", 10, "5551234567"},
    {"(555)123-4567", 10, "5551234567"},
    {" 555 123 4567 ", 10, "5551234567"},
    {"\t555-1234", 7, "5551234"},
    {"5551234567", 10, "5551234567"},
    {"555.123.4567", -1, ""},
    {"555-12345", -1, ""},
    {"123456", -1, ""},
    {"55512345678", -1, ""},
    {"555-CALL", -1, ""},
    {"+1 555 123 4567", -1, ""},
    {"5551234567x12", -1, ""},
    {"555/123-4567", -1, ""},
};

TEST(CheckPhone, AcceptsOnlyEmptySevenOrTenDigitsAmongBlanksDashesParentheses) {
  for (const TypedCase& c : kTyped) {
    EXPECT_EQ(QRX_CheckPhone(c.typed), c.digits >= 0 ? 1 : 0) << '"' << c.typed << '"';
  }
}

TEST(StripPhone, KeepsTheDigitsOfAcceptedPhonesAndEmptiesOutOnRefusal) {
  for (const TypedCase& c : kTyped) {
    char out[16] = "stale";
    EXPECT_EQ(QRX_StripPhone(c.typed, out, sizeof out), c.digits) << '"' << c.typed << '"';
    EXPECT_STREQ(out, c.stored) << '"' << c.typed << '"';
  }
}

TEST(StripPhone, CutsToBufferAndWritesNothingPastIt) {
  Guarded<5> out;
  EXPECT_EQ(QRX_StripPhone("(555) 123-4567", out.data(), 5), 4);
  EXPECT_EQ(out.text(), "5551");
  EXPECT_TRUE(out.guardIntact(5));

  Guarded<1> none;
  EXPECT_EQ(QRX_StripPhone("555-1234", none.data(), 0), 0);
  EXPECT_EQ(QRX_StripPhone("555.1234", none.data(), 0), -1);
  EXPECT_TRUE(none.guardIntact(0));
}

}  // namespace
