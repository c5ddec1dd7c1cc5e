// The whole program on a fresh simulated machine and the headless UI: a
// test writes the medium, calls StartProgram and acts on its forms.
#pragma once
#include <memory>

#include "app/program.h"
#include "sim_fixture.h"
#include "ui/headless/headless.h"

class ProgramTest : public SimTest {
 protected:
  ProgramTest() : saved_(&ui::backend()) {
    ui::SetBackend(&h);
    ui::app().Reset();
  }
  ~ProgramTest() override {
    p.reset();
    ui::app().Reset();
    ui::app().showMainForm = true;
    ui::SetBackend(saved_);
  }

  ui::headless::Headless h;
  std::unique_ptr<app::Program> p;

 private:
  ui::Backend* saved_;
};
