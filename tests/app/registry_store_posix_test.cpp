// The POSIX settings store: a readable file under $XDG_CONFIG_HOME that is
// replaced atomically, survives damage and never stops the program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/registry.h"
#include "tests/common/test_paths.h"

namespace {

class RegistryStore : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeTempDir();
    setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
    store_ = folder_ + "/tolmaric/registry";
  }
  void TearDown() override { RemoveTree(folder_); }
  std::string folder_, store_;
};

TEST_F(RegistryStore, WritesAReadableFileThatRoundTripsEveryByte) {
  CRegistry key;
  ASSERT_TRUE(key.Open(0, "Software\\Orvane\\Tolmaric", CRegistry::kOpenOrCreate));
  ASSERT_TRUE(key.SetString("25", "StepWidth"));
  ASSERT_TRUE(key.SetDword(1024, "BmpWidth"));
  std::string awkward = "Die Datei \"%s\"\nexistiert \\ bereits \xE4\x01";
  ASSERT_TRUE(key.SetString(awkward.c_str(), "Text68"));
  key.Close();

  std::string file = ReadWholeFile(store_);
  EXPECT_NE(std::string::npos, file.find("[HKEY_CURRENT_USER\\Software\\Orvane\\Tolmaric]\n"));
  EXPECT_NE(std::string::npos, file.find("\"StepWidth\"=sz:\"25\"\n"));
  EXPECT_NE(std::string::npos, file.find("\"BmpWidth\"=dword:00000400\n"));
  EXPECT_NE(std::string::npos, file.find("=sz:\"Die Datei \\\"%s\\\"\\x0aexistiert \\\\ bereits \\xe4\\x01\"\n"));

  ASSERT_TRUE(key.Open(0, "Software\\Orvane\\Tolmaric", CRegistry::kReadOnly));
  std::string text;
  ASSERT_TRUE(key.GetString(text, "Text68"));
  EXPECT_EQ(awkward, text);
  // No temporary file is left behind (the lock file stays, empty).
  for (const auto& entry : std::filesystem::directory_iterator(folder_ + "/tolmaric")) {
    std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "registry" || name == "registry.lock") << name;
  }
}

TEST_F(RegistryStore, AChangeKeepsWhatAnotherProgramSavedMeanwhile) {
  CRegistry key;
  ASSERT_TRUE(key.Open(0, "Software\\Orvane\\Tolmaric", CRegistry::kOpenOrCreate));
  ASSERT_TRUE(key.SetDword(1, "BmpOn"));
  // Another run of the program stores a value while this key is open.
  std::string file = ReadWholeFile(store_);
  ASSERT_TRUE(WriteWholeFile(store_, file + "\"StatSel\"=dword:00000003\n"));
  ASSERT_TRUE(key.SetDword(0, "TextOn"));
  key.Close();
  ASSERT_TRUE(key.Open(0, "Software\\Orvane\\Tolmaric", CRegistry::kReadOnly));
  std::uint32_t value = 0;
  EXPECT_TRUE(key.GetDword(value, "StatSel"));
  EXPECT_EQ(3u, value);
  EXPECT_TRUE(key.GetDword(value, "BmpOn"));
  EXPECT_EQ(1u, value);
}

TEST_F(RegistryStore, AFileEditedWithWindowsLineEndsStillReads) {
  std::filesystem::create_directories(folder_ + "/tolmaric");
  ASSERT_TRUE(WriteWholeFile(store_, "; edited\r\n[HKEY_CURRENT_USER\\K\\Language]\r\n\"Text22\"=sz:\"Start\"\r\n"));
  CRegistry key;
  ASSERT_TRUE(key.Open(0, "K\\Language", CRegistry::kReadOnly));
  std::string text;
  EXPECT_TRUE(key.GetString(text, "Text22"));
  EXPECT_EQ("Start", text);
}

TEST_F(RegistryStore, ADamagedFileReadsAsEmptyAndIsKeptAside) {
  std::filesystem::create_directories(folder_ + "/tolmaric");
  std::string damaged = "[HKEY_CURRENT_USER\\Software\\Orvane\\Tolmaric]\n\"BmpWidth\"=dword:zz\n";
  ASSERT_TRUE(WriteWholeFile(store_, damaged));
  CRegistry key;
  ASSERT_TRUE(key.Open(0, "Software\\Orvane\\Tolmaric", CRegistry::kOpenOrCreate));
  std::uint32_t width = 77;
  EXPECT_FALSE(key.GetDword(width, "BmpWidth"));
  EXPECT_EQ(77u, width);
  ASSERT_TRUE(key.SetDword(800, "BmpWidth"));
  EXPECT_EQ(damaged, ReadWholeFile(store_ + ".corrupt"));
  EXPECT_NE(std::string::npos, ReadWholeFile(store_).find("dword:00000320"));
}

TEST_F(RegistryStore, EveryDamagedFileIsKeptAsideWithoutReplacingAnEarlierOne) {
  std::filesystem::create_directories(folder_ + "/tolmaric");
  for (const char* damaged : {"first damage\n", "second damage\n", "third damage\n"}) {
    ASSERT_TRUE(WriteWholeFile(store_, damaged));
    CRegistry key;
    ASSERT_TRUE(key.Open(0, "Software\\Orvane\\Tolmaric", CRegistry::kOpenOrCreate));
  }
  EXPECT_EQ("first damage\n", ReadWholeFile(store_ + ".corrupt"));
  EXPECT_EQ("second damage\n", ReadWholeFile(store_ + ".corrupt.2"));
  EXPECT_EQ("third damage\n", ReadWholeFile(store_ + ".corrupt.3"));
}

// A store that cannot be read is left as it is: nothing is read from it and
// every change fails instead of replacing it with a store of defaults.
TEST_F(RegistryStore, AStoreThatCannotBeReadIsNeverReplaced) {
  std::filesystem::create_directories(store_ + "/inside");
  CRegistry key;
  EXPECT_FALSE(key.Open(0, "Software\\Orvane\\Tolmaric", CRegistry::kOpenOrCreate));
  EXPECT_TRUE(std::filesystem::is_directory(store_ + "/inside"));
  std::filesystem::remove_all(store_);
  const std::string kept = "[HKEY_CURRENT_USER\\K]\n\"A\"=dword:00000001\n";
  ASSERT_TRUE(WriteWholeFile(store_, kept));
  std::filesystem::permissions(store_, std::filesystem::perms::none);
  if (std::FILE* readable = std::fopen(store_.c_str(), "rb")) {
    std::fclose(readable);
    GTEST_SKIP() << "running with rights that read any file";
  }
  EXPECT_FALSE(key.Open(0, "K", CRegistry::kOpenOrCreate));
  std::filesystem::permissions(store_, std::filesystem::perms::owner_read);
  EXPECT_EQ(kept, ReadWholeFile(store_));
}

TEST_F(RegistryStore, DamagedLinesOfEveryKindAreRejected) {
  std::filesystem::create_directories(folder_ + "/tolmaric");
  const char* lines[] = {
      "\"A\"=sz:\"unterminated\n", "\"A\"=sz:\"bad \\q escape\"\n", "\"A\"=hex(3):0g\n", "\"A\"=hex():00\n",
      "\"A\"=dword:1234567\n",     "\"A\"=other:1\n",               "[]\n",          "no key yet\n",
      "\"A\"=hex(3):00,\n",        "\"A\"=sz:\"x\"trailing\n",
  };
  for (const char* line : lines) {
    std::string text = std::string(line).rfind("\"A\"", 0) == 0 ? "[HKEY_CURRENT_USER\\K]\n" + std::string(line) : line;
    ASSERT_TRUE(WriteWholeFile(store_, text));
    CRegistry key;
    EXPECT_FALSE(key.Open(0, "K", CRegistry::kReadOnly)) << line;
  }
}

TEST_F(RegistryStore, ValuesOfARootKeyKeepTheStoreReadable) {
  CRegistry key;
  ASSERT_TRUE(key.Open(0, "Software\\Orvane\\Tolmaric", CRegistry::kOpenOrCreate));
  ASSERT_TRUE(key.SetDword(1, "BmpOn"));
  ASSERT_TRUE(key.Open(0, "", CRegistry::kReadWrite));  // the root key itself
  ASSERT_TRUE(key.SetString("root", "Top"));
  key.Close();
  EXPECT_NE(std::string::npos, ReadWholeFile(store_).find("[HKEY_CURRENT_USER]\n\"Top\"=sz:\"root\"\n"));

  ASSERT_TRUE(key.Open(0, "", CRegistry::kReadOnly));
  std::string text;
  EXPECT_TRUE(key.GetString(text, "Top"));
  EXPECT_EQ("root", text);
  ASSERT_TRUE(key.Open(0, "Software\\Orvane\\Tolmaric", CRegistry::kReadOnly));
  std::uint32_t on = 0;
  EXPECT_TRUE(key.GetDword(on, "BmpOn"));
  EXPECT_EQ(1u, on);
  EXPECT_FALSE(std::filesystem::exists(store_ + ".corrupt"));
}

TEST_F(RegistryStore, AnUnwritableStoreFailsQuietly) {
  setenv("XDG_CONFIG_HOME", "/dev/null/cannot", 1);
  CRegistry key;
  EXPECT_FALSE(key.Open(0, "Software\\Orvane\\Tolmaric", CRegistry::kOpenOrCreate));
  EXPECT_FALSE(key.Open(0, "Software\\Orvane\\Tolmaric", CRegistry::kReadOnly));
}

TEST_F(RegistryStore, FallsBackToTheHomeFolder) {
  unsetenv("XDG_CONFIG_HOME");
  std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("HOME", folder_.c_str(), 1);
  CRegistry key;
  EXPECT_TRUE(key.Open(0, "Software\\Orvane\\Tolmaric", CRegistry::kOpenOrCreate));
  EXPECT_TRUE(key.SetDword(1, "BmpOn"));
  key.Close();
  EXPECT_TRUE(std::filesystem::exists(folder_ + "/.config/tolmaric/registry"));
  setenv("HOME", home.c_str(), 1);
}

}  // namespace
