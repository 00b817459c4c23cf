#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

#include "contracts/qrx.h"
#include "tests/support/guarded_buffer.h"

namespace {

using namespace vantrel::test;  // the shared test pieces

std::string packName(std::string_view last, std::string_view first, std::string_view initial,
                     int maxLen = 0) {
  char out[128];
  const int n = QRX_PackName(out, sizeof out, last, first, initial, maxLen);
  EXPECT_EQ(n, static_cast<int>(std::strlen(out)));
  return out;
}

struct PackCase {
  const char* last;
  const char* first;
  const char* initial;
  int maxLen;
  const char* expected;
};

TEST(PackName, JoinsPartsWithCommaOnlyWhenAGivenNameFollows) {
  const PackCase cases[] = {
      {"Smith", "John", "Q", 0, "Smith, John Q"},
      {"Smith", "", "", 0, "Smith"},
      {"Smith", "John", "", 0, "Smith, John"},
      {"Smith", "", "Q", 0, "Smith, Q"},
      {"  Smith ", "  John", "Q ", 0, "Smith, John Q"},
      {"Smith", "   ", " ", 0, "Smith"},
      {"de la Cruz", "Ana", "M", 0, "de la Cruz, Ana M"},
  };
  for (const PackCase& c : cases) {
    EXPECT_EQ(packName(c.last, c.first, c.initial, c.maxLen), c.expected)
        << c.last << "|" << c.first << "|" << c.initial;
  }
}

TEST(PackName, CutsToMaxLen) {
  const PackCase cases[] = {
      // The appointment's name field holds 31 characters.
      {"Vandenberghe-Oosterhuis", "Maximiliana", "R", 31, "Vandenberghe-Oosterhuis, Maximi"},
      {"Smith", "John", "Q", 5, "Smith"},
      {"Smith", "John", "Q", 7, "Smith, "},
      {"Smith", "John", "Q", 13, "Smith, John Q"},
      {"Smith", "John", "Q", 14, "Smith, John Q"},
      {"Smith", "John", "Q", -1, "Smith, John Q"},
  };
  for (const PackCase& c : cases) {
    EXPECT_EQ(packName(c.last, c.first, c.initial, c.maxLen), c.expected) << c.maxLen;
  }
}

TEST(PackName, CutsToBufferWhenSmallerThanMaxLen) {
  Guarded<8> out;
  EXPECT_EQ(QRX_PackName(out.data(), 8, "Smith", "John", "Q", 31), 7);
  EXPECT_EQ(out.text(), "Smith, ");
  EXPECT_TRUE(out.guardIntact(8));
}

TEST(PackName, SizeZeroWritesNothingAndSizeOneGivesEmptyText) {
  Guarded<1> out;
  EXPECT_EQ(QRX_PackName(out.data(), 0, "Smith", "John", "Q", 0), 0);
  EXPECT_TRUE(out.guardIntact(0));
  EXPECT_EQ(QRX_PackName(out.data(), 1, "Smith", "John", "Q", 0), 0);
  EXPECT_EQ(out.text(), "");
  EXPECT_TRUE(out.guardIntact(1));
}

TEST(PackName, DoesNotCutInsideAMultiByteCharacter) {
  // "Müller": the ü takes two bytes; a cut after the first of them would leave broken text.
  EXPECT_EQ(packName("M\xC3\xBCller", "", "", 2), "M");
  EXPECT_EQ(packName("M\xC3\xBCller", "", "", 3), "M\xC3\xBC");
  // A three-byte character (the euro sign) cut after one or two of its bytes.
  const std::string euro = "A\xE2\x82\xAC";
  EXPECT_EQ(packName(euro + "B", "", "", 2), "A");
  EXPECT_EQ(packName(euro + "B", "", "", 3), "A");
  EXPECT_EQ(packName(euro + "B", "", "", 4), euro);
  Guarded<3> out;
  EXPECT_EQ(QRX_PackName(out.data(), 3, "M\xC3\xBCller", "", "", 0), 1);
  EXPECT_EQ(out.text(), "M");
  EXPECT_TRUE(out.guardIntact(3));
}

struct UnpackCase {
  const char* packed;
  int result;
  const char* last;
  const char* first;
  const char* initial;
};

TEST(UnpackName, SplitsTypedNames) {
  const UnpackCase cases[] = {
      {"Smith, John Q", 1, "Smith", "John", "Q"},
      {"Smith,John", 1, "Smith", "John", ""},
      {"Smith", 1, "Smith", "", ""},
      {"  smith ,  john  q. ", 1, "smith", "john", "q"},
      {"Smith,", 1, "Smith", "", ""},
      {"de la Cruz, Ana M", 1, "de la Cruz", "Ana", "M"},
      // A lone word after the comma is the first name, even when it is one letter.
      {"Smith, Q", 1, "Smith", "Q", ""},
      // A second given name stays with the first name instead of being dropped.
      {"Smith, Mary Ann", 1, "Smith", "Mary Ann", ""},
      {"Smith, Mary   Ann T.", 1, "Smith", "Mary Ann", "T"},
      {"Smith, John QR", 1, "Smith", "John QR", ""},
      {"Smith, John, Q", 1, "Smith", "John", "Q"},
  };
  for (const UnpackCase& c : cases) {
    char last[32] = "x";
    char first[32] = "x";
    char initial[2] = "x";
    EXPECT_EQ(
        QRX_UnpackName(c.packed, last, sizeof last, first, sizeof first, initial, sizeof initial),
        c.result)
        << c.packed;
    EXPECT_STREQ(last, c.last) << c.packed;
    EXPECT_STREQ(first, c.first) << c.packed;
    EXPECT_STREQ(initial, c.initial) << c.packed;
  }
}

TEST(UnpackName, RefusesTextWithoutLastNameAndClearsEveryOut) {
  for (const char* packed : {"", "   ", ", John Q", " , John"}) {
    char last[32] = "stale";
    char first[32] = "stale";
    char initial[2] = "s";
    EXPECT_EQ(
        QRX_UnpackName(packed, last, sizeof last, first, sizeof first, initial, sizeof initial), 0)
        << '"' << packed << '"';
    EXPECT_STREQ(last, "");
    EXPECT_STREQ(first, "");
    EXPECT_STREQ(initial, "");
  }
}

TEST(UnpackName, CutsEachPartToItsBuffer) {
  Guarded<4> last;
  Guarded<3> first;
  Guarded<2> initial;
  EXPECT_EQ(QRX_UnpackName("Smith, John Q", last.data(), 4, first.data(), 3, initial.data(), 2), 1);
  EXPECT_EQ(last.text(), "Smi");
  EXPECT_EQ(first.text(), "Jo");
  EXPECT_EQ(initial.text(), "Q");
  EXPECT_TRUE(last.guardIntact(4));
  EXPECT_TRUE(first.guardIntact(3));
  EXPECT_TRUE(initial.guardIntact(2));

  Guarded<1> noRoom;
  EXPECT_EQ(QRX_UnpackName("Smith, John Q", noRoom.data(), 0, noRoom.data(), 0, nullptr, 0), 1);
  EXPECT_TRUE(noRoom.guardIntact(0));
}

TEST(UnpackName, RoundTripsPackedNames) {
  struct Parts {
    const char* last;
    const char* first;
    const char* initial;
  };
  const Parts table[] = {
      {"Smith", "John", "Q"},       {"Smith", "John", ""},      {"Smith", "", ""},
      {"O'Brien", "Mary Ann", "T"}, {"de la Cruz", "Ana", "M"}, {"Lee", "Al", "b"},
      {"Nguyen-Tran", "Bao", ""},
  };
  for (const Parts& p : table) {
    const std::string packed = packName(p.last, p.first, p.initial, 31);
    char last[32];
    char first[32];
    char initial[2];
    ASSERT_EQ(
        QRX_UnpackName(packed, last, sizeof last, first, sizeof first, initial, sizeof initial), 1)
        << packed;
    EXPECT_STREQ(last, p.last) << packed;
    EXPECT_STREQ(first, p.first) << packed;
    EXPECT_STREQ(initial, p.initial) << packed;
  }
}

struct PrefCase {
  const char* first;
  const char* preferred;
  int maxLen;
  const char* expected;
};

TEST(PackPrefName, AddsPreferredNameOnlyWhenItDiffersFromFirstName) {
  const PrefCase cases[] = {
      {"Robert", "Bob", 0, "Smith, Robert J [Bob]"},
      {"Robert", " Bob ", 0, "Smith, Robert J [Bob]"},
      {"Robert", "Robert", 0, "Smith, Robert J"},
      {"Robert", "rOBERT", 0, "Smith, Robert J"},
      {" Robert", "ROBERT ", 0, "Smith, Robert J"},
      {"Robert", "", 0, "Smith, Robert J"},
      {"Robert", "   ", 0, "Smith, Robert J"},
      {"Robert", "Bob", 18, "Smith, Robert J [B"},
      {"Robert", "Bob", 15, "Smith, Robert J"},
  };
  for (const PrefCase& c : cases) {
    char out[64];
    const int n = QRX_PackPrefName(out, sizeof out, "Smith", c.first, "J", c.preferred, c.maxLen);
    EXPECT_STREQ(out, c.expected) << c.first << "|" << c.preferred << "|" << c.maxLen;
    EXPECT_EQ(n, static_cast<int>(std::strlen(out)));
  }
}

TEST(PackPrefName, CutsToBufferAndWritesNothingPastIt) {
  Guarded<10> out;
  EXPECT_EQ(QRX_PackPrefName(out.data(), 10, "Smith", "Robert", "J", "Bob", 0), 9);
  EXPECT_EQ(out.text(), "Smith, Ro");
  EXPECT_TRUE(out.guardIntact(10));

  EXPECT_EQ(QRX_PackPrefName(out.data(), 0, "Smith", "Robert", "J", "Bob", 0), 0);
  EXPECT_EQ(out.text(), "Smith, Ro");
}

}  // namespace
