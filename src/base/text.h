// Text and folder-name helpers with no disk behind them: packed lists, the
// folder comparisons, parent folders and trimming.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ruzer {

// Entries joined by ":"; no entries give the empty text.
std::wstring PackList(const std::vector<std::wstring>& entries);
// Splits at every ":"; "a::b" gives a, "", b; "a:" gives only a.
void UnpackList(std::vector<std::wstring>& list, const std::wstring& text);
std::vector<std::wstring> UnpackList(const std::wstring& text);

// Lower case by the user's locale (full mapping).
std::wstring LowerText(const std::wstring& text);
// Equal after LowerText of both; nothing else is normalised.
bool SameFolderText(const std::wstring& a, const std::wstring& b);
// `path` lies below `parent` (A-Z folded only; "C:\" lies inside itself).
bool IsInsideFolder(const std::wstring& parent, const std::wstring& path);
// One full path per packed entry: source (with one backslash) + entry.
void ExpandExcludedFolders(const std::wstring& source, const std::wstring& text,
                           std::vector<std::wstring>& target);

// Case-free key of a file name or of a path of names: they compare without
// regard to letter case. Mostly ASCII, which needs no call.
std::wstring CaseFreeKey(const std::wstring& name);

// Everything before the last backslash ("C:\a\b" gives "C:\a", "C:\a" gives
// "C:"); empty when there is none.
std::wstring ParentFolder(const std::wstring& path);
// The folder part of a path with its last separator ("\" or "/"); "C:name"
// gives "C:"; empty when there is none.
std::wstring FolderOf(const std::wstring& path);

// `path` without its trailing backslashes ("C:\" gives "C:").
std::wstring WithoutTrailingBackslash(std::wstring path);
// A folder without its trailing backslashes, but a drive's root keeps its
// own ("C:\a\" gives "C:\a", "C:\" stays): the form folders are shown in.
std::wstring FolderWithoutBackslash(std::wstring folder);

// A whole number with the locale's thousands separator ("%1.0n"): 12345 ->
// "12,345"; GroupedNumber for counts.
std::wstring FormatWhole(std::int64_t value);
std::wstring GroupedNumber(std::uint64_t n);

// Blanks of typed texts: spaces and tabs; kWideBlanks adds the ideographic
// space of Japanese input.
inline constexpr std::wstring_view kBlanks = L" \t";
inline constexpr std::wstring_view kWideBlanks = L" \t\u3000";
// `s` without the `blanks` at either end.
std::wstring_view Trim(std::wstring_view s, std::wstring_view blanks = kBlanks);

}  // namespace ruzer
