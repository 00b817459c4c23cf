#include "lists/list_state.h"

#include <gtest/gtest.h>

namespace {

TEST(ApptView, ReadsModeDigitAndTheCodeFromCharactersThreeToSixNeverPastTheText) {
  const struct {
    const char* value;
    int mode;
    const char* operatory;  // the state starts with "keep" in both codes
    const char* provider;
  } cases[] = {
      {"1(OP1 )", kViewModeOperatory, "OP1 ", "keep"},
      {"2(ABCD)", kViewModeProvider, "keep", "ABCD"},
      {"", kViewModeAll, "keep", "keep"},
      {"1", kViewModeOperatory, "", "keep"},
      {"2(AB", kViewModeProvider, "keep", "AB"},
      {"1xWXYZ-more", kViewModeOperatory, "WXYZ", "keep"},
      {"3(DDS )", kViewModeAll, "keep", "keep"},
  };
  for (const auto& c : cases) {
    ListState state{.mode = 7, .operatoryCode = "keep", .providerCode = "keep"};
    parseApptView(c.value, &state);
    EXPECT_EQ(state.mode, c.mode) << '"' << c.value << '"';
    EXPECT_EQ(state.operatoryCode, c.operatory) << '"' << c.value << '"';
    EXPECT_EQ(state.providerCode, c.provider) << '"' << c.value << '"';
  }
}

TEST(ApptView, WritesTheCodeOfTheModePaddedOrCutToFourAndReadsItBack) {
  ListState state{.operatoryCode = "OP1", .providerCode = "DRLONG"};
  const std::pair<int, const char*> cases[] = {
      {kViewModeOperatory, "1(OP1 )"}, {kViewModeProvider, "2(DRLO)"}, {9, "0(DRLO)"}};
  for (const auto& [mode, text] : cases) {
    state.mode = mode;
    EXPECT_EQ(formatApptView(state), text);
    ListState read;
    parseApptView(formatApptView(state), &read);
    EXPECT_EQ(viewCode(read), viewCode(state)) << mode;
    EXPECT_EQ(viewCode(read).size(), 4u) << mode;
  }
  state.providerCode.clear();
  state.mode = kViewModeProvider;
  EXPECT_EQ(formatApptView(state), "2(    )");
}

}  // namespace
