#include "lists/list_state.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ApptView, ReadsModeDigitAndTheCodeFromCharactersThreeToSix) {
  struct Case {
    const char* value;
    int mode;
    const char* operatory;  // expected codes; the state starts with "keep" in both
    const char* provider;
  };
  const Case cases[] = {
      {"0", kViewModeAll, "keep", "keep"},
      {"0(DDS )", kViewModeAll, "keep", "keep"},
      {"1(OP1 )", kViewModeOperatory, "OP1 ", "keep"},
      {"2(DDS )", kViewModeProvider, "keep", "DDS "},
      {"2(ABCD)", kViewModeProvider, "keep", "ABCD"},
      // Short and garbage values: a clear answer, never a read past the text.
      {"", kViewModeAll, "keep", "keep"},
      {"1", kViewModeOperatory, "", "keep"},
      {"2(", kViewModeProvider, "keep", ""},
      {"2(AB", kViewModeProvider, "keep", "AB"},
      {"1xWXYZ-more", kViewModeOperatory, "WXYZ", "keep"},
      {"3(DDS )", kViewModeAll, "keep", "keep"},
      {" 1(OP1 )", kViewModeAll, "keep", "keep"},
      {"x", kViewModeAll, "keep", "keep"},
  };
  for (const Case& c : cases) {
    ListState state;
    state.mode = 7;
    state.operatoryCode = "keep";
    state.providerCode = "keep";
    parseApptView(c.value, &state);
    EXPECT_EQ(state.mode, c.mode) << '"' << c.value << '"';
    EXPECT_EQ(state.operatoryCode, c.operatory) << '"' << c.value << '"';
    EXPECT_EQ(state.providerCode, c.provider) << '"' << c.value << '"';
  }
}

TEST(ApptView, WritesTheCodeOfTheModePaddedOrCutToFour) {
  ListState state;
  state.operatoryCode = "OP1";
  state.providerCode = "DRLONG";
  state.mode = kViewModeOperatory;
  EXPECT_EQ(formatApptView(state), "1(OP1 )");
  state.mode = kViewModeProvider;
  EXPECT_EQ(formatApptView(state), "2(DRLO)");
  state.mode = kViewModeAll;
  EXPECT_EQ(formatApptView(state), "0(DRLO)");
  state.mode = 9;
  EXPECT_EQ(formatApptView(state), "0(DRLO)");
  state.providerCode.clear();
  EXPECT_EQ(formatApptView(state), "0(    )");
}

TEST(ApptView, WrittenViewReadsBackToTheSameView) {
  for (const int mode : {kViewModeAll, kViewModeOperatory, kViewModeProvider}) {
    ListState written;
    written.mode = mode;
    written.operatoryCode = "OP2 ";
    written.providerCode = "HYG ";
    ListState read;
    parseApptView(formatApptView(written), &read);
    EXPECT_EQ(read.mode, mode);
    EXPECT_EQ(viewCode(read), viewCode(written)) << mode;
  }
}

TEST(ApptView, ViewCodeIsAlwaysFourCharacters) {
  ListState state;
  state.mode = kViewModeOperatory;
  state.operatoryCode = "";
  EXPECT_EQ(viewCode(state), "    ");
  state.operatoryCode = "TOOLONG";
  EXPECT_EQ(viewCode(state), "TOOL");
  state.mode = kViewModeAll;
  EXPECT_EQ(viewCode(state), "    ");
}

}  // namespace
