#include "tools/setup-sim/user_script.h"

#include <cstdlib>
#include <map>
#include <sstream>

namespace simtool {

using ui::headless::Step;

namespace {

// Splits a line into words; a word in double quotes may hold blanks, and
// \" and \\ inside it stand for themselves.
bool Words(const std::string& line, std::vector<std::pair<std::string, bool>>& words,
           std::string& error) {
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t') {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    if (line[i] == '"') {
      std::string w;
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\'))
          ++i;
        w += line[i];
      }
      if (i >= line.size()) {
        error = "a quoted text is not closed";
        return false;
      }
      ++i;
      words.push_back({w, true});
      continue;
    }
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    words.push_back({line.substr(start, i - start), false});
  }
  return true;
}

bool Milliseconds(const std::string& w, uint64_t& ms) {
  if (w.empty() || w.size() > 12 || w.find_first_not_of("0123456789") != std::string::npos)
    return false;
  ms = std::strtoull(w.c_str(), nullptr, 10);
  return true;
}

bool SplitTarget(const std::string& w, std::string& form, std::string& control) {
  size_t dot = w.find('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == w.size()) return false;
  form = w.substr(0, dot);
  control = w.substr(dot + 1);
  return true;
}

const std::map<std::string, int>& AnswerNames() {
  static const std::map<std::string, int> names = {
      {"ok", 1}, {"cancel", 2}, {"abort", 3}, {"retry", 4}, {"ignore", 5}, {"yes", 6}, {"no", 7}};
  return names;
}

}  // namespace

bool ParseUserScript(const std::string& text, unsigned codePage, std::vector<Step>& steps,
                     std::string& error, std::vector<int>* lines) {
  std::istringstream in(text);
  std::string line;
  uint64_t pendingWait = 0;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    auto fail = [&](const std::string& why) {
      error = "line " + std::to_string(number) + ": " + why;
      return false;
    };
    std::vector<std::pair<std::string, bool>> words;
    std::string why;
    if (!Words(line, words, why)) return fail(why);
    if (words.empty()) continue;

    Step s;
    size_t i = 0;
    bool timed = false, conditioned = false;
    for (;;) {
      if (i < words.size() && !words[i].second && words[i].first == "at") {
        if (timed || i + 1 >= words.size() || !Milliseconds(words[i + 1].first, s.at))
          return fail("\"at\" needs one time in milliseconds");
        timed = true;
        i += 2;
      } else if (i < words.size() && !words[i].second && words[i].first == "when") {
        if (conditioned || i + 1 >= words.size() || !words[i + 1].second ||
            words[i + 1].first.empty())
          return fail("\"when\" needs one text in double quotes");
        s.when = FromUtf8(words[i + 1].first, codePage);
        conditioned = true;
        i += 2;
      } else {
        break;
      }
    }
    if (i >= words.size()) return fail("no action");
    const std::string action = words[i].first;
    std::vector<std::string> args;
    for (size_t j = i + 1; j < words.size(); ++j) {
      if (words[j].second) return fail("a quoted text belongs only after \"when\"");
      args.push_back(words[j].first);
    }

    if (action == "wait") {
      uint64_t ms;
      if (timed || conditioned || args.size() != 1 || !Milliseconds(args[0], ms))
        return fail("\"wait\" takes one time in milliseconds and nothing else");
      pendingWait += ms;
      continue;
    }
    std::string form, control;
    if (action == "press" || action == "select") {
      if (args.size() != (action == "press" ? 1u : 2u) || !SplitTarget(args[0], form, control))
        return fail(action == "press" ? "usage: press FORM.CONTROL"
                                      : "usage: select FORM.CONTROL INDEX");
      if (action == "press") {
        s.what = Step::Do::Press;
      } else {
        uint64_t index;
        if (!Milliseconds(args[1], index) || index > 100000)
          return fail("the item index is no number");
        s.what = Step::Do::Select;
        s.value = static_cast<int>(index);
      }
    } else if (action == "answer") {
      if (args.size() != 1) return fail("usage: answer ok|cancel|abort|retry|ignore|yes|no|NUMBER");
      auto it = AnswerNames().find(args[0]);
      uint64_t id;
      if (it != AnswerNames().end())
        s.value = it->second;
      else if (Milliseconds(args[0], id) && id >= 1 && id <= 7)
        s.value = static_cast<int>(id);
      else
        return fail("unknown answer \"" + args[0] + "\"");
      s.what = Step::Do::Answer;
    } else if (action == "enter" || action == "escape") {
      if (args.size() > 1) return fail("usage: " + action + " [FORM]");
      s.what = action == "enter" ? Step::Do::Enter : Step::Do::Escape;
      if (!args.empty()) form = args[0];
    } else if (action == "dblclick") {
      if (args.empty() || args.size() > 2 || !SplitTarget(args[0], form, control))
        return fail("usage: dblclick FORM.CONTROL [INDEX]");
      s.what = Step::Do::DblClick;
      s.value = -1;
      if (args.size() == 2) {
        uint64_t index;
        if (!Milliseconds(args[1], index) || index > 100000)
          return fail("the item index is no number");
        s.value = static_cast<int>(index);
      }
    } else if (action == "hover") {
      if (args.size() != 1 || !SplitTarget(args[0], form, control))
        return fail("usage: hover FORM.CONTROL");
      s.what = Step::Do::Hover;
    } else if (action == "close" || action == "activate") {
      if (args.size() != 1 || args[0].find('.') != std::string::npos)
        return fail("usage: " + action + " FORM");
      s.what = action == "close" ? Step::Do::Close : Step::Do::Activate;
      form = args[0];
    } else {
      return fail("unknown action \"" + action + "\"");
    }
    s.form = form;
    s.control = control;
    s.after = pendingWait;
    pendingWait = 0;
    steps.push_back(s);
    if (lines) lines->push_back(number);
  }
  if (pendingWait) {
    error = "a \"wait\" at the end has no action to delay";
    return false;
  }
  return true;
}

namespace {

bool TakesItem(const Step& s) {
  return s.what == Step::Do::Select || (s.what == Step::Do::DblClick && s.value >= 0);
}

std::string Target(const Step& s) { return s.form + (s.control.empty() ? "" : "." + s.control); }

}  // namespace

std::vector<std::string> CheckScriptTargets(const std::vector<Step>& steps,
                                            const std::vector<int>& lines) {
  std::vector<std::string> out;
  std::string names;
  for (ui::Form* f : ui::app().Forms()) names += (names.empty() ? "" : ", ") + f->Name();
  for (size_t i = 0; i < steps.size(); ++i) {
    const Step& s = steps[i];
    const std::string at = "line " + std::to_string(i < lines.size() ? lines[i] : 0) + ": ";
    if (s.what == Step::Do::Answer || s.form.empty()) continue;
    ui::Form* form = nullptr;
    for (ui::Form* f : ui::app().Forms())
      if (f->Name() == s.form) form = f;
    if (!form) {
      out.push_back(at + "no window is named " + s.form + " (the program's windows: " + names +
                    ")");
      continue;
    }
    if (s.control.empty()) continue;
    ui::Control* c = form->FindControl(s.control);
    if (!c)
      out.push_back(at + s.form + " has no control " + s.control);
    else if (TakesItem(s) && !dynamic_cast<ui::ListBase*>(c))
      out.push_back(at + Target(s) + " is no list");
  }
  return out;
}

std::vector<std::string> FailedScriptSteps(const std::vector<plat::sim::Event>& transcript,
                                           const std::vector<Step>& steps,
                                           const std::vector<int>& lines) {
  std::vector<std::string> out;
  size_t ran = 0;  // steps carried out so far, in script order
  for (const plat::sim::Event& e : transcript) {
    const bool answered = e.kind == "ui-answer" && e.text.find("(default)") == std::string::npos;
    if (e.kind == "ui-user" || answered) ++ran;
    if (e.kind != "ui-script-error" || ran == 0 || ran > steps.size()) continue;
    const Step& s = steps[ran - 1];
    std::string why =
        Target(s) + " could not be used at " + std::to_string(e.time) + " ms (disabled or hidden)";
    ui::Form* form = nullptr;
    for (ui::Form* f : ui::app().Forms())
      if (f->Name() == s.form) form = f;
    auto* list = form ? dynamic_cast<ui::ListBase*>(form->FindControl(s.control)) : nullptr;
    if (TakesItem(s) && list && s.value >= static_cast<int>(list->Items().size()))
      why = Target(s) + " has no item " + std::to_string(s.value) + " (it lists " +
            std::to_string(list->Items().size()) + ")";
    out.push_back("line " + std::to_string(ran - 1 < lines.size() ? lines[ran - 1] : 0) + ": " +
                  why);
  }
  return out;
}

}  // namespace simtool
