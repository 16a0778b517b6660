// Text helpers for tests: readable failure output and raw file access.
#pragma once

#include <string>
#include <vector>

namespace ruzer::test {

std::string Utf8(const std::wstring& w);
std::wstring Wide(const std::string& utf8);

// Raw bytes of a file (empty when missing) and writing raw bytes.
std::string ReadBytes(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::string& bytes);
// UTF-16 LE with BOM, lines joined by CR LF and a final CR LF.
std::string Utf16File(const std::vector<std::wstring>& lines);
// Decodes a UTF-16 LE file with BOM into its lines (without CR LF); fails the test otherwise.
std::vector<std::wstring> ReadUtf16Lines(const std::wstring& path);

bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
// Names in a folder without "." and "..", sorted; empty when it cannot be listed.
std::vector<std::wstring> FolderEntries(const std::wstring& folder);
// A file of `size` bytes made without writing them (sparse on the host).
bool MakeBigFile(const std::wstring& path, long long size);

// A fresh folder under %TEMP%, removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // Windows path without trailing backslash.
  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& rel) const { return path_ + L"\\" + rel; }
  // Host (Linux) path of the folder when it lies on a Wine drive mapped to the host, else empty.
  std::string hostPath() const;

 private:
  std::wstring path_;
};

void RemoveTree(const std::wstring& path);

}  // namespace ruzer::test

