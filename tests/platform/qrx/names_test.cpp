// Packing a person's name into one text and cutting it back into its parts.

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

// The parts of a typed name as "last|first|initial", or "refused" (when every out must be empty).
std::string unpackName(std::string_view packed) {
  char last[32] = "stale", first[32] = "stale", initial[2] = "s";
  if (QRX_UnpackName(packed, last, sizeof last, first, sizeof first, initial, sizeof initial) ==
      1) {
    return std::string(last) + "|" + first + "|" + initial;
  }
  return *last || *first || *initial ? "refused, outs not cleared" : "refused";
}

std::string packPrefName(std::string_view first, std::string_view preferred, int maxLen) {
  char out[64];
  const int n = QRX_PackPrefName(out, sizeof out, "Smith", first, "J", preferred, maxLen);
  EXPECT_EQ(n, static_cast<int>(std::strlen(out)));
  return out;
}

TEST(PackName, JoinsTrimmedPartsWithCommaOnlyWhenAGivenNameFollowsAndCutsToMaxLen) {
  EXPECT_EQ(packName("Smith", "John", "Q"), "Smith, John Q");
  EXPECT_EQ(packName("Smith", "   ", " "), "Smith");
  EXPECT_EQ(packName("  Smith ", "  John", "Q "), "Smith, John Q");
  // The appointment's name field holds 31 characters.
  EXPECT_EQ(packName("Vandenberghe-Oosterhuis", "Maximiliana", "R", 31),
            "Vandenberghe-Oosterhuis, Maximi");
  EXPECT_EQ(packName("Smith", "John", "Q", 7), "Smith, ");
  // A cut never splits a character of two or three bytes.
  EXPECT_EQ(packName("M\u00FCller", "", "", 2), "M");
  EXPECT_EQ(packName("A\u20ACB", "", "", 4), "A\u20AC");
  EXPECT_EQ(packName("A\u20ACB", "", "", 3), "A");
}

TEST(PackName, CutsToBufferWithoutWritingPastIt) {
  Guarded<8> out;
  EXPECT_EQ(QRX_PackName(out.data(), 8, "Smith", "John", "Q", 31), 7);
  EXPECT_EQ(out.text(), "Smith, ");
  EXPECT_TRUE(out.guardIntact(8));
  Guarded<3> wide;  // the two bytes of the u-umlaut do not both fit
  EXPECT_EQ(QRX_PackName(wide.data(), 3, "M\u00FCller", "", "", 0), 1);
  EXPECT_EQ(wide.text(), "M");
  EXPECT_TRUE(wide.guardIntact(3));
  Guarded<10> pref;
  EXPECT_EQ(QRX_PackPrefName(pref.data(), 10, "Smith", "Robert", "J", "Bob", 0), 9);
  EXPECT_EQ(pref.text(), "Smith, Ro");
  EXPECT_TRUE(pref.guardIntact(10));
  Guarded<1> none;
  EXPECT_EQ(QRX_PackName(none.data(), 0, "Smith", "John", "Q", 0), 0);
  EXPECT_EQ(QRX_PackPrefName(none.data(), 0, "Smith", "Robert", "J", "Bob", 0), 0);
  EXPECT_TRUE(none.guardIntact(0));
}

TEST(UnpackName, SplitsTypedNamesAndRefusesTextWithoutLastName) {
  EXPECT_EQ(unpackName("Smith,John"), "Smith|John|");
  EXPECT_EQ(unpackName("  smith ,  john  q. "), "smith|john|q");
  EXPECT_EQ(unpackName("Smith, Q"), "Smith|Q|");  // a lone word after the comma is the first name
  EXPECT_EQ(unpackName("Smith, Mary   Ann T."), "Smith|Mary Ann|T");  // second given name kept
  EXPECT_EQ(unpackName("Smith, John, Q"), "Smith|John|Q");
  EXPECT_EQ(unpackName(""), "refused");
  EXPECT_EQ(unpackName(" , John"), "refused");
}

TEST(UnpackName, CutsEachPartToItsBuffer) {
  Guarded<4> last;
  Guarded<3> first;
  Guarded<2> initial;
  EXPECT_EQ(QRX_UnpackName("Smith, John Q", last.data(), 4, first.data(), 3, initial.data(), 2), 1);
  EXPECT_EQ(last.text() + "|" + first.text() + "|" + initial.text(), "Smi|Jo|Q");
  EXPECT_TRUE(last.guardIntact(4) && first.guardIntact(3) && initial.guardIntact(2));
  Guarded<1> noRoom;
  EXPECT_EQ(QRX_UnpackName("Smith, John Q", noRoom.data(), 0, noRoom.data(), 0, nullptr, 0), 1);
  EXPECT_TRUE(noRoom.guardIntact(0));
}

TEST(UnpackName, RoundTripsPackedNames) {
  const char* table[][3] = {{"Smith", "John", "Q"},       {"Smith", "", ""},
                            {"O'Brien", "Mary Ann", "T"}, {"de la Cruz", "Ana", "M"},
                            {"Lee", "Al", "b"},           {"Nguyen-Tran", "Bao", ""}};
  for (const auto& p : table) {
    EXPECT_EQ(unpackName(packName(p[0], p[1], p[2], 31)),
              std::string(p[0]) + "|" + p[1] + "|" + p[2]);
  }
}

TEST(PackPrefName, AddsPreferredNameOnlyWhenItDiffersFromFirstName) {
  EXPECT_EQ(packPrefName("Robert", " Bob ", 0), "Smith, Robert J [Bob]");
  EXPECT_EQ(packPrefName(" Robert", "rOBERT ", 0), "Smith, Robert J");
  EXPECT_EQ(packPrefName("Robert", "   ", 0), "Smith, Robert J");
  EXPECT_EQ(packPrefName("Robert", "Bob", 18), "Smith, Robert J [B");
}

}  // namespace
