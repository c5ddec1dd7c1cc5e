// setup-sim's user script: what each line becomes, and the lines it refuses.
#include <gtest/gtest.h>

#include "tools/setup-sim/user_script.h"

namespace {

using ui::headless::Step;

std::vector<Step> Parse(const std::string& text, unsigned cp = 1252) {
  std::vector<Step> steps;
  std::string error;
  EXPECT_TRUE(simtool::ParseUserScript(text, cp, steps, error)) << error;
  return steps;
}

std::string Error(const std::string& text) {
  std::vector<Step> steps;
  std::string error;
  EXPECT_FALSE(simtool::ParseUserScript(text, 1252, steps, error)) << text;
  return error;
}

TEST(UserScript, EachActionWithTimeConditionAndWait) {
  auto s = Parse(
      "# choose the second model, then search\n"
      "select TMainForm.LvPrinters 1\r\n"
      "\n"
      "at 12000 press TFormSearching.btnReSearch   # again\n"
      "when \"Restart \\\"now\\\"\" answer no\n"
      "wait 1500\n"
      "wait 500\n"
      "at 3000 when \"Search\" escape TFormSearching\n"
      "enter\n"
      "answer 6\n"
      "close TFormPromptCheck\n");
  ASSERT_EQ(s.size(), 7u);
  EXPECT_EQ(s[0].what, Step::Do::Select);
  EXPECT_EQ(s[0].form, "TMainForm");
  EXPECT_EQ(s[0].control, "LvPrinters");
  EXPECT_EQ(s[0].value, 1);
  EXPECT_EQ(s[0].at, 0u);
  EXPECT_EQ(s[1].what, Step::Do::Press);
  EXPECT_EQ(s[1].at, 12000u);
  EXPECT_EQ(s[1].control, "btnReSearch");
  EXPECT_EQ(s[2].what, Step::Do::Answer);
  EXPECT_EQ(s[2].value, 7);
  EXPECT_EQ(s[2].when, "Restart \"now\"");
  EXPECT_EQ(s[3].what, Step::Do::Escape);
  EXPECT_EQ(s[3].after, 2000u) << "the waits add up and delay the next action only";
  EXPECT_EQ(s[3].at, 3000u);
  EXPECT_EQ(s[3].when, "Search");
  EXPECT_EQ(s[3].form, "TFormSearching");
  EXPECT_EQ(s[4].what, Step::Do::Enter);
  EXPECT_EQ(s[4].form, "") << "the active window";
  EXPECT_EQ(s[4].after, 0u);
  EXPECT_EQ(s[5].value, 6);
  EXPECT_EQ(s[6].what, Step::Do::Close);
}

TEST(UserScript, TextsAreConvertedToTheMachinesCodePage) {
  auto s = Parse("when \"搜索\" enter\n", 936);
  ASSERT_EQ(s.size(), 1u);
  EXPECT_EQ(s[0].when, "\xCB\xD1\xCB\xF7");
}

TEST(UserScript, BadLinesAreRefusedWithTheirNumber) {
  EXPECT_EQ(Error("enter\nhop TMainForm\n"), "line 2: unknown action \"hop\"");
  EXPECT_EQ(Error("at soon enter\n").substr(0, 7), "line 1:");
  EXPECT_EQ(Error("at 5 at 6 enter\n").substr(0, 7), "line 1:");
  EXPECT_EQ(Error("when Search enter\n").substr(0, 7), "line 1:") << "the text needs quotes";
  EXPECT_EQ(Error("when \"open enter\n"), "line 1: a quoted text is not closed");
  EXPECT_EQ(Error("press btnOK\n").substr(0, 7), "line 1:") << "FORM.CONTROL";
  EXPECT_EQ(Error("press .btnOK\n").substr(0, 7), "line 1:");
  EXPECT_EQ(Error("select TMainForm.LvPrinters -1\n").substr(0, 7), "line 1:");
  EXPECT_EQ(Error("answer maybe\n"), "line 1: unknown answer \"maybe\"");
  EXPECT_EQ(Error("answer 8\n"), "line 1: unknown answer \"8\"");
  EXPECT_EQ(Error("at 100\n"), "line 1: no action");
  EXPECT_EQ(Error("at 100 wait 5\nenter\n").substr(0, 7), "line 1:");
  EXPECT_EQ(Error("enter\nwait 100\n"), "a \"wait\" at the end has no action to delay");
  EXPECT_EQ(Error("at 99999999999999 enter\n").substr(0, 7), "line 1:")
      << "absurd times are refused";
}

}  // namespace
