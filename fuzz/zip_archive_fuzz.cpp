// Open and ExtractToMemory over arbitrary archive bytes, once from memory
// and once from a file, because the two read through different sources
// (the codec's memory source and its stream source with the 4 KiB buffer).
// Both must end in a result code, and they must agree.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "support/archive/zip_file.h"

namespace {

// Extraction blocks are capped so that a size field claiming gigabytes
// costs little here (extraction then fails as too small).
const std::uint32_t kMaxBlock = 1 << 18;
const int kMaxEntries = 16;

std::string ScratchPath() {
  const char* folder = std::getenv("TMPDIR");
  return std::string(folder && *folder ? folder : "/tmp") + "/zip_archive_fuzz_" +
         std::to_string(getpid()) + ".zip";
}

std::vector<int> ExtractAll(CZipFile& zip) {
  std::vector<int> results;
  for (int i = 0; i < zip.GetCount() && i < kMaxEntries; ++i) {
    std::uint32_t size = zip.GetFileSize(i, CPackArchive::kUncompressedSize);
    std::uint32_t capacity = size < kMaxBlock ? size : kMaxBlock;
    std::unique_ptr<unsigned char[]> block(new unsigned char[capacity + 1]);
    results.push_back(zip.ExtractToMemory(i, block.get(), capacity));
    zip.GetErrorText();
  }
  return results;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CZipFile fromMemory;
  int memoryResult = fromMemory.OpenMemory(data, size, "fuzz.zip");
  fromMemory.GetErrorText();
  std::vector<int> memoryExtracts = ExtractAll(fromMemory);

  static const std::string path = ScratchPath();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  CZipFile fromFile;
  int fileResult = fromFile.Open(path.c_str(), CPackArchive::kModeRead, 9);
  std::vector<int> fileExtracts = ExtractAll(fromFile);
  fromFile.Close();
  if (fileResult != memoryResult || fileExtracts != memoryExtracts) std::abort();
  return 0;
}
