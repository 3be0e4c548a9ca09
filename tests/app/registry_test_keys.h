// Each test works under a key of its own, so tests never see each other's
// values, whether the store is the Windows registry or the POSIX file.
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>

inline std::string UniqueKeyPath() {
  static std::atomic<unsigned> counter{0};
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count() % 1000000007;
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::string("Software\\Orvane\\TolmaricTest\\") + test->name() + "_" + std::to_string(stamp) + "_" +
         std::to_string(counter++);
}
