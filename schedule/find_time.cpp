#include "schedule/find_time.h"

#include <algorithm>
#include <map>
#include <span>
#include <string_view>
#include <utility>

#include "data/access_layer.h"
#include "data/appointment_record.h"
#include "data/record_bytes.h"
#include "data/rsc_use_record.h"
#include "data/schema.h"
#include "schedule/practice_calendar.h"
#include "schedule/practice_schedule.h"
#include "schedule/resource_tables.h"
#include "schedule/schedule_keys.h"
#include "schedule/time_entry.h"

namespace {

constexpr int kMsgBadTime = 9090;
constexpr int kMsgBadDate = 9047;

void tell(Prompter& prompter, const char* text, PromptIcon icon) {
  Prompt p;
  p.caption = kFindTimeCaption;
  p.text = text;
  p.buttons = PromptButtons::kOk;
  p.icon = icon;
  prompter.ask(p);
}

// 0-6, Sunday first; -1 for no calendar day.
int dayIndexOf(PackedDate date) { return QRX_WeekDayOf(date) - 1; }

// ---------------------------------------------------------------------------------------------
// Week records, read once per week searched

// A code as the records hold it: 4 characters, blank-padded.
std::string padded(std::string_view code) {
  std::string c(code.substr(0, rec::kCodeWidth));
  c.resize(rec::kCodeWidth, ' ');
  return c;
}

// Every week record of one week (the practice's, the providers' and the operatories'), read in
// one walk over the file's week key when the week is entered: a batch of a year's search reads
// 52 sets rather than a record per resource and week. A record missing or not read is absent.
// The first read error of a batch is told the user; the later ones are not (a damaged file
// would otherwise ask once per week).
class WeekRecords {
 public:
  explicit WeekRecords(Prompter& prompter) : prompter_(prompter) {
    const FileDescriptor* file = descriptorOf(kRscUseFile);
    open_ = file != nullptr && db_.startSession() == kQdbOk && db_.openReported(prompter_, *file);
  }
  ~WeekRecords() {
    if (open_) db_.endSet(kRscUseByWeek);
  }
  WeekRecords(const WeekRecords&) = delete;
  WeekRecords& operator=(const WeekRecords&) = delete;

  void enter(PackedDate week) {
    held_.clear();
    if (!open_) return;
    std::array<std::uint8_t, kRscUseKeyLength> key{};
    rec::storeU32(key.data(), week);
    RscUseRecord r;
    int result = db_.startSet(kRscUseByWeek, 0, key.data(), key.size(), r.data(), r.size(),
                              sizeof(PackedDate));
    while (result == kQdbOk) {
      if (r.week() == week) held_.insert_or_assign({r.kind(), padded(r.code())}, r);
      result = db_.nextInSet(kRscUseByWeek, r.data(), r.size());
    }
    if (result != kQdbNotFound && !quiet_) {
      quiet_ = true;
      QRX_DatabaseErrorNotice(prompter_, kRscUseFile, db_.status().error, db_.status().fileNumber);
    }
  }

  // The record of the resource in the week entered last, or null.
  const RscUseRecord* find(std::uint8_t kind, std::string_view code) const {
    const auto at = held_.find({kind, padded(code)});
    return at == held_.end() ? nullptr : &at->second;
  }

 private:
  Prompter& prompter_;
  AccessLayer db_;
  bool open_ = false;
  bool quiet_ = false;
  std::map<std::pair<std::uint8_t, std::string>, RscUseRecord> held_;
};

// ---------------------------------------------------------------------------------------------
// The search

// The first kMaxSearchCodes codes, each blank-padded to the 4 characters the tables hold, so a
// found time shows the code as every list does.
std::vector<std::string> firstCodesOf(const std::vector<std::string>& codes) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < codes.size() && i < kMaxSearchCodes; ++i) {
    out.push_back(padded(codes[i]));
  }
  return out;
}

struct Span {
  std::int32_t start = 0;
  std::int32_t end = 0;
  std::int32_t length() const { return end - start; }
};

// The first period of `hours` whose end lies after `position`: from the position when it lies
// inside the period, else from the period's start, to the period's end (at most the end of the
// day).
std::optional<Span> nextSpan(const DayHours& hours, std::int32_t position) {
  for (std::size_t p = 0; p < kDayPeriods; ++p) {
    if (hours.start[p] == kNoWorkingTime) continue;
    const std::int32_t end = std::min(hours.end[p], kEndOfDay);
    if (end > position) return Span{std::max(position, hours.start[p]), end};
  }
  return std::nullopt;
}

// The span narrowed to the provider's working period at or after its start; an empty span
// (start == end) when the provider works no more inside it.
Span narrowed(const Span& span, const DayHours& provider) {
  for (std::size_t p = 0; p < kDayPeriods; ++p) {
    if (provider.start[p] == kNoWorkingTime || provider.end[p] <= span.start) continue;
    const Span n{std::max(span.start, provider.start[p]), std::min(span.end, provider.end[p])};
    return n.start < n.end ? n : Span{span.end, span.end};
  }
  return Span{span.end, span.end};
}

std::int32_t dayEnd(const DayHours& hours) {
  std::int32_t end = 0;
  for (std::size_t p = 0; p < kDayPeriods; ++p) {
    if (hours.start[p] != kNoWorkingTime) end = std::max(end, std::min(hours.end[p], kEndOfDay));
  }
  return end;
}

class Search {
 public:
  Search(Prompter& prompter, const PracticeSchedule& practice,
         const ProviderScheduleTable& providers, SearchParams& params, int wanted)
      : prompter_(prompter),
        practice_(practice),
        table_(providers),
        params_(params),
        wanted_(static_cast<std::size_t>(std::max(wanted, 0))),
        length_(std::max<std::int32_t>(params.length, 1)),
        providers_(firstCodesOf(params.providers)),
        operatories_(firstCodesOf(params.operatories)),
        records_(prompter) {}

  std::vector<FoundTime> run() {
    if (wanted_ == 0) return {};
    SearchResume& resume = params_.resume;
    first_ = resume.date != kNoDate ? resume.date : params_.startDate;
    const PackedDate last = first_ + (kSearchDates - 1);
    const SearchResume from = resume;
    bool resuming = resume.date != kNoDate;
    for (PackedDate date = first_;; ++date) {
      if (date > last || dayIndexOf(date) < 0) {
        if (found_.empty()) tell(prompter_, kNoMatchText, PromptIcon::kExclamation);
        resume = SearchResume{date, 0, 0, false, 0, 0};
        return std::move(found_);
      }
      const SearchResume start = resuming ? from : SearchResume{date, 0, 0, false, 0, 0};
      resuming = false;
      if (searchable(date) && !searchDate(date, start)) return std::move(found_);
    }
  }

 private:
  // Reads the week records of the date's week when the week changes, and takes the practice's
  // hours of its seven days.
  void enterWeek(PackedDate date) {
    const PackedDate week = QRX_WeekStart(date);
    if (week == week_) return;
    week_ = week;
    records_.enter(week);
    const RscUseRecord* office = records_.find(RscUseRecord::kPractice, rec::kPracticeCode);
    for (std::size_t d = 0; d < kWeekDays; ++d) {
      const DateHours h = effectiveHoursOf(office, practice_.hours[d], d);
      weekHours_[d] = windowedHours(h.hours, params_.timeStart, params_.timeEnd);
      weekFlags_[d] = h.flag;
    }
  }

  bool searchable(PackedDate date) {
    enterWeek(date);
    const auto day = static_cast<std::size_t>(dayIndexOf(date));
    if (params_.skipDay[day] || holidayKindOfDate(practice_, date) != 0) return false;
    // A date the office has closed keeps its hours in the week record; nothing can be booked.
    return weekHours_[day].works() && weekFlags_[day] < kClosedFlag;
  }

  // The slots in use for the provider or any of its aliases; nullopt when one of them is on
  // vacation that day. A code without a week record has every slot free.
  std::optional<SlotMap> providerUse(const ProviderEntry& entry, std::size_t day) {
    SlotMap used;
    const auto add = [&](const std::string& code) {
      const RscUseRecord* r = records_.find(RscUseRecord::kProvider, code);
      if (r == nullptr) return true;
      if (r->dayState(day) >= kClosedFlag) return false;
      used |= usedSlots(*r, day);
      return true;
    };
    if (!add(entry.code)) return std::nullopt;
    for (std::size_t a = 0; a < entry.aliases.size() && a < kMaxAliases; ++a) {
      if (!add(entry.aliases[a])) return std::nullopt;
    }
    return used;
  }

  const SlotMap& operatoryUse(std::size_t index, std::size_t day) {
    if (operatoryMaps_.empty()) {
      operatoryMaps_.resize(operatories_.size());
      for (std::size_t o = 0; o < operatories_.size(); ++o) {
        const RscUseRecord* r = records_.find(RscUseRecord::kOperatory, operatories_[o]);
        if (r != nullptr) operatoryMaps_[o] = usedSlots(*r, day);
      }
    }
    return operatoryMaps_[index];
  }

  // Searches one date from `start` (its provider and positions). False when the batch ends.
  bool searchDate(PackedDate date, const SearchResume& start) {
    const auto day = static_cast<std::size_t>(dayIndexOf(date));
    const DayHours& hours = weekHours_[day];
    const std::int32_t end = dayEnd(hours);
    operatoryMaps_.clear();
    for (std::size_t p = start.provider; p < providers_.size(); ++p) {
      const bool resumed = p == start.provider && start.date == date;
      const int index = findProvider(table_, providers_[p]);
      if (index < 0) continue;
      const ProviderEntry& entry = table_.providers[static_cast<std::size_t>(index)];
      const DateHours own = effectiveHoursOf(records_.find(RscUseRecord::kProvider, entry.code),
                                             entry.hours[day], day);
      if (own.flag >= kClosedFlag || !own.hours.works()) continue;
      const std::optional<SlotMap> used = providerUse(entry, day);
      if (!used) continue;

      std::int32_t position = resumed ? start.dayPosition : 0;
      bool inRun = resumed && start.inRun;
      while (position + length_ <= end) {
        const std::optional<Span> practiceSpan = nextSpan(hours, position);
        if (!practiceSpan) break;
        const Span span = narrowed(*practiceSpan, own.hours);
        if (span.length() < length_) {
          position = span.end;  // always past the position: spans never start before it
          if (++spansTried_ >= kSearchSpans || date >= first_ + (kSearchDates - 1)) {
            if (found_.empty()) tell(prompter_, kNoPossibleMatchText, PromptIcon::kExclamation);
            params_.resume = SearchResume{date, p, position, false, 0, 0};
            return false;
          }
          continue;
        }
        for (std::int32_t from = span.start; span.end - from >= length_;) {
          const std::optional<SlotRun> run = freeRunIn(*used, from, span.end, length_);
          if (!run) break;
          std::size_t firstOperatory = 0;
          std::int32_t firstPosition = run->start;
          if (inRun) {
            firstOperatory = start.operatory;
            firstPosition = std::max(start.runPosition, run->start);
            inRun = false;
          }
          for (std::size_t o = firstOperatory; o < operatories_.size(); ++o) {
            const SlotMap& taken = operatoryUse(o, day);
            std::int32_t at = o == firstOperatory ? firstPosition : run->start;
            while (const std::optional<SlotRun> free = freeRunIn(taken, at, run->end(), length_)) {
              found_.push_back(
                  FoundTime{date, free->start, free->length, operatories_[o], entry.code});
              at = free->end();
              if (found_.size() >= wanted_) {
                params_.resume = SearchResume{date, p, run->start, true, o, at};
                return false;
              }
            }
          }
          from = run->end();
        }
        position = span.end;
      }
    }
    return true;
  }

  Prompter& prompter_;
  const PracticeSchedule& practice_;
  const ProviderScheduleTable& table_;
  SearchParams& params_;
  std::size_t wanted_;
  std::int32_t length_;
  std::vector<std::string> providers_;
  std::vector<std::string> operatories_;
  WeekRecords records_;

  PackedDate first_ = kNoDate;
  PackedDate week_ = kNoDate;
  WeekHours weekHours_{};
  std::array<std::uint8_t, kWeekDays> weekFlags_{};
  std::vector<SlotMap> operatoryMaps_;  // of the date being searched
  int spansTried_ = 0;
  std::vector<FoundTime> found_;
};

std::string trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return "";
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// " 8:00am" for a slot 0-288 (288, the end of the day, reads as midnight).
std::string clockText(std::int32_t slot) {
  const std::int32_t unit = slot % kUnitsPerDay;
  const PackedTime t{static_cast<std::uint8_t>(unit / 12),
                     static_cast<std::uint8_t>(unit % 12 * kMinutesPerUnit)};
  char text[16] = {};
  const int half = QRX_FormatPackTime(text, sizeof text, t, kTime12Hour);
  return std::string(text) + (half == kTimePm ? "pm" : "am");
}

}  // namespace

// ---------------------------------------------------------------------------------------------

std::vector<FoundTime> searchFreeTimes(Prompter& prompter, const PracticeSchedule& practice,
                                       const ProviderScheduleTable& providers, SearchParams& params,
                                       int wanted) {
  return Search(prompter, practice, providers, params, wanted).run();
}

SlotMap usedSlots(const RscUseRecord& week, std::size_t day) {
  SlotMap used;
  for (std::size_t unit = 0; unit < used.size(); ++unit)
    used[unit] = week.occupancy(day, unit) != 0;
  return used;
}

std::optional<SlotRun> freeRunIn(const SlotMap& used, std::int32_t from, std::int32_t to,
                                 std::int32_t length) {
  from = std::max<std::int32_t>(from, 0);
  to = std::min(to, kUnitsPerDay);
  length = std::max<std::int32_t>(length, 1);
  std::int32_t candidate = from;
  for (std::int32_t slot = from; slot < to; ++slot) {
    if (used[static_cast<std::size_t>(slot)]) {
      candidate = slot + 1;
      if (to - candidate < length) return std::nullopt;
      continue;
    }
    if (slot + 1 - candidate >= length) {
      std::int32_t end = slot + 1;
      while (end < to && !used[static_cast<std::size_t>(end)]) ++end;
      return SlotRun{candidate, end - candidate};
    }
  }
  return std::nullopt;
}

DayHours windowedHours(const DayHours& hours, std::int32_t timeStart, std::int32_t timeEnd) {
  DayHours out;
  std::size_t kept = 0;
  for (std::size_t p = 0; p < kDayPeriods; ++p) {
    std::int32_t start = hours.start[p];
    std::int32_t end = hours.end[p];
    if (start == kNoWorkingTime || end == kNoWorkingTime) continue;
    if (timeStart != kNoWorkingTime) start = std::max(start, timeStart);
    if (timeEnd != kNoWorkingTime) end = std::min(end, timeEnd);
    if (start >= end) continue;
    out.start[kept] = start;
    out.end[kept] = end;
    ++kept;
  }
  return out;
}

FindTimeChoices initialFindTimeChoices(const AppointmentRecord& appt, PackedDate startDate,
                                       PackedDate today, const PracticeSchedule& practice,
                                       const ProviderScheduleTable& providers,
                                       const OperatoryTable& operatories) {
  FindTimeChoices c;
  c.lengthMinutes = appt.length() >= 1 ? appt.length() : practice.blockMinutes;
  c.startDate = std::max(today + 1, startDate);
  const int provider = findProvider(providers, appt.providerCode());
  if (provider < 0) {
    for (std::size_t d = 0; d < kWeekDays; ++d) c.days[d] = practice.worksOn(d);
    return c;
  }
  const ProviderEntry& entry = providers.providers[static_cast<std::size_t>(provider)];
  c.providers.push_back(entry.code);
  for (const OperatoryEntry& op : operatories.operatories) {
    if (entry.assignedTo(op.assignment)) c.operatories.push_back(op.code);
  }
  if (c.operatories.empty()) {
    const int own = findOperatory(operatories, appt.operatoryCode());
    if (own >= 0)
      c.operatories.push_back(operatories.operatories[static_cast<std::size_t>(own)].code);
  }
  for (std::size_t d = 0; d < kWeekDays; ++d) c.days[d] = entry.hours[d].works();
  return c;
}

FindTimeCheck checkFindTimeEntry(Prompter& prompter, const FindTimeEntry& entry, int blockMinutes) {
  const auto refuse = [&](const char* text, FindTimeField field) {
    tell(prompter, text, PromptIcon::kStop);
    return FindTimeCheck{std::nullopt, field};
  };
  const bool anyProvider = !entry.providers.empty();
  const bool anyOperatory = !entry.operatories.empty();
  if (anyOperatory && !anyProvider) return refuse(kNeedProviderText, FindTimeField::kProviders);
  if (!anyOperatory && !anyProvider) return refuse(kNeedBothText, FindTimeField::kOperatories);
  if (!anyOperatory) return refuse(kNeedOperatoryText, FindTimeField::kOperatories);

  SearchParams params;
  const std::array<std::pair<const std::string*, FindTimeField>, 2> times = {
      {{&entry.timeStart, FindTimeField::kTimeStart}, {&entry.timeEnd, FindTimeField::kTimeEnd}}};
  std::array<std::int32_t, 2> window{kNoWorkingTime, kNoWorkingTime};
  for (std::size_t i = 0; i < times.size(); ++i) {
    if (trimmed(*times[i].first).empty()) continue;
    const std::optional<std::int32_t> unit = parseEnteredTime(*times[i].first, blockMinutes);
    if (!unit) {
      QRX_Message(prompter, kMsgBadTime);
      return FindTimeCheck{std::nullopt, times[i].second};
    }
    window[i] = *unit;
  }
  if (window[0] != kNoWorkingTime && window[1] != kNoWorkingTime && window[1] < window[0]) {
    return refuse(kInvalidTimeRangeText, FindTimeField::kTimeStart);
  }
  if (std::none_of(entry.days.begin(), entry.days.end(), [](bool d) { return d; })) {
    return refuse(kNeedDayText, FindTimeField::kDays);
  }
  if (QRX_ParseDate(trimmed(entry.startDate), &params.startDate) != 1) {
    QRX_Message(prompter, kMsgBadDate);
    return FindTimeCheck{std::nullopt, FindTimeField::kStartDate};
  }
  params.length = std::max(entry.lengthMinutes / kMinutesPerUnit, 1);
  for (std::size_t d = 0; d < kWeekDays; ++d) params.skipDay[d] = !entry.days[d];
  params.timeStart = window[0];
  params.timeEnd = window[1];
  params.providers = firstCodesOf(entry.providers);
  params.operatories = firstCodesOf(entry.operatories);
  return FindTimeCheck{std::move(params), FindTimeField::kNone};
}

PackedDate offsetDate(PackedDate date, int count, DateStep step) {
  std::int16_t year = 0, month = 0, day = 0;
  if (QRX_DateOut(date, &year, &month, &day) != 1) return kNoDate;
  switch (step) {
    case DateStep::kDays:
    case DateStep::kWeeks: {
      const long long days = static_cast<long long>(count) * (step == DateStep::kWeeks ? 7 : 1);
      const long long result = static_cast<long long>(date) + days;
      if (result <= 0 || result > 0xFFFFFFFFLL) return kNoDate;
      const auto moved = static_cast<PackedDate>(result);
      return QRX_WeekDayOf(moved) != 0 ? moved : kNoDate;
    }
    case DateStep::kMonths: {
      const long long months = static_cast<long long>(year) * 12 + (month - 1) + count;
      if (months < 0 || months / 12 > kLastYear) return kNoDate;
      const int y = static_cast<int>(months / 12);
      const int m = static_cast<int>(months % 12) + 1;
      // The 31st of a shorter month becomes its last day.
      for (int d = day; d >= 28; --d) {
        if (const PackedDate result = QRX_DateIn(y, m, d); result != kNoDate) return result;
      }
      return QRX_DateIn(y, m, day);
    }
  }
  return kNoDate;
}

std::string foundTimeRow(const FoundTime& found) {
  char date[16] = {};
  QRX_FormatNDate2000(date, sizeof date, found.date);
  std::string row = QRX_getday_name(QRX_WeekDayOf(found.date), true);
  row += "\t ";
  row += date;
  row += ' ';
  row += clockText(found.start);
  row += " - ";
  row += clockText(found.end());
  row += "\t ";
  row += found.operatory;
  row += " : ";
  row += found.provider;
  row += ' ';
  return row;
}

void applyFoundTime(const FoundTime& found, AppointmentRecord* appt) {
  if (appt == nullptr) return;
  appt->schedule(found.date, found.operatory, static_cast<std::uint8_t>(found.start / 12),
                 static_cast<std::uint8_t>(found.start % 12 * kMinutesPerUnit));
  appt->setProvider(found.provider);
}
