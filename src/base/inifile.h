// An initialization file held in memory: sections of "key=value" lines, names
// matched without regard to case, order kept. Loading drops comments (";"),
// empty lines and the blanks around names and values; saving writes UTF-16 LE
// with BOM and an empty line after every section.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/textfile.h"

namespace ruzer {

// Whole-text number parsing that never throws. Blanks around the number are
// allowed; anything else (empty text, letters, overflow) gives false.
bool ParseInt(std::wstring_view text, int& value);
// Plain decimal: optional sign, digits, optional "." and digits ("6.00", "5").
bool ParseDecimal(std::wstring_view text, double& value);

// Case-insensitive comparison of names (ordinal, as the profile functions do).
bool SameName(std::wstring_view a, std::wstring_view b);

class IniFile {
 public:
  struct Entry {
    std::wstring key;
    std::wstring value;
    bool bare = false;  // the line had no "=" (kept as it was)
  };
  struct Section {
    std::wstring name;
    bool header = true;  // false only for lines before the first section
    std::vector<Entry> entries;
  };

  // Replaces the content with the parsed lines.
  void LoadLines(const std::vector<std::wstring>& lines);
  // Reads the file (any encoding ReadTextFile knows) and parses it. On any
  // failure the content is left empty and the read result tells why.
  TextReadResult Load(const std::wstring& path);

  std::vector<std::wstring> ToLines() const;
  DWORD Save(const std::wstring& path) const;  // ERROR_SUCCESS or the system error

  bool HasSection(std::wstring_view section) const;
  const std::wstring* Find(std::wstring_view section, std::wstring_view key) const;
  std::wstring GetString(std::wstring_view section, std::wstring_view key,
                         const std::wstring& def = std::wstring()) const;
  int GetInt(std::wstring_view section, std::wstring_view key, int def) const;
  double GetDecimal(std::wstring_view section, std::wstring_view key, double def) const;

  // Replaces the value where the key stands, or appends the key at the end of
  // the section (the section is appended at the end when missing).
  void SetString(std::wstring_view section, std::wstring_view key, std::wstring_view value);
  void SetInt(std::wstring_view section, std::wstring_view key, int value);
  void RemoveSection(std::wstring_view section);

  const std::vector<Section>& sections() const { return sections_; }

 private:
  Section* FindSection(std::wstring_view name);
  const Section* FindSection(std::wstring_view name) const;

  std::vector<Section> sections_;
};

// Sets one key in the lines of an initialization file and leaves every other
// line as it is (comments, blank lines, spacing): the key's line is replaced
// where it stands, or added after the last line of its section, or the
// section is added at the end.
void SetProfileLine(std::vector<std::wstring>& lines, std::wstring_view section, std::wstring_view key,
                    std::wstring_view value);

// Writes one key into the file by SetProfileLine, keeping the file's encoding
// (8-bit stays 8-bit, anything else becomes UTF-16 LE); a missing file is
// created. A file that cannot be read, or holds binary data, is not touched
// (ERROR_FILE_INVALID, or the read error).
DWORD WriteProfileValue(const std::wstring& path, std::wstring_view section, std::wstring_view key,
                        std::wstring_view value);

}  // namespace ruzer
