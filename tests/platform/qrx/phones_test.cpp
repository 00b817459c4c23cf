// Phone numbers as typed, stored and shown.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "contracts/qrx.h"
#include "tests/support/guarded_buffer.h"

namespace {

using namespace vantrel::test;  // the shared test pieces

// The digits stored for a typed phone, or "refused" (then the out must be empty). The check and
// the strip must never disagree.
std::string stored(const std::string& typed) {
  char out[16] = "stale";
  const int digits = QRX_StripPhone(typed, out, sizeof out);
  EXPECT_EQ(QRX_CheckPhone(typed), digits >= 0 ? 1 : 0) << '"' << typed << '"';
  if (digits < 0) return *out ? "refused, out not emptied" : "refused";
  EXPECT_EQ(digits, static_cast<int>(std::strlen(out)));
  return out;
}

std::string shown(const std::string& stored) {
  char out[32];
  const int length = QRX_FormatPhone(out, sizeof out, stored);
  EXPECT_EQ(length, static_cast<int>(std::strlen(out)));
  return out;
}

TEST(Phone, AcceptsOnlyEmptySevenOrTenDigitsAmongBlanksDashesAndParentheses) {
  EXPECT_EQ(stored(" -() "), "");
  EXPECT_EQ(stored("555-1234"), "5551234");
  EXPECT_EQ(stored("(555) 123-4567"), "5551234567");
  EXPECT_EQ(stored("\t555 123 4567 "), "5551234567");
  for (const char* bad : {"555.123.4567", "555-12345", "123456", "55512345678", "555-CALL",
                          "+1 555 123 4567", "5551234567x12"}) {
    EXPECT_EQ(stored(bad), "refused") << bad;
  }
}

// What is shown, typed back in, stores the same digits; other stored text is shown unchanged.
TEST(Phone, ShownTextRoundTripsAndOtherStoredTextIsShownUnchanged) {
  for (const char* digits : {"5551234567", "1234567", ""}) {
    EXPECT_EQ(stored(shown(digits)), digits);
  }
  EXPECT_EQ(shown("5551234567"), "(555)123-4567");
  EXPECT_EQ(shown("1234567"), "123-4567");
  for (const char* other : {"12345678", "555-CALL", "555123456a", " 5551234567"}) {
    EXPECT_EQ(shown(other), other);
  }
}

TEST(Phone, CutsToBufferAndWritesNothingPastIt) {
  Guarded<6> shownCut;
  EXPECT_EQ(QRX_FormatPhone(shownCut.data(), 6, "5551234567"), 5);
  EXPECT_EQ(shownCut.text(), "(555)");
  EXPECT_TRUE(shownCut.guardIntact(6));
  Guarded<5> storedCut;
  EXPECT_EQ(QRX_StripPhone("(555) 123-4567", storedCut.data(), 5), 4);
  EXPECT_EQ(storedCut.text(), "5551");
  EXPECT_TRUE(storedCut.guardIntact(5));
  Guarded<1> none;
  EXPECT_EQ(QRX_FormatPhone(none.data(), 0, "5551234567"), 0);
  EXPECT_EQ(QRX_StripPhone("555.1234", none.data(), 0), -1);
  EXPECT_TRUE(none.guardIntact(0));
}

}  // namespace
