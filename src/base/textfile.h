// Text files as Ruzer keeps them: read with byte-order-mark detection (8-bit
// files of older versions are in the ANSI code page), written as UTF-16 LE with
// BOM and CR LF, or in the ANSI code page for logs. Writes go to a temporary
// file in the same folder first, so a failed write leaves the old file whole.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ruzer {

// Our own files are a few hundred KB at most; anything beyond this is not one
// of them and is refused rather than read into memory.
inline constexpr std::uint64_t kMaxTextFileBytes = 64ull * 1024 * 1024;

enum class TextEncoding { Ansi, Utf16Le, Utf16Be, Utf8 };

enum class TextReadStatus {
  Ok,
  NotFound,  // no such file (or path)
  IsFolder,
  TooLarge,  // larger than the limit; nothing read
  Failed,    // could not open or read (sharing violation, access denied, ...)
};

struct TextReadResult {
  TextReadStatus status = TextReadStatus::Failed;
  DWORD error = ERROR_SUCCESS;  // system error code when Failed
  TextEncoding encoding = TextEncoding::Ansi;
  bool oddByte = false;  // UTF-16 with an odd byte count: the stray last byte was dropped
  bool hasNul = false;   // the text holds NUL characters (a binary file)
  std::vector<std::wstring> lines;
  bool ok() const { return status == TextReadStatus::Ok; }
};

// Decodes raw file bytes: BOM FF FE (UTF-16 LE), FE FF (UTF-16 BE), EF BB BF
// (UTF-8), otherwise the ANSI code page. Never fails.
std::wstring DecodeText(std::string_view bytes, TextEncoding* encoding = nullptr,
                        bool* oddByte = nullptr);

// Splits at CR LF, LF or CR. A final line break does not start another line.
std::vector<std::wstring> SplitLines(std::wstring_view text);

TextReadResult ReadTextFile(const std::wstring& path, std::uint64_t maxBytes = kMaxTextFileBytes);

// Raw bytes of a file, bounded like ReadTextFile (lines stay empty).
TextReadResult ReadFileBytes(const std::wstring& path, std::string& bytes,
                             std::uint64_t maxBytes = kMaxTextFileBytes);

// Replaces `path` with `bytes` through a temporary file in the same folder.
// Returns ERROR_SUCCESS or the system error code; on failure the previous file
// (if any) is untouched and no temporary file is left behind. A read-only
// target is refused with ERROR_ACCESS_DENIED.
DWORD ReplaceFileBytes(const std::wstring& path, std::string_view bytes);
// The temporary names ReplaceFileBytes uses ("~rz" + hex + "_" + hex + ".tmp").
bool IsReplaceTempName(const std::wstring& name);
// Deletes such files in `folder` that were last written more than `ageMs` ago:
// what a killed write left behind. Younger ones may belong to a write of
// another running instance.
void RemoveStaleReplaceTemps(const std::wstring& folder, std::uint64_t ageMs);

// UTF-16 LE with BOM, CR LF after every line.
std::string EncodeUtf16Lines(const std::vector<std::wstring>& lines);
DWORD WriteUtf16File(const std::wstring& path, const std::vector<std::wstring>& lines);

// ANSI code page, CR LF after every line (characters it lacks get the best fit or "?").
std::string EncodeAnsiLines(const std::vector<std::wstring>& lines);
DWORD WriteAnsiFile(const std::wstring& path, const std::vector<std::wstring>& lines);

}  // namespace ruzer
