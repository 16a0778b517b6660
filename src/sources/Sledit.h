// Source rows: the packed-list encoding of pattern lists and excluded
// folders, and the folder comparisons behind the overlap rules.
#pragma once

#include <string>
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

}  // namespace ruzer
