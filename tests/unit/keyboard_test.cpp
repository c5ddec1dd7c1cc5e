// The keyboard rules of the forms (Tab order, initial focus, Enter, Escape,
// Space, arrows, Alt+letter), driven through the headless backend, and the
// program's own forms as a keyboard-only user meets them.
#include <gtest/gtest.h>

#include "program_fixture.h"

using namespace ui;
using headless::Step;

namespace {

std::vector<std::string> Names(const std::vector<Control*>& cs) {
  std::vector<std::string> out;
  for (Control* c : cs) out.push_back(c->Name());
  return out;
}

// The names Tab visits from the focused control on, |n| presses.
std::vector<std::string> TabWalk(Form& f, int n, bool backward = false) {
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) {
    f.PressKey(Key::Tab, backward);
    out.push_back(f.ActiveControl() ? f.ActiveControl()->Name() : "-");
  }
  return out;
}

class Keyboard : public ProgramTest {
 protected:
  ~Keyboard() override { delete form; }
  Form* form = nullptr;
};

TEST(KeyLetter, SingleAmpersandMarksTheLetter) {
  EXPECT_EQ(Mnemonic("&Install"), 'I');
  EXPECT_EQ(Mnemonic("e&xit"), 'X');
  EXPECT_EQ(Mnemonic("Save && &Quit"), 'Q');
  EXPECT_EQ(Mnemonic("A && B"), 0);
  EXPECT_EQ(Mnemonic("trailing &"), 0);
  EXPECT_EQ(Mnemonic("Install"), 0);
  EXPECT_EQ(Mnemonic("&7 copies"), '7');
  // A double-byte caption (GBK) has no key letter, and its bytes are not read as one.
  EXPECT_EQ(Mnemonic("\xBF\xAA\xCA\xBC\xB0\xB2\xD7\xB0"), 0);
}

TEST_F(Keyboard, TabFollowsTabOrderThroughContainersAndSkipsWhatCannotBeFocused) {
  form = new Form("frm");
  ui::app().AddForm(form);
  auto* group = new GroupBox(form, "grp");
  auto* list = new ListBox(group, "lst");
  auto* edit = new Edit(group, "edtReadOnly");
  edit->SetTabStop(false);
  new Label(form, "lblText");
  auto* ok = new Button(form, "btnOK");
  auto* hidden = new Button(form, "btnHidden");
  hidden->SetVisible(false);
  auto* off = new Button(form, "btnOff");
  off->SetEnabled(false);
  auto* memo = new Edit(form, "mmo");
  memo->multiLine = true;
  // Later in creation, first by tab order.
  auto* first = new Button(form, "btnFirst");
  first->SetTabOrder(-1);
  group->SetTabOrder(1), ok->SetTabOrder(2), memo->SetTabOrder(3);

  EXPECT_EQ(Names(form->TabStops()), (std::vector<std::string>{"btnFirst", "lst", "btnOK", "mmo"}));
  form->Show();
  ASSERT_EQ(form->ActiveControl(), first) << "a form opens on its first tab stop";
  EXPECT_EQ(TabWalk(*form, 4), (std::vector<std::string>{"lst", "btnOK", "mmo", "btnFirst"}));
  EXPECT_EQ(TabWalk(*form, 2, true), (std::vector<std::string>{"mmo", "btnOK"}));

  // A container that is hidden or disabled takes its children out of the round.
  group->SetEnabled(false);
  EXPECT_EQ(Names(form->TabStops()), (std::vector<std::string>{"btnFirst", "btnOK", "mmo"}));
  group->SetEnabled(true);
  group->SetVisible(false);
  EXPECT_FALSE(list->CanFocus());
  // From a control that lost its stop, Tab starts again at the first one.
  list->SetFocus();
  EXPECT_EQ(TabWalk(*form, 1), (std::vector<std::string>{"btnFirst"}));
  EXPECT_EQ(TabWalk(*form, 1, true), (std::vector<std::string>{"mmo"}));
}

TEST_F(Keyboard, AFormWithNothingToFocusIgnoresTab) {
  form = new Form("frm");
  ui::app().AddForm(form);
  new Label(form, "lbl");
  auto* b = new Button(form, "btn");
  b->SetEnabled(false);
  form->Show();
  EXPECT_EQ(form->ActiveControl(), nullptr);
  EXPECT_FALSE(form->PressKey(Key::Tab));
  EXPECT_FALSE(form->PressKey(Key::Space));
  EXPECT_FALSE(form->PressKey(Key::Down));
}

TEST_F(Keyboard, EnterSpaceEscapeAndArrowsByWhatHasTheFocus) {
  form = new Form("frm");
  ui::app().AddForm(form);
  std::vector<std::string> pressed;
  auto* list = new ListBox(form, "lst");
  for (const char* s : {"a", "b", "c"}) list->AddItem(s);
  int selections = 0;
  list->OnSelectItem = [&] { ++selections; };
  auto* memo = new Edit(form, "mmo");
  memo->multiLine = true;
  auto* line = new Edit(form, "edt");
  auto* other = new Button(form, "btnOther");
  auto* def = new Button(form, "btnDefault");
  def->SetDefault(true);
  auto* cancel = new Button(form, "btnCancel");
  cancel->SetCancel(true);
  for (Button* b : {other, def, cancel})
    b->OnClick = [&pressed, b] { pressed.push_back(b->Name()); };
  form->Show();
  ASSERT_EQ(form->ActiveControl(), list);

  // Arrows walk the focused list and stop at its ends; the first one picks the first item.
  EXPECT_TRUE(form->PressKey(Key::Down));
  EXPECT_EQ(list->ItemIndex(), 0);
  form->PressKey(Key::Right), form->PressKey(Key::Down), form->PressKey(Key::Down);
  EXPECT_EQ(list->ItemIndex(), 2);
  form->PressKey(Key::Home);
  EXPECT_EQ(list->ItemIndex(), 0);
  form->PressKey(Key::Up);
  EXPECT_EQ(list->ItemIndex(), 0);
  form->PressKey(Key::End);
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(selections, 5) << "only real moves raise the event";
  EXPECT_FALSE(form->PressKey(Key::Space)) << "Space presses buttons only";

  // Enter: the default button from a list or a one-line edit ...
  EXPECT_TRUE(form->PressKey(Key::Enter));
  line->SetFocus();
  form->PressKey(Key::Enter);
  // ... nothing from a multi-line edit, which takes the line break itself ...
  memo->SetFocus();
  EXPECT_FALSE(form->PressKey(Key::Enter));
  // ... and the focused button when a button has the focus.
  other->SetFocus();
  form->PressKey(Key::Enter);
  form->PressKey(Key::Space);
  form->PressKey(Key::Escape);
  EXPECT_EQ(pressed, (std::vector<std::string>{"btnDefault", "btnDefault", "btnOther", "btnOther",
                                               "btnCancel"}));

  // A focused button that became disabled presses nothing; Enter falls back to the default.
  pressed.clear();
  other->SetEnabled(false);
  form->PressKey(Key::Space);
  form->PressKey(Key::Enter);
  EXPECT_EQ(pressed, std::vector<std::string>{"btnDefault"});
}

TEST_F(Keyboard, AltLetterPressesButtonsAndLinksThatCarryIt) {
  form = new Form("frm");
  ui::app().AddForm(form);
  std::vector<std::string> pressed;
  auto add = [&](Control* c) { c->OnClick = [&pressed, c] { pressed.push_back(c->Name()); }; };
  auto* list = new ListView(form, "lv");
  (void)list;
  auto* install = new Button(form, "btnInstall");
  install->SetCaption("&Install");
  auto* link = new Label(form, "lblGuide");
  link->SetCaption("&Guide");
  auto* plain = new Label(form, "lblPlain");  // no click handler: not a link
  plain->SetCaption("&Plain");
  auto* literal = new Button(form, "btnAmp");
  literal->SetCaption("A && B");
  auto* off = new Button(form, "btnOff");
  off->SetCaption("&Off");
  off->SetEnabled(false);
  for (Control* c : {static_cast<Control*>(install), static_cast<Control*>(link),
                     static_cast<Control*>(literal), static_cast<Control*>(off)})
    add(c);
  form->Show();

  EXPECT_TRUE(form->PressMnemonic('i'));
  EXPECT_EQ(form->ActiveControl(), install) << "a button takes the focus as it is pressed";
  EXPECT_TRUE(form->PressMnemonic('G'));
  EXPECT_EQ(form->ActiveControl(), install) << "a link does not take the focus";
  EXPECT_FALSE(form->PressMnemonic('P'));
  EXPECT_FALSE(form->PressMnemonic('B'));
  EXPECT_FALSE(form->PressMnemonic('O'));
  EXPECT_FALSE(form->PressMnemonic('\0'));
  EXPECT_EQ(pressed, (std::vector<std::string>{"btnInstall", "lblGuide"}));
}

TEST_F(Keyboard, ScriptedKeysReachTheActiveForm) {
  form = new Form("frm");
  ui::app().AddForm(form);
  auto* a = new Button(form, "btnA");
  auto* b = new Button(form, "btnB");
  b->SetCaption("&Close");
  b->SetButtonKind(ButtonKind::Close);
  (void)a;
  h.Script(Step::Press(Key::Tab));
  h.Script(Step::Press(Key::Tab, "", true));
  h.Script(Step::Press(Key::Tab));
  h.Script(Step::Alt('c', "frm").After(10));
  ui::app().Run();
  EXPECT_FALSE(form->Showing()) << "Alt+C pressed the Close button";
  EXPECT_EQ(form->ActiveControl(), b);
  EXPECT_TRUE(h.ScriptErrors().empty());
}

// --- the program's forms -------------------------------------------------

class ProgramKeyboard : public ProgramTest {
 protected:
  void Start() {
    Write("C:\\Medium\\install.ini",
          "[A]\nInstallSettingFile2K=a.inf\nQuiteMode=1\n[B]\nInstallSettingFile2K=b.inf\n");
    Write("C:\\Medium\\a.inf", "[Strings]\nProviderName=Velmar\n[Velmar]\n\"Velmar VP-210\"=x\n");
    p = app::StartProgram();
  }
};

TEST_F(ProgramKeyboard, MainWindowOpensOnTheModelListAndTabsToTheButtons) {
  Start();
  app::TMainForm& m = *p->mainForm;
  m.Show();
  ASSERT_EQ(m.ActiveControl(), m.LvPrinters);
  EXPECT_EQ(TabWalk(m, 3), (std::vector<std::string>{"BbtnStart", "BbtnExit", "LvPrinters"}))
      << "the information line is no stop";
  EXPECT_EQ(TabWalk(m, 1, true), (std::vector<std::string>{"BbtnExit"}));
  // The arrows choose the model, as a click does.
  m.LvPrinters->SetFocus();
  EXPECT_TRUE(m.PressKey(Key::Down));
  EXPECT_EQ(m.LvPrinters->ItemIndex(), 1);
  EXPECT_EQ(m.GrpBoxPrinters->Caption(), "Select Printer Driver: ");
  m.PressKey(Key::Up);
  EXPECT_EQ(m.GrpBoxPrinters->Caption(), "Select Printer Driver: Velmar VP-210");
  EXPECT_EQ(m.MnemonicTarget('I'), m.BbtnStart);
  EXPECT_EQ(m.MnemonicTarget('E'), m.BbtnExit);
  EXPECT_EQ(m.DefaultButton(false), m.BbtnStart);
}

TEST_F(ProgramKeyboard, PortListJoinsTheRoundAfterTheModels) {
  Start();
  app::TMainForm& m = *p->mainForm;
  EXPECT_FALSE(m.LsBoxPorts->CanFocus()) << "its group is hidden";
  m.GrpBoxPort->SetVisible(true);
  EXPECT_EQ(Names(m.TabStops()),
            (std::vector<std::string>{"LvPrinters", "LsBoxPorts", "BbtnStart", "BbtnExit"}));
}

TEST_F(ProgramKeyboard, AltEEndsTheProgram) {
  Start();
  h.Script(Step::Alt('E', "TMainForm").At(50));
  ui::app().Run();
  EXPECT_TRUE(ui::app().Terminated());
  EXPECT_EQ(plat::sys().TickCount(), 50u);
}

TEST_F(ProgramKeyboard, DiagnosticsFormTabsInItsOrder) {
  Start();
  diag::TFormTest& t = *p->formTest;
  EXPECT_EQ(Names(t.TabStops()),
            (std::vector<std::string>{"btn1", "RedtResults", "BtnReadIni", "BtnInstallPrinter",
                                      "btnClose", "BtnSetPrinterProperty", "mmo1", "btnRun"}));
  EXPECT_EQ(t.MnemonicTarget('C'), t.btnClose);
  EXPECT_EQ(t.DefaultButton(true), nullptr);
}

}  // namespace
