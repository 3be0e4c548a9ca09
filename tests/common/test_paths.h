// Where tests find the repository's example data and put their scratch files.
#pragma once
#include <string>

// Absolute path of a file in the source tree, e.g. SourcePath("examples/tiles").
std::string SourcePath(const std::string& relative);

// A new, empty folder under the system's temporary folder; removed by the
// caller with RemoveTree when it is done.
std::string MakeTempDir();
void RemoveTree(const std::string& path);

// Whole file as bytes ("" when missing); WriteFile replaces the file.
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
