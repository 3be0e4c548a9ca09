// Each test works under a key of its own, so tests never see each other's
// values, whether the store is the Windows registry or the POSIX file (which
// natively also lives in a fresh folder per test).
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>

#include "tests/common/test_paths.h"

inline std::string UniqueKeyPath() {
  static std::atomic<unsigned> counter{0};
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count() % 1000000007;
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::string("Software\\Orvane\\TolmaricTest\\") + test->name() + "_" + std::to_string(stamp) + "_" +
         std::to_string(counter++);
}

class RegistrySandbox : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef _WIN32
    folder_ = MakeTempDir();
    setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
#endif
    path_ = UniqueKeyPath();
  }
  void TearDown() override {
    if (!folder_.empty()) RemoveTree(folder_);
  }

  std::string folder_;  // the POSIX store's folder
  std::string path_;    // this test's key
};
