// A fresh simulated machine for each test, installed as the backend.
#pragma once
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/sim/machine.h"

class SimTest : public testing::Test {
 protected:
  SimTest() : saved_(plat::backend()) { plat::SetBackend(machine.AsBackend()); }
  // Runs after the derived fixtures let go of what they hold: whatever the
  // test opened on the machine must be closed by now.
  ~SimTest() override {
    EXPECT_EQ(machine.handles.Total(), 0) << "left open: " << machine.handles.Describe();
    plat::SetBackend(saved_);
  }

  // Writes a file at a Windows path of the simulated machine.
  void Write(const std::string& path, const std::string& data) {
    ASSERT_TRUE(plat::files().WriteFile(path, data)) << path;
  }

  plat::sim::SimMachine machine;

 private:
  plat::Backend saved_;
};
