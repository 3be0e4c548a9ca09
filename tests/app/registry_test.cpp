// The registry-key class: modes, typed values, terminators, nesting and its
// own error codes. Runs against the Windows registry under wine and against
// the file store natively.
#include "app/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/app/registry_sandbox.h"
#include "tests/common/test_paths.h"

namespace {

using namespace registry;

class RegistryTest : public RegistrySandbox {
 protected:
};

TEST_F(RegistryTest, AMissingKeyOpensOnlyInCreateMode) {
  CRegistry key;
  EXPECT_FALSE(key.Open(0, path_.c_str(), CRegistry::kReadOnly));
  EXPECT_EQ(CRegistry::kErrorCannotOpen, key.LastError());
  EXPECT_FALSE(key.Open(0, path_.c_str(), CRegistry::kReadWrite));
  EXPECT_EQ(CRegistry::kErrorCannotOpen, key.LastError());
  ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kOpenOrCreate));
  key.Close();
  EXPECT_TRUE(key.Open(0, path_.c_str(), CRegistry::kReadOnly));
}

TEST_F(RegistryTest, ARootPrefixSelectsTheRoot) {
  CRegistry key;
  std::string full = "HKEY_CURRENT_USER\\" + path_;
  ASSERT_TRUE(key.Open(0, full.c_str(), CRegistry::kOpenOrCreate));
  ASSERT_TRUE(key.SetDword(7, "Seven"));
  key.Close();
  ASSERT_TRUE(key.Open(kCurrentUser, path_.c_str(), CRegistry::kReadOnly));
  std::uint32_t value = 0;
  EXPECT_TRUE(key.GetDword(value, "Seven"));
  EXPECT_EQ(7u, value);
}

TEST_F(RegistryTest, AReadOnlyKeyRefusesWrites) {
  CRegistry key;
  ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kOpenOrCreate));
  key.Close();
  ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kReadOnly));
  EXPECT_FALSE(key.SetString("x", "Name"));
  EXPECT_EQ(CRegistry::kErrorCannotOpen, key.LastError());
}

TEST_F(RegistryTest, OperationsWithoutAKeyOrDataFailWithTheirCodes) {
  CRegistry key;
  char text[8] = "keep";
  EXPECT_FALSE(key.GetValue(text, sizeof text, "Name", kTypeString));
  EXPECT_EQ(CRegistry::kErrorNoKeyOpen, key.LastError());
  EXPECT_STREQ("", text);
  EXPECT_FALSE(key.OpenSubKey("Sub"));
  EXPECT_EQ(CRegistry::kErrorNoKeyOpen, key.LastError());
  ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kOpenOrCreate));
  EXPECT_FALSE(key.SetValue(nullptr, 4, "Name", kTypeBinary));
  EXPECT_EQ(CRegistry::kErrorNoData, key.LastError());
}

TEST_F(RegistryTest, TextsAreStoredWithoutTerminatorAndReadWithOne) {
  CRegistry key;
  ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kOpenOrCreate));
  ASSERT_TRUE(key.SetString("H\xF6he", "Text08"));
  std::vector<char> raw;  // the platform may report a terminator of its own
  ASSERT_TRUE(key.GetValueAlloc(raw, "Text08", kTypeString));
  EXPECT_STREQ("H\xF6he", raw.data());
  char text[5] = "????";
  ASSERT_TRUE(key.GetValue(text, sizeof text, "Text08", kTypeString));
  EXPECT_STREQ("H\xF6he", text);
  // No room left for the terminator: the read fails and leaves the text empty.
  char small[4] = "???";
  EXPECT_FALSE(key.GetValue(small, sizeof small, "Text08", kTypeString));
  EXPECT_STREQ("", small);
}

TEST_F(RegistryTest, AStoredTerminatorEndsTheText) {
  CRegistry key;
  ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kOpenOrCreate));
  ASSERT_TRUE(key.SetValue("ab\0cd", 5, "Name", kTypeString));
  std::string text;
  ASSERT_TRUE(key.GetString(text, "Name"));
  EXPECT_EQ("ab", text);
}

TEST_F(RegistryTest, EmptyTextsReadAsEmpty) {
  CRegistry key;
  ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kOpenOrCreate));
  ASSERT_TRUE(key.SetString("", "Empty"));
  char text[4] = "???";
  ASSERT_TRUE(key.GetValue(text, sizeof text, "Empty", kTypeString));
  EXPECT_STREQ("", text);
  ASSERT_TRUE(key.SetValue("", 0, "EmptyMulti", kTypeMultiString));
  char multi[4] = {'?', '?', '?', '?'};
  ASSERT_TRUE(key.GetValue(multi, sizeof multi, "EmptyMulti", kTypeMultiString));
  EXPECT_EQ(0, multi[0]);
  EXPECT_EQ(0, multi[1]);
}

TEST_F(RegistryTest, AFailedReadLeavesNonTextBuffersAlone) {
  CRegistry key;
  ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kOpenOrCreate));
  ASSERT_TRUE(key.SetString("text", "NotANumber"));
  unsigned char number[4] = {1, 2, 3, 4};
  EXPECT_FALSE(key.GetValue(number, sizeof number, "NotANumber", kTypeDword));
  EXPECT_FALSE(key.GetValue(number, sizeof number, "Missing", kTypeDword));
  EXPECT_EQ(1, number[0]);
  EXPECT_EQ(4, number[3]);
}

TEST_F(RegistryTest, MultiStringsCountTheFinalEmptyString) {
  CRegistry key;
  ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kOpenOrCreate));
  ASSERT_TRUE(key.SetMultiString("\x02" "a\0a\0b\0", "History"));
  std::vector<char> data;
  ASSERT_TRUE(key.GetMultiString(data, "History"));
  EXPECT_EQ(8u, key.LastSize());
  ASSERT_EQ(10u, data.size());
  EXPECT_EQ(0, std::memcmp("\x02" "a\0a\0b\0\0\0\0", data.data(), 10));
  EXPECT_FALSE(key.GetMultiString(data, "Missing"));
  EXPECT_TRUE(data.empty());
}

TEST_F(RegistryTest, NestingStopsAtElevenLevels) {
  CRegistry key;
  ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kOpenOrCreate));
  for (int level = 2; level <= CRegistry::kMaxLevels; ++level)
    ASSERT_TRUE(key.OpenSubKey(("L" + std::to_string(level)).c_str())) << level;
  EXPECT_EQ(11, key.Levels());
  EXPECT_FALSE(key.OpenSubKey("L12"));
  EXPECT_EQ(CRegistry::kErrorTooDeep, key.LastError());
  EXPECT_TRUE(key.Close());
  EXPECT_EQ(0, key.Levels());
}

TEST_F(RegistryTest, SubkeysAreCreatedOnlyWhenAllowed) {
  CRegistry key;
  ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kOpenOrCreate));
  EXPECT_FALSE(key.OpenSubKey("Language", true));
  ASSERT_TRUE(key.OpenSubKey("Language"));
  ASSERT_TRUE(key.SetString("Start", "Text22"));
  key.Close();
  ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kReadOnly));
  EXPECT_FALSE(key.OpenSubKey("Missing"));
  ASSERT_TRUE(key.OpenSubKey(nullptr));  // the first subkey by enumeration
  std::string text;
  EXPECT_TRUE(key.GetString(text, "Text22"));
  EXPECT_EQ("Start", text);
  key.Close();
  ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kReadOnly));
  ASSERT_TRUE(key.OpenSubKey(nullptr));
  ASSERT_TRUE(key.Close());
}

TEST_F(RegistryTest, NamesIgnoreLetterCase) {
  CRegistry key;
  ASSERT_TRUE(key.Open(0, path_.c_str(), CRegistry::kOpenOrCreate));
  ASSERT_TRUE(key.SetDword(3, "StatSel"));
  std::uint32_t value = 0;
  EXPECT_TRUE(key.GetDword(value, "STATSEL"));
  EXPECT_EQ(3u, value);
}

}  // namespace
