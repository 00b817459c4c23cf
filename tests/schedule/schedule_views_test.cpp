#include "schedule/schedule_views.h"

#include <gtest/gtest.h>

#include "contracts/qrx.h"
#include "schedule/resource_tables.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

using Codes = std::vector<std::string>;

class ScheduleViews : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.set(dir_.file("VANTREL.INI"));
    for (int i = 1; i <= 22; ++i) {
      ProviderEntry p;
      p.code = "D" + std::to_string(i);
      p.code.resize(4, ' ');
      p.inactive = i == 2;
      providers_.providers.push_back(p);
      std::string op = "O" + std::to_string(i);
      op.resize(4, ' ');
      ops_.operatories.push_back({op, static_cast<std::uint8_t>(i)});
    }
  }
  static void put(const char* key, const char* value) {
    ASSERT_EQ(QRX_WriteProfileString("APPTBOOK", key, value), 1);
  }

  vantrel::test::TempDir dir_{"vantrel-views"};
  vantrel::test::ScopedEnv profile_{"VANTREL_PROFILE"};
  ProviderScheduleTable providers_;
  OperatoryTable ops_;
};

TEST_F(ScheduleViews, MissingKeysTakeTheirDefaults) {
  put("ViewProv3", "1");  // shorter than 2 characters: missing
  ScheduleView v;
  ASSERT_TRUE(readScheduleView(3, providers_, ops_, &v));
  EXPECT_EQ(v.infoOrder, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_FALSE(v.showAmount);
  EXPECT_TRUE(v.firstOption && v.secondOption);
  EXPECT_EQ(v.beginTime, 96);
  EXPECT_EQ(v.endTime, 204);
  EXPECT_EQ(v.columns, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
  ASSERT_EQ(v.providers.size(), 19u) << "the active ones among the first 20";
  EXPECT_EQ(v.providers[1], "D3  ");
  ASSERT_EQ(v.operatories.size(), 20u);
  EXPECT_EQ(v.operatories.back(), "O20 ");

  EXPECT_FALSE(readScheduleView(0, providers_, ops_, &v));
  EXPECT_FALSE(readScheduleView(21, providers_, ops_, &v));
}

TEST_F(ScheduleViews, StoredKeysAreReadAsTheSuiteWritesThem) {
  put("ViewInfoOrder4", "3,16,1");
  put("ViewAmount4", "1");
  put("ViewInfo4", "0,1");
  put("ViewBegTime4", "84");
  put("ViewEndTime4", "216");
  put("ViewProv4", "3  D5  ,D1  ");  // the count says 3; only 2 codes are there
  put("ViewOp4", "2  O3  ,O22 ,O7  ");
  put("View4", "  5 12  1");
  ScheduleView v;
  ASSERT_TRUE(readScheduleView(4, providers_, ops_, &v));
  EXPECT_EQ(v.infoOrder, (std::vector<int>{3, 0, 1})) << "a line above 15 counts as 0";
  EXPECT_TRUE(v.showAmount);
  EXPECT_FALSE(v.firstOption);
  EXPECT_TRUE(v.secondOption);
  EXPECT_EQ(v.beginTime, 84);
  EXPECT_EQ(v.endTime, 216);
  EXPECT_EQ(v.providers, (Codes{"D5", "D1"}));
  EXPECT_EQ(v.operatories, (Codes{"O3", "O22"}));
  EXPECT_EQ(v.columns, (std::vector<int>{5, 12, 1}));
}

TEST_F(ScheduleViews, ApplyingAViewReplacesTheDisplayedListsWithKnownCodes) {
  DisplayedResources shown = initialDisplayedResources(providers_, ops_);
  ASSERT_EQ(shown.providers.size(), 20u) << "the first 20, inactive ones too";
  ASSERT_EQ(shown.operatories.size(), 20u);
  EXPECT_EQ(shown.view, 0);

  put("ViewProv2", "2  D9  ,ZZ  ");
  put("ViewOp2", "2  O21 ,XX  ");
  applyScheduleView(2, providers_, ops_, &shown);
  EXPECT_EQ(shown.providers, Codes{"D9  "}) << "codes the tables lack are dropped";
  EXPECT_EQ(shown.operatories, Codes{"O21 "});
  EXPECT_EQ(shown.view, 2);

  put("ViewOp1", "1  O4  ");
  applyScheduleView(13, providers_, ops_, &shown);
  EXPECT_EQ(shown.view, 1) << "a view beyond 12 applies view 1";
  EXPECT_EQ(shown.operatories, Codes{"O4  "});
  EXPECT_EQ(shown.providers.size(), 19u) << "view 1 has no provider list: the default";
}

}  // namespace
