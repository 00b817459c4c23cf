#include "schedule/schedule_views.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>

#include "contracts/qrx.h"
#include "data/record_bytes.h"
#include "schedule/resource_tables.h"

namespace {

constexpr const char* kSection = "APPTBOOK";
constexpr std::size_t kTextLimit = 120;
constexpr std::size_t kInfoLines = 9;
constexpr int kHighestInfoLine = 15;
constexpr std::size_t kColumns = 7;
constexpr std::size_t kColumnWidth = 3;
constexpr std::size_t kFirstCode = 3;
constexpr std::size_t kCodeStep = 5;
constexpr std::size_t kShortestList = 2;

std::string keyOf(const char* base, int number) { return base + std::to_string(number); }

// The key's text, cut to what the suite reads of it; "" when missing.
std::string text(const char* base, int number) {
  std::array<char, kTextLimit + 1> buffer{};
  QRX_GetProfileString(kSection, keyOf(base, number).c_str(), "", buffer.data(), buffer.size());
  return buffer.data();
}

// The leading number of a text (blanks first allowed), 0 when there is none.
int leadingNumber(std::string_view s) {
  const std::string copy(s);
  return static_cast<int>(std::strtol(copy.c_str(), nullptr, 10));
}

std::string trimmedRight(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::vector<std::string> codeList(const std::string& value) {
  std::vector<std::string> codes;
  const int count = std::max(leadingNumber(value), 0);
  for (std::size_t at = kFirstCode;
       at < value.size() && codes.size() < static_cast<std::size_t>(count); at += kCodeStep) {
    std::string code = trimmedRight(value.substr(at, rec::kCodeWidth));
    if (code.empty()) break;
    codes.push_back(std::move(code));
  }
  return codes;
}

}  // namespace

bool readScheduleView(int number, const ProviderScheduleTable& providers,
                      const OperatoryTable& operatories, ScheduleView* out) {
  if (out == nullptr || number < 1 || number > kScheduleViews) return false;
  ScheduleView v;

  std::string order = text("ViewInfoOrder", number);
  if (order.empty()) order = "1,2,3,4,5,6,7,8,9";
  for (std::size_t at = 0; at <= order.size() && v.infoOrder.size() < kInfoLines;) {
    const std::size_t comma = std::min(order.find(',', at), order.size());
    const int line = leadingNumber(std::string_view(order).substr(at, comma - at));
    v.infoOrder.push_back(line > kHighestInfoLine || line < 0 ? 0 : line);
    at = comma + 1;
  }

  const std::string amount = text("ViewAmount", number);
  v.showAmount = !amount.empty() && amount[0] == '1';
  if (const std::string info = text("ViewInfo", number); !info.empty()) {
    v.firstOption = info[0] == '1';
    v.secondOption = info.size() > 2 && info[2] == '1';
  }
  v.beginTime = QRX_GetProfileInt(kSection, keyOf("ViewBegTime", number).c_str(), 96);
  v.endTime = QRX_GetProfileInt(kSection, keyOf("ViewEndTime", number).c_str(), 204);

  if (const std::string list = text("ViewProv", number); list.size() >= kShortestList) {
    v.providers = codeList(list);
  } else {
    for (std::size_t i = 0; i < providers.providers.size() && i < kMaxListedResources; ++i) {
      if (!providers.providers[i].inactive) v.providers.push_back(providers.providers[i].code);
    }
  }
  if (const std::string list = text("ViewOp", number); list.size() >= kShortestList) {
    v.operatories = codeList(list);
  } else {
    for (std::size_t i = 0; i < operatories.operatories.size() && i < kMaxListedResources; ++i) {
      v.operatories.push_back(operatories.operatories[i].code);
    }
  }

  if (const std::string columns = text("View", number); !columns.empty()) {
    for (std::size_t at = 0; at < columns.size() && v.columns.size() < kColumns;
         at += kColumnWidth) {
      v.columns.push_back(leadingNumber(std::string_view(columns).substr(at, kColumnWidth)));
    }
  } else {
    for (std::size_t c = 1; c <= kColumns; ++c) v.columns.push_back(static_cast<int>(c));
  }
  *out = std::move(v);
  return true;
}

DisplayedResources initialDisplayedResources(const ProviderScheduleTable& providers,
                                             const OperatoryTable& operatories) {
  DisplayedResources shown;
  for (std::size_t i = 0; i < providers.providers.size() && i < kMaxListedResources; ++i) {
    shown.providers.push_back(providers.providers[i].code);
  }
  for (std::size_t i = 0; i < operatories.operatories.size() && i < kMaxListedResources; ++i) {
    shown.operatories.push_back(operatories.operatories[i].code);
  }
  return shown;
}

void applyScheduleView(int number, const ProviderScheduleTable& providers,
                       const OperatoryTable& operatories, DisplayedResources* shown) {
  if (shown == nullptr) return;
  if (number < 1 || number > kAppliedViews) number = 1;
  ScheduleView view;
  readScheduleView(number, providers, operatories, &view);
  shown->providers.clear();
  for (const std::string& code : view.providers) {
    const int at = findProvider(providers, code);
    if (at >= 0 && shown->providers.size() < kMaxListedResources) {
      shown->providers.push_back(providers.providers[static_cast<std::size_t>(at)].code);
    }
  }
  shown->operatories.clear();
  for (const std::string& code : view.operatories) {
    const int at = findOperatory(operatories, code);
    if (at >= 0 && shown->operatories.size() < kMaxListedResources) {
      shown->operatories.push_back(operatories.operatories[static_cast<std::size_t>(at)].code);
    }
  }
  shown->view = number;
}
