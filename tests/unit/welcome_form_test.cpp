// The welcome splash: when it is shown, its timeline over the virtual clock,
// its texts per language, and pictures that do not decode.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bytes.h"
#include "app/program.h"
#include "app/welcome_form.h"
#include "i18n/catalogue.h"
#include "program_fixture.h"
#include "ui/picture.h"

#ifndef UNIT_RESOURCES
#error "the build names the folder of the program's pictures (UNIT_RESOURCES)"
#endif

namespace {

std::string ReadPicture(const std::string& name) {
  std::ifstream in(std::string(UNIT_RESOURCES) + "/" + name + ".jpg", std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The four pictures as the build made them, Img01 to Img04.
const std::vector<std::string>& Pictures() {
  static const std::vector<std::string> pictures = [] {
    std::vector<std::string> v;
    for (const char* name : app::kWelcomePictures) v.push_back(ReadPicture(name));
    return v;
  }();
  return pictures;
}

class WelcomeSplash : public ProgramTest {
 protected:
  WelcomeSplash() {
    Write("C:\\Medium\\install.ini", "[A]\nInstallSettingFile2K=a.inf\n");
    Write("C:\\Medium\\a.inf", "[Strings]\nProviderName=Pellacor\n[P]\n\"Pellacor FQ-210\"=x\n");
    for (size_t i = 0; i < 4; ++i) machine.dataResources[app::kWelcomePictures[i]] = Pictures()[i];
  }

  void Start(const std::string& brand = "Pellacor") { p = app::StartProgram(brand); }

  // One look at the windows every 100 ms while the loop runs, up to |until|.
  struct Look {
    uint64_t at;
    bool mainShowing, mainBlend;
    int mainAlpha;
    bool splashShowing;
    int pictures;  // how many of Img01..04 are visible
    std::string loading;
  };
  std::vector<Look> Watch(uint64_t until) {
    std::vector<Look> looks;
    ui::Timer probe(p->mainForm.get(), "probe");
    probe.SetInterval(100);
    probe.OnTimer = [&] {
      app::TWelcomeForm* w = p->welcomeForm.get();
      int shown = 0;
      for (ui::Image* i : {w->Img01, w->Img02, w->Img03, w->Img04}) shown += i->Visible();
      looks.push_back({plat::sys().TickCount(), p->mainForm->Showing(), p->mainForm->AlphaBlend(),
                       p->mainForm->AlphaBlendValue(), w->Showing(), shown,
                       w->LblStarting->Caption()});
      if (plat::sys().TickCount() >= until) probe.SetEnabled(false);
    };
    app::RunProgram(*p);
    return looks;
  }
};

TEST_F(WelcomeSplash, PicturesEveryStepThenTheMainWindowOpaque) {
  Start();
  app::TWelcomeForm* w = p->welcomeForm.get();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->Showing());
  EXPECT_EQ(w->Caption(), "Welcome");
  EXPECT_EQ(w->border, ui::BorderStyle::None);
  EXPECT_EQ(w->ClientWidth(), 602);
  EXPECT_EQ(w->ClientHeight(), 365);
  // The pictures decoded as the window was made, hidden, left to right in
  // the panel without covering one another.
  int right = 0;
  for (ui::Image* image : {w->Img01, w->Img02, w->Img03, w->Img04}) {
    SCOPED_TRACE(image->Name());
    EXPECT_FALSE(image->Picture().empty());
    EXPECT_FALSE(image->Visible());
    EXPECT_EQ(image->Parent(), w->PnlShow);
    EXPECT_GE(image->Left(), right);
    EXPECT_GE(image->Top(), 0);
    EXPECT_GT(image->Width(), 0);
    EXPECT_LE(image->Left() + image->Width(), w->PnlShow->Width());
    EXPECT_LE(image->Top() + image->Height(), w->PnlShow->Height());
    right = image->Left() + image->Width();
  }
  // The main window is told not to be shown, made transparent, then told again.
  EXPECT_TRUE(ui::app().showMainForm);
  EXPECT_TRUE(p->mainForm->AlphaBlend());
  EXPECT_EQ(p->mainForm->AlphaBlendValue(), 0);

  std::vector<Look> looks = Watch(4500);
  ASSERT_FALSE(looks.empty());
  for (const Look& l : looks) {
    SCOPED_TRACE(testing::Message() << "at " << l.at);
    // One more picture every 0.8 s, four in all.
    const int steps = static_cast<int>(std::min<uint64_t>(l.at / 800, 4));
    EXPECT_EQ(l.pictures, steps);
    std::string loading = "Loading";
    for (int i = 0; i < steps; ++i) loading += " .";
    EXPECT_EQ(l.loading, loading);
    EXPECT_TRUE(l.mainShowing) << "present all along";
    if (l.at < 4000) {
      EXPECT_TRUE(l.splashShowing);
      EXPECT_TRUE(l.mainBlend);
      EXPECT_EQ(l.mainAlpha, 0);
    } else {
      EXPECT_FALSE(l.splashShowing);
      EXPECT_FALSE(l.mainBlend);
      EXPECT_EQ(l.mainAlpha, 200);
    }
  }
  EXPECT_EQ(looks.back().at, 4500u);
  EXPECT_FALSE(w->TimerShow->Enabled());
  // The steps fall exactly on the timer's ticks.
  for (const char* line :
       {"800 visible TWelcomeForm.Img01 = 1", "1600 visible TWelcomeForm.Img02 = 1",
        "2400 visible TWelcomeForm.Img03 = 1", "3200 visible TWelcomeForm.Img04 = 1",
        "4000 hide TWelcomeForm"}) {
    bool found = false;
    for (const std::string& t : h.Transcript()) found = found || t.rfind(line, 0) == 0;
    EXPECT_TRUE(found) << line;
  }
}

TEST_F(WelcomeSplash, OnlyTheMakersBrandWithoutDebugMarkerOrHide) {
  struct Case {
    int line;
    const char* brand;
    bool debugMarker;
    std::vector<std::string> args;
    bool shown;
  } const cases[] = {
      {__LINE__, "Pellacor", false, {}, true},
      {__LINE__, "Velmar", false, {}, false},
      {__LINE__, "pellacor", false, {}, false},
      {__LINE__, "Pellacor", true, {}, false},
      {__LINE__, "Pellacor", false, {"x", "/Hide"}, false},
      {__LINE__, "Pellacor", false, {"/hide"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "row " << c.line);
    p.reset();
    ui::app().Reset();
    ui::app().showMainForm = true;
    machine.args = c.args;
    if (c.debugMarker)
      Write("d:\\Debug", "");
    else
      plat::files().DeleteFile("d:\\Debug");
    Start(c.brand);
    EXPECT_EQ(p->welcomeForm != nullptr, c.shown);
    const bool hidden = !c.args.empty() && c.args.back() == "/Hide";
    if (!c.shown && !hidden) {
      // Opaque from the start, and shown by the loop.
      EXPECT_TRUE(ui::app().showMainForm);
      EXPECT_EQ(p->mainForm->AlphaBlendValue(), 255);
    }
  }
}

TEST_F(WelcomeSplash, BannerAndLoadingLineInEachLanguage) {
  struct Case {
    uint16_t langId;
    std::string banner, loading, mainTitle;
  } const cases[] = {
      {0x0409, "Welcome To Use Pellacor Printer", "Loading", "Welcome To Use Pellacor Printer"},
      // 欢迎使用Pellacor\r\n打印机产品, 正在启动, 欢迎使用Pellacor打印机 (GBK)
      {0x0804,
       Bytes("BB B6 D3 AD CA B9 D3 C3") + "Pellacor\r\n" + Bytes("B4 F2 D3 A1 BB FA B2 FA C6 B7"),
       Bytes("D5 FD D4 DA C6 F4 B6 AF"),
       Bytes("BB B6 D3 AD CA B9 D3 C3") + "Pellacor" + Bytes("B4 F2 D3 A1 BB FA")},
      // 歡迎使用Pellacor\r\n印表機產品, 正在啟動 (Big5)
      {0x0404,
       Bytes("C5 77 AA EF A8 CF A5 CE") + "Pellacor\r\n" + Bytes("A6 4C AA ED BE F7 B2 A3 AB 7E"),
       Bytes("A5 BF A6 62 B1 D2 B0 CA"), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "language 0x" << std::hex << c.langId);
    p.reset();
    ui::app().Reset();
    machine.langId = c.langId;
    Start();
    ASSERT_NE(p->welcomeForm, nullptr);
    EXPECT_EQ(p->welcomeForm->LblTitle->Caption(), c.banner);
    EXPECT_EQ(p->welcomeForm->LblTitle->GetFont().color, i18n::TitleColor());
    EXPECT_EQ(p->welcomeForm->LblStarting->Caption(), c.loading);
    if (!c.mainTitle.empty()) {
      EXPECT_EQ(p->mainForm->LblMainTitle->Caption(), c.mainTitle);
    }
  }
}

// A picture that does not decode is left out; the splash runs its course.
TEST_F(WelcomeSplash, BadPicturesAreLeftOut) {
  const std::string good = Pictures()[1];
  // Offset of the frame header's height (SOF0/SOF2: FF C0/C2, length, precision, height, width).
  size_t sof = good.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  auto withSize = [&](int height, int width) {
    std::string s = good;
    s[sof + 5] = static_cast<char>(height >> 8), s[sof + 6] = static_cast<char>(height);
    s[sof + 7] = static_cast<char>(width >> 8), s[sof + 8] = static_cast<char>(width);
    return s;
  };
  std::string bmp;
  ASSERT_TRUE(ui::DecodeJpeg(Pictures()[0], bmp));
  struct Case {
    int line;
    std::string data;
  } const cases[] = {
      {__LINE__, good.substr(0, good.size() / 2)},  // cut short
      {__LINE__, good.substr(0, 20)},               // not even the frame header
      {__LINE__, withSize(134, 100)},               // higher than its data
      {__LINE__, withSize(67, 0)},                  // no pixels
      {__LINE__, withSize(60000, 60000)},           // far too large to take memory for
      {__LINE__, bmp},                              // a bitmap, not a JPEG
      {__LINE__, "not a picture at all"},
      {__LINE__, ""},
      {__LINE__, "\xFF\xD8\xFF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "row " << c.line);
    p.reset();
    ui::app().Reset();
    h.Reset();
    machine.dataResources[app::kWelcomePictures[1]] = c.data;
    Start();
    app::TWelcomeForm* w = p->welcomeForm.get();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->Img02->Picture().empty());
    EXPECT_FALSE(w->Img01->Picture().empty());
    EXPECT_FALSE(w->Img03->Picture().empty());
    ui::app().Run();
    EXPECT_FALSE(w->Showing());
    EXPECT_EQ(p->mainForm->AlphaBlendValue(), 200);
    EXPECT_EQ(w->LblStarting->Caption(), "Loading . . . .");
  }
  // A resource that is missing altogether leaves the image empty too.
  p.reset();
  ui::app().Reset();
  machine.dataResources.erase(app::kWelcomePictures[3]);
  Start();
  EXPECT_TRUE(p->welcomeForm->Img04->Picture().empty());
}

TEST_F(WelcomeSplash, ClosedEarlyItStillGivesTheMainWindowBack) {
  Start();
  h.Script(ui::headless::Step::Close("TWelcomeForm").At(1000));
  ui::app().Run();
  app::TWelcomeForm* w = p->welcomeForm.get();
  EXPECT_FALSE(w->Showing());
  EXPECT_FALSE(w->TimerShow->Enabled());
  EXPECT_FALSE(p->mainForm->AlphaBlend());
  EXPECT_EQ(p->mainForm->AlphaBlendValue(), 200);
  EXPECT_EQ(w->LblStarting->Caption(), "Loading .") << "no step after the close";
  EXPECT_TRUE(w->Img01->Visible());
  EXPECT_FALSE(w->Img02->Visible());
}

// The decoder's bitmap: bottom-up rows, blue-green-red bytes.
TEST(DecodeJpeg, BottomUpBgrBitmapOfThePictureSize) {
  std::string bmp;
  ASSERT_TRUE(ui::DecodeJpeg(Pictures()[3], bmp));  // 70 x 73, paper above a dark body
  ASSERT_GE(bmp.size(), 54u);
  auto le32 = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bmp[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bmp[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(bmp[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(bmp[at + 3])) << 24;
  };
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(le32(2), bmp.size());
  EXPECT_EQ(le32(18), 70u);
  EXPECT_EQ(le32(22), 73u);
  const size_t stride = (70 * 3 + 3) & ~size_t{3};
  EXPECT_EQ(bmp.size(), 54 + stride * 73);
  auto pixel = [&](int x, int y) {  // y from the top of the picture
    const size_t at = 54 + stride * static_cast<size_t>(72 - y) + static_cast<size_t>(x) * 3;
    return std::vector<int>{static_cast<unsigned char>(bmp[at]),
                            static_cast<unsigned char>(bmp[at + 1]),
                            static_cast<unsigned char>(bmp[at + 2])};
  };
  EXPECT_GT(pixel(35, 5)[1], 200) << "the paper at the top is white";
  EXPECT_LT(pixel(35, 64)[1], 80) << "the body at the bottom is dark";
  // Img01's body is blue (#2F6DB5): blue first, red last.
  ASSERT_TRUE(ui::DecodeJpeg(Pictures()[0], bmp));
  const size_t stride1 = (80 * 3 + 3) & ~size_t{3};
  const size_t at = 54 + stride1 * (52 - 28) + 40 * 3;
  EXPECT_GT(static_cast<unsigned char>(bmp[at]), 150);
  EXPECT_LT(static_cast<unsigned char>(bmp[at + 2]), 90);
}

}  // namespace
