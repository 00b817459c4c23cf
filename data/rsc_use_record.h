#pragma once
// The resource schedule file (file 94): one 662-byte `RscUseRecord` per resource and week, found
// by key 95 = kind (1), code (4), week (4). Week 0 is the resource's default record; any other
// week is the Sunday that starts it.
//
// The default record and the week records lay out the same bytes differently, and a provider's
// default record differs again from the practice's; each accessor below says which record kind it
// belongs to. Bytes a kind does not use are kept as read.
//
// Times of day are 16-bit counts of 5-minute units since midnight; 0xFFFF = none.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "contracts/qrx.h"
#include "data/record_bytes.h"

// A yearly holiday slot of the practice's default record: month, day, a zero byte, kind.
struct HolidayEntry {
  std::uint8_t month = 0;
  std::uint8_t day = 0;
  std::uint8_t zero = 0;
  std::uint8_t kind = 0;  // 0 = free slot; the calendar sets 2
  bool operator==(const HolidayEntry&) const = default;
  // Third byte zero and a kind below 100: it applies to that month and day of every year.
  bool isYearly() const { return zero == 0 && kind != 0 && kind < 100; }
};

class RscUseRecord : public rec::Fixed<662> {
 public:
  // Every record: the key fields. Bytes 0 and 1 are kept (0 in a new record).
  static constexpr rec::U32Field kWeek{2};
  static constexpr rec::U8Field kKind{6};
  static constexpr rec::CodeField kCode{7};

  // Default record (week 0) of the practice, and of a provider for the hours.
  static constexpr rec::U16Array kDefaultStarts{15, 21};  // 7 days (Sunday first) × 3 periods
  static constexpr rec::U16Array kDefaultEnds{57, 21};
  static constexpr rec::U16Field kTimeBlockCode{99};     // practice only
  static constexpr rec::BytesField kHolidays{161, 400};  // practice only: 100 × 4 bytes

  // Default record of a provider.
  static constexpr rec::U32Field kColour{11};  // RGB, red in the low byte
  static constexpr rec::TextArray kBlockNames{99, 13, 6};
  static constexpr rec::U16Array kBlockStarts{177, 42};  // 7 days × 6 blocks
  static constexpr rec::U16Array kBlockEnds{261, 42};
  static constexpr rec::CodeArray kAliases{347, 10};
  static constexpr rec::U32Array kBlockColours{387, 6};
  static constexpr rec::U8Array kBlockTypes{411, 6, 5};  // first byte of each 5-byte entry
  static constexpr rec::BytesField kBlockTypeEntries{411, 30};
  static constexpr rec::CodeArray kBlockOperatories{441, 6};
  static constexpr rec::U32Array kGoals{522, 7};

  // Week record (week not 0), every kind.
  static constexpr rec::U8Array kDayStates{11, 7};
  static constexpr rec::BytesField kOccupancy{18, 504};  // 7 days × 72 bytes
  static constexpr rec::U32Array kDayAmounts{522, 7};
  static constexpr rec::U16Array kWeekStarts{550, 21};
  static constexpr rec::U16Array kWeekEnds{592, 21};

  // Provider time-block override (kind 4): day d, block i at 11 + 24d + 2i and 179 + 24d + 2i.
  static constexpr rec::U16Array kOverrideStarts{11, 84};  // 7 days × 12 places, 6 used
  static constexpr rec::U16Array kOverrideEnds{179, 84};

  // Record kinds (the first key byte).
  static constexpr std::uint8_t kPractice = 0;
  static constexpr std::uint8_t kProvider = 1;
  static constexpr std::uint8_t kOperatory = 3;
  static constexpr std::uint8_t kBlockOverride = 4;

  static constexpr std::uint16_t kNoTime = 0xFFFF;
  static constexpr std::size_t kDays = 7;
  static constexpr std::size_t kPeriods = 3;
  static constexpr std::size_t kBlocks = 6;
  static constexpr std::size_t kAliasCount = 10;
  static constexpr std::size_t kHolidayCount = 100;
  static constexpr std::size_t kUnitsPerDay = 288;
  static constexpr std::size_t kMapBytesPerDay = 72;
  // Day state bits.
  static constexpr std::uint8_t kDayBooked = 1;  // appointments are placed that day
  static constexpr std::uint8_t kDayClosed = 2;  // practice closed; provider on vacation

  // A new record zero-filled with its key fields.
  static RscUseRecord withKey(std::uint8_t kind, std::string_view code, PackedDate week) {
    RscUseRecord r;
    r.setKey(kind, code, week);
    return r;
  }

  PackedDate week() const { return u32<kWeek>(); }
  std::uint8_t kind() const { return u8<kKind>(); }
  std::string code() const { return rec::Fixed<662>::code<kCode>(); }
  bool setKey(std::uint8_t kind, std::string_view code, PackedDate week) {
    setU32<kWeek>(week);
    setU8<kKind>(kind);
    return setCode<kCode>(code);
  }

  // --- default hours (week 0): day 0-6, period 0-2
  std::uint16_t defaultStart(std::size_t day, std::size_t period) const {
    return inRange(day, period) ? u16At<kDefaultStarts>(day * kPeriods + period) : kNoTime;
  }
  std::uint16_t defaultEnd(std::size_t day, std::size_t period) const {
    return inRange(day, period) ? u16At<kDefaultEnds>(day * kPeriods + period) : kNoTime;
  }
  bool setDefaultPeriod(std::size_t day, std::size_t period, std::uint16_t start,
                        std::uint16_t end) {
    if (!inRange(day, period)) return false;
    return setU16At<kDefaultStarts>(day * kPeriods + period, start) &&
           setU16At<kDefaultEnds>(day * kPeriods + period, end);
  }
  // 1, 2, 3, 4 or 6 (5 to 30 minutes).
  std::uint16_t timeBlockCode() const { return u16<kTimeBlockCode>(); }
  void setTimeBlockCode(std::uint16_t v) { setU16<kTimeBlockCode>(v); }

  HolidayEntry holiday(std::size_t slot) const {
    if (slot >= kHolidayCount) return {};
    const std::uint8_t* p = bytes_.data() + kHolidays.offset + slot * 4;
    return {p[0], p[1], p[2], p[3]};
  }
  bool setHoliday(std::size_t slot, const HolidayEntry& e) {
    if (slot >= kHolidayCount) return false;
    std::uint8_t* p = bytes_.data() + kHolidays.offset + slot * 4;
    p[0] = e.month;
    p[1] = e.day;
    p[2] = e.zero;
    p[3] = e.kind;
    return true;
  }
  std::array<std::uint8_t, 400> holidayBytes() const { return raw<kHolidays>(); }

  // --- provider default record
  std::uint32_t colour() const { return u32<kColour>(); }
  void setColour(std::uint32_t rgb) { setU32<kColour>(rgb); }
  std::string blockName(std::size_t block) const { return textAt<kBlockNames>(block); }
  bool setBlockName(std::size_t block, std::string_view v) {
    return setTextAt<kBlockNames>(block, v);
  }
  // 0xFFFF = the block does not apply that day.
  std::uint16_t blockStart(std::size_t day, std::size_t block) const {
    return blockInRange(day, block) ? u16At<kBlockStarts>(day * kBlocks + block) : kNoTime;
  }
  std::uint16_t blockEnd(std::size_t day, std::size_t block) const {
    return blockInRange(day, block) ? u16At<kBlockEnds>(day * kBlocks + block) : kNoTime;
  }
  bool setBlockTimes(std::size_t day, std::size_t block, std::uint16_t start, std::uint16_t end) {
    if (!blockInRange(day, block)) return false;
    return setU16At<kBlockStarts>(day * kBlocks + block, start) &&
           setU16At<kBlockEnds>(day * kBlocks + block, end);
  }
  // The alias list ends at the first code whose first byte is 0.
  std::string alias(std::size_t i) const { return codeAt<kAliases>(i); }
  bool setAlias(std::size_t i, std::string_view code) { return setCodeAt<kAliases>(i, code); }
  std::uint32_t blockColour(std::size_t block) const { return u32At<kBlockColours>(block); }
  bool setBlockColour(std::size_t block, std::uint32_t rgb) {
    return setU32At<kBlockColours>(block, rgb);
  }
  // Position in the appointment type list, 0 = any type. The 4 bytes after it are kept.
  std::uint8_t blockType(std::size_t block) const { return u8At<kBlockTypes>(block); }
  bool setBlockType(std::size_t block, std::uint8_t v) { return setU8At<kBlockTypes>(block, v); }
  // Empty (four zero bytes) = no operatory.
  std::string blockOperatory(std::size_t block) const { return codeAt<kBlockOperatories>(block); }
  bool setBlockOperatory(std::size_t block, std::string_view code) {
    return setCodeAt<kBlockOperatories>(block, code);
  }
  std::uint32_t goal(std::size_t day) const { return u32At<kGoals>(day); }
  bool setGoal(std::size_t day, std::uint32_t v) { return setU32At<kGoals>(day, v); }

  // --- week record
  std::uint8_t dayState(std::size_t day) const { return u8At<kDayStates>(day); }
  bool setDayState(std::size_t day, std::uint8_t v) { return setU8At<kDayStates>(day, v); }
  // The 2-bit count of unit u (0-287) of a day: byte u / 4 of the day's 72, bits (u % 4) × 2,
  // the lowest pair first.
  std::uint8_t occupancy(std::size_t day, std::size_t unit) const {
    if (day >= kDays || unit >= kUnitsPerDay) return 0;
    const std::uint8_t b = bytes_[mapByte(day, unit)];
    return static_cast<std::uint8_t>((b >> ((unit % 4) * 2)) & 3);
  }
  bool setOccupancy(std::size_t day, std::size_t unit, std::uint8_t count) {
    if (day >= kDays || unit >= kUnitsPerDay || count > 3) return false;
    std::uint8_t& b = bytes_[mapByte(day, unit)];
    const int shift = static_cast<int>((unit % 4) * 2);
    b = static_cast<std::uint8_t>((b & ~(3 << shift)) | (count << shift));
    return true;
  }
  // Every unit of the day 0.
  bool dayMapEmpty(std::size_t day) const {
    if (day >= kDays) return true;
    for (std::size_t k = 0; k < kMapBytesPerDay; ++k) {
      if (bytes_[kOccupancy.offset + day * kMapBytesPerDay + k] != 0) return false;
    }
    return true;
  }
  std::uint32_t dayAmount(std::size_t day) const { return u32At<kDayAmounts>(day); }
  bool setDayAmount(std::size_t day, std::uint32_t v) { return setU32At<kDayAmounts>(day, v); }
  std::uint16_t weekStart(std::size_t day, std::size_t period) const {
    return inRange(day, period) ? u16At<kWeekStarts>(day * kPeriods + period) : kNoTime;
  }
  std::uint16_t weekEnd(std::size_t day, std::size_t period) const {
    return inRange(day, period) ? u16At<kWeekEnds>(day * kPeriods + period) : kNoTime;
  }
  bool setWeekPeriod(std::size_t day, std::size_t period, std::uint16_t start, std::uint16_t end) {
    if (!inRange(day, period)) return false;
    return setU16At<kWeekStarts>(day * kPeriods + period, start) &&
           setU16At<kWeekEnds>(day * kPeriods + period, end);
  }

  // --- time-block override (kind 4): 0xFFFF start = the block keeps its default times
  std::uint16_t overrideStart(std::size_t day, std::size_t block) const {
    return blockInRange(day, block) ? u16At<kOverrideStarts>(day * 12 + block) : kNoTime;
  }
  std::uint16_t overrideEnd(std::size_t day, std::size_t block) const {
    return blockInRange(day, block) ? u16At<kOverrideEnds>(day * 12 + block) : kNoTime;
  }
  bool setOverride(std::size_t day, std::size_t block, std::uint16_t start, std::uint16_t end) {
    if (!blockInRange(day, block)) return false;
    return setU16At<kOverrideStarts>(day * 12 + block, start) &&
           setU16At<kOverrideEnds>(day * 12 + block, end);
  }

 private:
  static bool inRange(std::size_t day, std::size_t period) {
    return day < kDays && period < kPeriods;
  }
  static bool blockInRange(std::size_t day, std::size_t block) {
    return day < kDays && block < kBlocks;
  }
  static std::size_t mapByte(std::size_t day, std::size_t unit) {
    return kOccupancy.offset + day * kMapBytesPerDay + unit / 4;
  }
};
