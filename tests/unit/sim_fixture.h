// A fresh simulated machine for each test, installed as the backend.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>

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

  // A queue on the simulated spooler, its driver installed once. The
  // reference holds until the next queue is added.
  plat::sim::SimPrinter& AddPrinter(const std::string& name, const std::string& driver,
                                    const std::string& port = "LPT1:") {
    plat::sim::SimPrinter p;
    p.info.printerName = name;
    p.info.driverName = driver;
    p.info.portName = port;
    auto& drivers = machine.spooler.drivers;
    if (std::find(drivers.begin(), drivers.end(), driver) == drivers.end())
      drivers.push_back(driver);
    machine.spooler.printers.push_back(p);
    return machine.spooler.printers.back();
  }

  // A device present on the simulated machine. The reference holds until the
  // next device is attached.
  plat::sim::SimDevice& AttachDevice(const std::string& hardwareId, const std::string& deviceId,
                                     const std::string& portInfo) {
    plat::sim::SimDevice d;
    d.hardwareId = hardwareId;
    d.deviceId = deviceId;
    d.portInfo = portInfo;
    machine.devices.devices.push_back(d);
    return machine.devices.devices.back();
  }

  plat::sim::SimMachine machine;

 private:
  plat::Backend saved_;
};
