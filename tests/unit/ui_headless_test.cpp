#include <gtest/gtest.h>

#include "sim_fixture.h"
#include "ui/headless/headless.h"

using namespace ui;
using headless::Step;

class Headless : public SimTest {
 protected:
  Headless() : saved_(&backend()) {
    SetBackend(&h);
    app().Reset();
  }
  ~Headless() override {
    delete dlg;
    delete main;
    app().Reset();
    SetBackend(saved_);
  }
  Form* MakeMain() {
    main = new Form("frmMain");
    main->SetCaption("Setup");
    app().AddForm(main);
    return main;
  }
  // The test's second form; the fixture deletes it.
  Form* MakeDialog(const std::string& name) {
    dlg = new Form(name);
    app().AddForm(dlg);
    return dlg;
  }
  static Button* MakeButton(Form* form, const std::string& name, ButtonKind kind) {
    auto* b = new Button(form, name);
    b->SetButtonKind(kind);
    return b;
  }
  // A running timer of |form|, ticking every |ms|.
  static Timer* MakeTimer(Form* form, const std::string& name, uint32_t ms) {
    auto* t = new Timer(form, name);
    t->SetInterval(ms);
    return t;
  }
  // The dialog shown modally with |steps| scripted: its result.
  ModalResult ShowDialogWith(std::initializer_list<Step> steps) {
    for (const Step& step : steps) h.Script(step);
    return dlg->ShowModal();
  }
  uint64_t Now() { return plat::sys().TickCount(); }
  // A control's place, "left,top widthxheight".
  static std::string Box(const Control* c) {
    return std::to_string(c->Left()) + "," + std::to_string(c->Top()) + " " +
           std::to_string(c->Width()) + "x" + std::to_string(c->Height());
  }
  bool InTranscript(const std::string& part) {
    for (auto& l : h.Transcript())
      if (l.find(part) != std::string::npos) return true;
    return false;
  }

  headless::Headless h;
  Form* main = nullptr;
  Form* dlg = nullptr;

 private:
  Backend* saved_;
};

TEST_F(Headless, TimersFireOnlyWhereMessagesAreProcessed) {
  MakeMain();
  std::vector<uint64_t> ticks;
  auto* t = MakeTimer(main, "tmrSteps", 100);
  t->OnTimer = [&] { ticks.push_back(Now()); };

  plat::sys().Sleep(350);  // the clock moves, nothing is dispatched
  EXPECT_TRUE(ticks.empty());
  app().ProcessMessages();  // what is due fires once, no catch-up, no time moves
  EXPECT_EQ(ticks, std::vector<uint64_t>{350});
  EXPECT_EQ(Now(), 350u);
  app().ProcessMessages();
  EXPECT_EQ(ticks.size(), 1u);

  // In the loop: every interval from the last tick, until the handler closes the form.
  t->OnTimer = [&] {
    ticks.push_back(Now());
    if (ticks.size() == 4) main->Close();
  };
  app().Run();
  EXPECT_EQ(ticks, (std::vector<uint64_t>{350, 450, 550, 650}));
  EXPECT_TRUE(app().Terminated());
  EXPECT_FALSE(main->Showing());
}

TEST_F(Headless, LoopReturnsWhenNothingIsPendingAndStopsAtTheTimeLimit) {
  MakeMain();
  auto* t = new Timer(main, "tmr");
  t->SetEnabled(false);
  t->OnTimer = [] {};
  app().Run();  // a real program would wait for ever here
  EXPECT_EQ(Now(), 0u);
  EXPECT_TRUE(main->Showing());
  EXPECT_FALSE(h.TimedOut());

  h.timeLimit = 10000;
  t->SetInterval(1000);
  t->SetEnabled(true);
  app().Run();
  EXPECT_TRUE(h.TimedOut());
  EXPECT_EQ(Now(), 10000u);
}

TEST_F(Headless, ModalFormRunsTimersAndReturnsTheButtonsResult) {
  MakeMain();
  auto* mainTimer = MakeTimer(main, "tmrMain", 50);
  int mainTicks = 0;
  mainTimer->OnTimer = [&] { ++mainTicks; };

  MakeDialog("frmAsk");
  dlg->SetCaption("Question");
  auto* ok = MakeButton(dlg, "btnOK", ButtonKind::OK);
  int clicks = 0;
  ok->OnClick = [&] { ++clicks; };
  auto* countdown = MakeTimer(dlg, "tmrCountdown", 1000);
  countdown->OnTimer = [&] { ok->SetCaption("OK (" + std::to_string(Now() / 1000) + ")"); };

  main->Show();
  h.Script(Step::Press("frmAsk", "btnOK").At(3500));
  ModalResult r = dlg->ShowModal();
  EXPECT_EQ(r, ModalResult::OK);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(ok->Caption(), "OK (3)");
  // The other form's timer runs in the modal loop too; the press at 3500 comes
  // first, as input goes before WM_TIMER.
  EXPECT_EQ(mainTicks, 69);
  EXPECT_FALSE(dlg->Showing());
  EXPECT_FALSE(dlg->IsModal());
  EXPECT_TRUE(h.ModalStack().empty());
  EXPECT_EQ(h.ActiveForm(), main);
  EXPECT_TRUE(InTranscript("3000 caption frmAsk.btnOK = OK (3)"));
  EXPECT_TRUE(InTranscript("3500 modal-result frmAsk 1"));
}

TEST_F(Headless, ButtonsBelowAModalFormWaitForIt) {
  MakeMain();
  auto* start = new Button(main, "BbtnStart");
  int starts = 0;
  start->OnClick = [&] { ++starts; };
  MakeDialog("frmAsk");
  auto* t = MakeTimer(dlg, "tmrClose", 50);
  t->OnTimer = [&] { dlg->SetModalResult(ModalResult::Abort); };
  main->Show();
  h.Script(Step::Press("frmMain", "BbtnStart").At(10));
  EXPECT_EQ(dlg->ShowModal(), ModalResult::Abort);
  EXPECT_EQ(starts, 0);
  EXPECT_EQ(Now(), 50u);
  app().ProcessMessages();  // now the main form can be reached
  EXPECT_EQ(starts, 1);
  EXPECT_TRUE(h.ScriptErrors().empty());
}

TEST_F(Headless, ScriptedAnswersReachTheCaller) {
  MakeMain();
  main->Show();
  h.Script(Step::Answer(kIdNo).When("Restart"));
  // The first box does not match the step: it takes its default button.
  EXPECT_EQ(app().MessageBox("Continue?", "Setup", kMbYesNo), kIdYes);
  EXPECT_EQ(app().MessageBox("Restart now?", "Setup", kMbYesNo | kMbIconQuestion), kIdNo);
  EXPECT_EQ(app().MessageBox("Done", "Setup", kMbOk), kIdOk);
  ASSERT_EQ(h.MessageBoxes().size(), 3u);
  EXPECT_FALSE(h.MessageBoxes()[0].scripted);
  EXPECT_TRUE(h.MessageBoxes()[1].scripted);
  EXPECT_EQ(h.MessageBoxes()[1].text, "Restart now?");
  EXPECT_TRUE(InTranscript("0 msgbox Setup | Restart now?"));
  EXPECT_TRUE(InTranscript("0 answer 6 (default)"));
}

TEST_F(Headless, TimersRunInsideAnUnansweredMessageBox) {
  MakeMain();
  auto* t = MakeTimer(main, "tmr", 100);
  int ticks = 0;
  t->OnTimer = [&] { ++ticks; };
  h.Script(Step::Answer(kIdCancel).At(1000));
  EXPECT_EQ(app().MessageBox("Wait", "Setup", kMbOkCancel), kIdCancel);
  EXPECT_EQ(ticks, 9);  // the answer at 1000 goes before that moment's tick
  EXPECT_EQ(Now(), 1000u);
  EXPECT_FALSE(h.MessageBoxOpen());
}

TEST_F(Headless, EnterAndEscapePressTheDefaultAndCancelButtons) {
  MakeMain();
  MakeDialog("frmAsk");
  auto* yes = MakeButton(dlg, "btnYes", ButtonKind::Yes);
  auto* cancel = MakeButton(dlg, "btnCancel", ButtonKind::Cancel);
  main->Show();

  EXPECT_EQ(ShowDialogWith({Step::Enter()}), ModalResult::Yes);
  EXPECT_EQ(ShowDialogWith({Step::Escape("frmAsk")}), ModalResult::Cancel);
  // A disabled default button is not pressed by Enter; closing the box cancels.
  // (The cancel button is kept from the focus: a focused button takes Enter.)
  yes->SetEnabled(false);
  cancel->SetTabStop(false);
  EXPECT_EQ(ShowDialogWith({Step::Enter(), Step::Close("frmAsk").At(100)}), ModalResult::Cancel);
  EXPECT_EQ(Now(), 100u);
}

TEST_F(Headless, AButtonsKindAloneDecidesItsKeyAndItsPressesResult) {
  MakeMain();
  MakeDialog("frmSearch");
  auto* b = MakeButton(dlg, "btnGo", ButtonKind::Cancel);
  // The handler turns the button into another kind, as a dialog that ends its work does.
  b->OnClick = [&] { b->SetButtonKind(ButtonKind::Yes); };
  main->Show();
  EXPECT_EQ(ShowDialogWith({Step::Escape("frmSearch")}), ModalResult::Cancel)
      << "the kind at the press counts";
  EXPECT_TRUE(b->IsDefault());
  EXPECT_FALSE(b->IsCancel()) << "a cancel button turned yes no longer answers Escape";
  b->OnClick = nullptr;
  EXPECT_EQ(ShowDialogWith({Step::Escape("frmSearch"), Step::Enter("frmSearch").At(50)}),
            ModalResult::Yes);
  EXPECT_EQ(Now(), 50u);
}

TEST_F(Headless, HidingAWindowActivatesTheOneBelow) {
  MakeMain();
  MakeDialog("frmAsk");
  int mainActivations = 0, dlgActivations = 0;
  main->OnActivate = [&] { ++mainActivations; };
  dlg->OnActivate = [&] { ++dlgActivations; };
  // A window whose OnShow runs a modal one is not on the screen yet: it is
  // activated once it appears, not when the inner one goes.
  auto* inner = new Form("frmInner");
  app().AddForm(inner);
  dlg->OnShow = [&] {
    h.Script(Step::Close("frmInner"));
    inner->ShowModal();
    EXPECT_EQ(dlgActivations, 0);
  };
  main->Show();
  EXPECT_EQ(mainActivations, 1);
  h.Script(Step::Close("frmAsk").At(10));
  dlg->ShowModal();
  EXPECT_EQ(dlgActivations, 1);
  EXPECT_EQ(mainActivations, 3) << "after the inner window and after the dialog";
  delete inner;
}

TEST_F(Headless, ListSelectionRaisesTheEventOnlyOnChange) {
  MakeMain();
  auto* lv = new ListView(main, "lvPrinters");
  lv->AddItem("A");
  lv->AddItem("B");
  std::vector<int> seen;
  lv->OnSelectItem = [&] { seen.push_back(lv->ItemIndex()); };
  lv->SetItemIndex(1);
  lv->SetItemIndex(1);
  lv->SetItemIndex(7);  // out of range: nothing selected
  main->Show();
  h.Script(Step::Select("frmMain", "lvPrinters", 0));
  h.Script(Step::Select("frmMain", "lvPrinters", 5));  // no such item: an error, not a crash
  app().ProcessMessages();
  app().ProcessMessages();
  EXPECT_EQ(seen, (std::vector<int>{1, -1, 0}));
  EXPECT_EQ(h.ScriptErrors().size(), 1u);
  lv->Clear();
  EXPECT_EQ(lv->ItemIndex(), -1);
  EXPECT_EQ(seen.size(), 3u);
}

TEST_F(Headless, ControlStateAndLayout) {
  MakeMain();
  auto* pb = new ProgressBar(main, "pb");
  pb->SetPosition(150);
  EXPECT_EQ(pb->Position(), 100);
  pb->SetRange(10, 20);
  EXPECT_EQ(pb->Position(), 20);
  pb->SetPosition(-5);
  EXPECT_EQ(pb->Position(), 10);

  auto* re = new RichEdit(main, "re");
  re->AppendLine("one");
  re->AppendLine("");
  re->AppendLine("three");
  EXPECT_EQ(re->Lines(), (std::vector<std::string>{"one", "", "three"}));

  main->ClientResized(400, 300);
  auto* status = new StatusBar(main, "sb");
  status->SetBounds(0, 280, 400, 20);
  status->SetAlign(Align::Bottom);
  auto* close = new Button(main, "btnClose");
  close->SetBounds(300, 240, 80, 25);
  close->SetAnchors(kAnchorRight | kAnchorBottom);
  auto* list = new ListBox(main, "lb");
  list->SetBounds(10, 10, 380, 200);
  list->SetAnchors(kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom);
  main->ClientResized(500, 350);
  EXPECT_EQ(Box(status), "0,330 500x20");
  EXPECT_EQ(Box(close), "400,290 80x25");
  EXPECT_EQ(Box(list), "10,10 480x250");

  // A container resized by the program moves its children as a resized
  // window does, down through nested containers; the form's outer bounds
  // move nothing (its children follow the client area).
  auto* panel = new Panel(main, "pnl");
  panel->SetBounds(0, 0, 200, 100);
  auto* group = new GroupBox(panel, "grp");
  group->SetBounds(10, 10, 180, 80);
  group->SetAnchors(kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom);
  auto* inner = new ListView(group, "lv");
  inner->SetBounds(8, 18, 164, 54);
  inner->SetAnchors(kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom);
  auto* corner = new Button(panel, "btn");
  corner->SetBounds(150, 70, 40, 20);
  corner->SetAnchors(kAnchorRight | kAnchorBottom);
  panel->SetWidth(260);
  panel->SetHeight(90);
  EXPECT_EQ(Box(group), "10,10 240x70");
  EXPECT_EQ(Box(inner), "8,18 224x44");
  EXPECT_EQ(Box(corner), "210,60 40x20");
  panel->SetLeft(5);  // a move alone changes nothing inside
  EXPECT_EQ(group->Width(), 240);
  main->SetBounds(0, 0, 900, 700);
  EXPECT_EQ(close->Left(), 400);

  // A control deleted by hand leaves its parent; the rest go with the form.
  delete list;
  EXPECT_EQ(main->FindControl("lb"), nullptr);
  EXPECT_EQ(main->FindControl("btnClose"), close);
}
