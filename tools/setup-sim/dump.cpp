#include "tools/setup-sim/dump.h"

#include <algorithm>
#include <cstdio>

#include "ui/ui.h"

namespace simtool {

std::string Escape(const std::string& utf8) {
  std::string out;
  for (char c : utf8) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

namespace {

const char* KindName(ui::ButtonKind k) {
  switch (k) {
    case ui::ButtonKind::OK: return "OK";
    case ui::ButtonKind::Cancel: return "Cancel";
    case ui::ButtonKind::Yes: return "Yes";
    case ui::ButtonKind::No: return "No";
    case ui::ButtonKind::Close: return "Close";
    case ui::ButtonKind::Custom: break;
  }
  return "Custom";
}

// A colour as 0x00BBGGRR, the way COLORREF values are written.
std::string Hex(uint32_t v) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%.8X", v);
  return buf;
}

void DumpControl(const std::string& prefix, ui::Control& c, unsigned cp,
                 std::vector<std::string>& lines) {
  auto add = [&](const std::string& prop, const std::string& value) {
    lines.push_back(prefix + "." + prop + "=" + value);
  };
  bool textual = std::string(c.Kind()) == "Edit" || std::string(c.Kind()) == "Memo" ||
                 std::string(c.Kind()) == "StatusBar" || std::string(c.Kind()) == "RichEdit";
  add(textual ? "Text" : "Caption", Escape(ToUtf8(c.Caption(), cp)));
  add("Enabled", c.Enabled() ? "1" : "0");
  add("Visible", c.Visible() ? "1" : "0");
  add("Left", std::to_string(c.Left()));
  add("Top", std::to_string(c.Top()));
  add("Width", std::to_string(c.Width()));
  add("Height", std::to_string(c.Height()));
  if (auto* list = dynamic_cast<ui::ListBase*>(&c)) {
    for (size_t i = 0; i < list->Items().size(); ++i)
      add("Items[" + std::to_string(i) + "]", Escape(ToUtf8(list->Items()[i], cp)));
    add("ItemIndex", std::to_string(list->ItemIndex()));
  }
  if (auto* bar = dynamic_cast<ui::ProgressBar*>(&c))
    add("Position", std::to_string(bar->Position()));
  if (auto* b = dynamic_cast<ui::Button*>(&c)) {
    add("Kind", KindName(b->GetButtonKind()));
    add("ModalResult", std::to_string(static_cast<int>(b->GetModalResult())));
    add("Default", b->IsDefault() ? "1" : "0");
    add("Cancel", b->IsCancel() ? "1" : "0");
  }
  if (std::string(c.Kind()) == "Label") add("Font.Color", Hex(c.GetFont().color));
}

void DumpTree(const std::string& formName, ui::Control& parent, unsigned cp,
              std::vector<std::string>& lines) {
  for (ui::Control* child : parent.Children()) {
    DumpControl(formName + "." + child->Name(), *child, cp, lines);
    DumpTree(formName, *child, cp, lines);
  }
}

}  // namespace

std::vector<std::string> DumpState(app::Program& p, unsigned cp) {
  std::vector<std::string> lines;
  lines.push_back("Application.Title=" + Escape(ToUtf8(ui::app().Title(), cp)));
  lines.push_back(std::string("Application.ShowMainForm=") + (ui::app().showMainForm ? "1" : "0"));
  for (ui::Form* f : ui::app().Forms()) {
    const std::string n = f->Name();
    lines.push_back(n + ".Caption=" + Escape(ToUtf8(f->Caption(), cp)));
    lines.push_back(n + ".Enabled=" + (f->Enabled() ? "1" : "0"));
    lines.push_back(n + ".Visible=" + (f->Showing() ? "1" : "0"));
    lines.push_back(n + ".Left=" + std::to_string(f->Left()));
    lines.push_back(n + ".Top=" + std::to_string(f->Top()));
    lines.push_back(n + ".Width=" + std::to_string(f->Width()));
    lines.push_back(n + ".Height=" + std::to_string(f->Height()));
    lines.push_back(n + ".ClientWidth=" + std::to_string(f->ClientWidth()));
    lines.push_back(n + ".ClientHeight=" + std::to_string(f->ClientHeight()));
    lines.push_back(n + ".AlphaBlend=" + std::string(f->AlphaBlend() ? "1" : "0"));
    lines.push_back(n + ".AlphaBlendValue=" + std::to_string(f->AlphaBlendValue()));
    lines.push_back(n + ".ModalResult=" + std::to_string(static_cast<int>(f->GetModalResult())));
    for (ui::Timer* t : f->Timers()) {
      lines.push_back(n + "." + t->Name() + ".Enabled=" + (t->Enabled() ? "1" : "0"));
      lines.push_back(n + "." + t->Name() + ".Interval=" + std::to_string(t->Interval()));
    }
    DumpTree(n, *f, cp, lines);
  }
  app::TMainForm& m = *p.mainForm;
  auto field = [&](const std::string& name, const std::string& v) {
    lines.push_back("TMainForm." + name + "=" + v);
  };
  field("DebugMode", m.DebugMode ? "1" : "0");
  field("HiddenMode", m.HiddenMode ? "1" : "0");
  field("AutoIndex", std::to_string(m.AutoIndex));
  field("InstallState", std::to_string(static_cast<int>(m.InstallState)));
  field("InstalledPrinterName", Escape(ToUtf8(m.InstalledPrinterName, cp)));
  field("RemovedDriverName", Escape(ToUtf8(m.RemovedDriverName(), cp)));
  field("LastErrorCode", std::to_string(m.LastErrorCode));
  field("ConnectedPort", Escape(ToUtf8(m.ConnectedPort(), cp)));
  field("FinalPort", Escape(ToUtf8(m.FinalPort(), cp)));
  field("IniOptions.Count", std::to_string(m.IniOptions ? m.IniOptions->Count : 0));
  if (search::TFormSearching* d = p.formSearching.get()) {
    lines.push_back(std::string("TFormSearching.Found=") + (d->Found ? "1" : "0"));
    lines.push_back("TFormSearching.FoundPort=" + Escape(ToUtf8(d->FoundPort, cp)));
    lines.push_back("TFormSearching.Countdown=" + std::to_string(d->Countdown));
    lines.push_back(std::string("TFormSearching.ShowPrompt=") + (d->ShowPrompt ? "1" : "0"));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace simtool
