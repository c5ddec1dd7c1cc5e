// How a contract test checks a call, as Wine's conformance tests do: the
// last error is set to a sentinel first, so that a call which fails without
// setting it shows; the result and the last error are reported by name with
// the caller's line (the macros expand where they are used).
//
//   EXPECT_FAILS_WITH(plat::files().DeleteFile("none"), plat::kErrorFileNotFound);
//   EXPECT_SUCCEEDS(plat::files().WriteFile("a", "x"));
//
// ContractTest is the fixture every suite derives from: after each test no
// handle of the simulated machine may be left open (the real systems do not
// count them), and the folders a test made with MakeFolder are removed.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/platform.h"
#ifndef _WIN32
#include "platform/sim/machine.h"
#endif

namespace contract {

constexpr uint32_t kSentinel = 0xDEADBEEF;

inline std::string ErrorName(uint32_t code) {
  switch (code) {
#define CONTRACT_ERROR_NAME(name) \
  case plat::name: return #name;
    CONTRACT_ERROR_NAME(kErrorSuccess)
    CONTRACT_ERROR_NAME(kErrorFileNotFound)
    CONTRACT_ERROR_NAME(kErrorPathNotFound)
    CONTRACT_ERROR_NAME(kErrorAccessDenied)
    CONTRACT_ERROR_NAME(kErrorInvalidHandle)
    CONTRACT_ERROR_NAME(kErrorFileExists)
    CONTRACT_ERROR_NAME(kErrorInvalidParameter)
    CONTRACT_ERROR_NAME(kErrorBrokenPipe)
    CONTRACT_ERROR_NAME(kErrorInsufficientBuffer)
    CONTRACT_ERROR_NAME(kErrorModNotFound)
    CONTRACT_ERROR_NAME(kErrorProcNotFound)
    CONTRACT_ERROR_NAME(kErrorBadExeFormat)
    CONTRACT_ERROR_NAME(kErrorMoreData)
    CONTRACT_ERROR_NAME(kErrorKeyDeleted)
    CONTRACT_ERROR_NAME(kErrorDatatypeMismatch)
    CONTRACT_ERROR_NAME(kErrorUnsupportedType)
    CONTRACT_ERROR_NAME(kErrorUnknownPort)
    CONTRACT_ERROR_NAME(kErrorUnknownPrinterDriver)
    CONTRACT_ERROR_NAME(kErrorUnknownPrintProcessor)
    CONTRACT_ERROR_NAME(kErrorInvalidPrinterName)
    CONTRACT_ERROR_NAME(kErrorPrinterAlreadyExists)
    CONTRACT_ERROR_NAME(kErrorInvalidPrinterCommand)
    CONTRACT_ERROR_NAME(kErrorPrinterDriverInUse)
#undef CONTRACT_ERROR_NAME
    case kSentinel: return "the sentinel (no error set)";
    default: return "error " + std::to_string(code);
  }
}

// The call's result and the last error it left, the sentinel set before it.
template <typename Result>
struct Outcome {
  Result result;
  uint32_t error;
};

template <typename Call>
auto Run(Call&& call) {
  plat::sys().SetLastError(kSentinel);
  auto value = call();
  const uint32_t error = plat::sys().GetLastError();
  return Outcome<decltype(value)>{std::move(value), error};
}

// The last error after a failed call, by name, for a message.
inline std::string LastError() { return ErrorName(plat::sys().GetLastError()); }

class ContractTest : public testing::Test {
 protected:
  void TearDown() override {
#ifndef _WIN32
    const auto& handles = plat::sim::DefaultMachine().handles;
    EXPECT_EQ(handles.Total(), 0) << "left open: " << handles.Describe();
#endif
    // Deepest first: a folder goes once what it holds is gone.
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) RemoveTree(*it);
  }

  // Makes a folder (and its parents) that goes with the test.
  void MakeFolder(const std::string& path) {
    std::string sofar;
    for (size_t at = 0; at != std::string::npos;) {
      const size_t next = path.find('\\', at);
      sofar = path.substr(0, next);
      if (!plat::files().DirectoryExists(sofar)) {
        plat::files().CreateDirectory(sofar);
        folders_.push_back(sofar);
      }
      at = next == std::string::npos ? next : next + 1;
    }
  }

 private:
  static void RemoveTree(const std::string& folder) {
    for (const std::string& f : plat::files().FindFiles(folder + "\\*"))
      plat::files().DeleteFile(folder + "\\" + f);
    plat::files().RemoveDirectory(folder);
  }
  std::vector<std::string> folders_;
};

}  // namespace contract

#define EXPECT_FAILS_WITH(call, expected)                                                   \
  do {                                                                                      \
    const auto outcome_ = contract::Run([&] { return (call); });                            \
    EXPECT_FALSE(static_cast<bool>(outcome_.result)) << #call << " succeeded";              \
    EXPECT_EQ(contract::ErrorName(outcome_.error), contract::ErrorName(expected)) << #call; \
  } while (0)

#define EXPECT_SUCCEEDS(call)                                           \
  do {                                                                  \
    const auto outcome_ = contract::Run([&] { return (call); });        \
    EXPECT_TRUE(static_cast<bool>(outcome_.result))                     \
        << #call << " failed: " << contract::ErrorName(outcome_.error); \
  } while (0)
