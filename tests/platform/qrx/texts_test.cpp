// The small text formats of the utility library: names, money, times of day and phone numbers,
// shown, typed and cut to the caller's buffer.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

#include "contracts/qrx.h"
#include "tests/support/guarded_buffer.h"

namespace {

using vantrel::test::Guarded;

// What `format` writes into `size` usable bytes ("overrun" when it wrote at or past them); a
// call that returns a length must return the length of the text.
template <typename Format>
std::string cut(std::size_t size, Format format, bool returnsLength = true) {
  Guarded<40> out;
  const int result = format(out.data(), size);
  if (!out.guardIntact(size)) return "overrun";
  const std::string text = size > 0 ? out.text() : "";
  if (returnsLength) {
    EXPECT_EQ(result, static_cast<int>(text.size())) << text;
  }
  return text;
}

// ---- Names

std::string packName(std::string_view last, std::string_view first, std::string_view initial,
                     int maxLen = 0) {
  return cut(39, [&](char* out, std::size_t size) {
    return QRX_PackName(out, size, last, first, initial, maxLen);
  });
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

std::string packPrefName(std::string_view first, std::string_view preferred, int maxLen,
                         std::size_t size = 39) {
  return cut(size, [&](char* out, std::size_t n) {
    return QRX_PackPrefName(out, n, "Smith", first, "J", preferred, maxLen);
  });
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
  auto packed = [](std::size_t size, std::string_view last) {
    return cut(size, [&](char* out, std::size_t n) {
      return QRX_PackName(out, n, last, "John", "Q", 31);
    });
  };
  EXPECT_EQ(packed(8, "Smith"), "Smith, ");
  EXPECT_EQ(packed(3, "M\u00FCller"), "M");  // the two bytes of the u-umlaut do not both fit
  EXPECT_EQ(packed(0, "Smith"), "");
  EXPECT_EQ(packPrefName("Robert", "Bob", 0, 10), "Smith, Ro");
  EXPECT_EQ(packPrefName("Robert", "Bob", 0, 0), "");
}

TEST(UnpackName, SplitsTypedNamesAndRefusesTextWithoutLastName) {
  EXPECT_EQ(unpackName("Smith,John"), "Smith|John|");
  EXPECT_EQ(unpackName("  smith ,  john  q. "), "smith|john|q");
  EXPECT_EQ(unpackName("Smith, Q"), "Smith|Q|");  // a lone word after the comma is the first name
  EXPECT_EQ(unpackName("Smith, Mary   Ann T."), "Smith|Mary Ann|T");  // second given name kept
  EXPECT_EQ(unpackName("Smith, John, Q"), "Smith|John|Q");
  EXPECT_EQ(unpackName(""), "refused");
  EXPECT_EQ(unpackName(" , John"), "refused");
  // Packed names come back as their parts.
  const char* table[][3] = {{"Smith", "John", "Q"},       {"Smith", "", ""},
                            {"O'Brien", "Mary Ann", "T"}, {"de la Cruz", "Ana", "M"},
                            {"Lee", "Al", "b"},           {"Nguyen-Tran", "Bao", ""}};
  for (const auto& p : table) {
    EXPECT_EQ(unpackName(packName(p[0], p[1], p[2], 31)),
              std::string(p[0]) + "|" + p[1] + "|" + p[2]);
  }
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

TEST(PackPrefName, AddsPreferredNameOnlyWhenItDiffersFromFirstName) {
  EXPECT_EQ(packPrefName("Robert", " Bob ", 0), "Smith, Robert J [Bob]");
  EXPECT_EQ(packPrefName(" Robert", "rOBERT ", 0), "Smith, Robert J");
  EXPECT_EQ(packPrefName("Robert", "   ", 0), "Smith, Robert J");
  EXPECT_EQ(packPrefName("Robert", "Bob", 18), "Smith, Robert J [B");
}

// ---- Money

constexpr std::uint32_t kUntouched = 0xDEADBEEF;

// The cents read from a typed amount; kUntouched when it was refused (and the out left alone).
std::uint32_t typed(const char* text) {
  std::uint32_t cents = kUntouched;
  const int result = QRX_ParseMoney(text, &cents);
  EXPECT_EQ(result == 1, cents != kUntouched) << '"' << text << '"';
  return cents;
}

// The text an amount is shown as in `size` bytes; in full it must read back as the same cents.
std::string money(std::uint32_t cents, std::size_t size = 39) {
  const std::string text =
      cut(size, [&](char* out, std::size_t n) { return QRX_FormatMoney(out, n, cents); });
  if (size == 39) {
    EXPECT_EQ(typed(text.c_str()), cents) << text;
  }
  return text;
}

TEST(Money, ShownAmountsRoundTripAndAreCutToTheBuffer) {
  EXPECT_EQ(money(0), "0.00");
  EXPECT_EQ(money(5), "0.05");
  EXPECT_EQ(money(99999), "999.99");
  EXPECT_EQ(money(100000), "1,000.00");
  EXPECT_EQ(money(100000000), "1,000,000.00");
  EXPECT_EQ(money(2147483648u), "21,474,836.48");
  EXPECT_EQ(money(4294967295u), "42,949,672.95");
  EXPECT_EQ(money(4294967295u, 14), "42,949,672.95");  // exactly fits with its terminator
  EXPECT_EQ(money(123456, 5), "1,23");
  EXPECT_EQ(money(123456, 0), "");
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

// ---- Times of day

// The text and what the call reported: "am", "pm", or "refused" (then the text must be empty).
std::string shown(int hour, int minute, int mode = kTime12Hour) {
  char out[16] = "stale";
  const PackedTime time{static_cast<std::uint8_t>(hour), static_cast<std::uint8_t>(minute)};
  const int result = QRX_FormatPackTime(out, sizeof out, time, mode);
  if (result == 0) return *out ? "refused, text not emptied" : "refused";
  return std::string(out) + (result == kTimeAm ? " am" : result == kTimePm ? " pm" : " ?");
}

TEST(PackTimeTest, MidnightReadsTwelveAmAndNoonTwelvePm) {
  EXPECT_EQ(shown(0, 0), "12:00 am");
  EXPECT_EQ(shown(12, 0), "12:00 pm");
  EXPECT_EQ(shown(0, 5, kTime24Hour), " 0:05 am");
  EXPECT_EQ(shown(12, 0, kTime24Hour), "12:00 pm");
  EXPECT_EQ(shown(23, 59, kTime24Hour), "23:59 pm");
  EXPECT_EQ(shown(24, 0), "refused");
  EXPECT_EQ(shown(23, 60, kTime24Hour), "refused");
  EXPECT_EQ(shown(255, 255), "refused");
  // Every minute of the day against the C library's 12-hour clock.
  for (int minute = 0; minute < 24 * 60; ++minute) {
    std::tm tm{};
    tm.tm_hour = minute / 60;
    tm.tm_min = minute % 60;
    char text[16];
    ASSERT_GT(std::strftime(text, sizeof text, "%I:%M %p", &tm), 0u);  // "01:05 PM"
    std::string reference(text);
    if (reference[0] == '0') reference[0] = ' ';
    reference.replace(6, 2, reference.compare(6, 2, "AM") == 0 ? "am" : "pm");
    ASSERT_EQ(shown(tm.tm_hour, tm.tm_min), reference);
  }
}

TEST(PackTimeTest, CutsTooSmallBufferWithoutWritingPastItAndStillTellsTheMeridian) {
  const std::string full = " 1:30";
  for (std::size_t size = 0; size <= full.size() + 1; ++size) {
    int meridian = 0;
    const std::string text = cut(
        size,
        [&](char* out, std::size_t n) {
          return meridian = QRX_FormatPackTime(out, n, PackedTime{13, 30});
        },
        false);
    EXPECT_EQ(text, full.substr(0, size == 0 ? 0 : size - 1)) << size;
    EXPECT_EQ(meridian, kTimePm) << size;
  }
  EXPECT_EQ(QRX_FormatPackTime(nullptr, 0, PackedTime{9, 0}), kTimeAm);
}

// ---- Phones

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

std::string phone(const std::string& stored, std::size_t size = 39) {
  return cut(size, [&](char* out, std::size_t n) { return QRX_FormatPhone(out, n, stored); });
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
  for (const char* digits : {"5551234567", "1234567", ""}) EXPECT_EQ(stored(phone(digits)), digits);
  EXPECT_EQ(phone("5551234567"), "(555)123-4567");
  EXPECT_EQ(phone("1234567"), "123-4567");
  for (const char* other : {"12345678", "555-CALL", "555123456a", " 5551234567"}) {
    EXPECT_EQ(phone(other), other);
  }
}

TEST(Phone, CutsToBufferAndWritesNothingPastIt) {
  EXPECT_EQ(phone("5551234567", 6), "(555)");
  EXPECT_EQ(phone("5551234567", 0), "");
  Guarded<5> storedCut;
  EXPECT_EQ(QRX_StripPhone("(555) 123-4567", storedCut.data(), 5), 4);
  EXPECT_EQ(storedCut.text(), "5551");
  EXPECT_TRUE(storedCut.guardIntact(5));
  Guarded<1> none;
  EXPECT_EQ(QRX_StripPhone("555.1234", none.data(), 0), -1);
  EXPECT_TRUE(none.guardIntact(0));
}

}  // namespace
