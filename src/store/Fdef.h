// Fixed texts of Ruzer, in one place.
#pragma once

// kProduct is in base/ui.h: the message boxes carry it.
#include "base/ui.h"

namespace ruzer::Fdef {

inline constexpr wchar_t kVersion[] = L"6.00";
inline constexpr wchar_t kAboutProduct[] = L"Varod";
inline constexpr wchar_t kDefaultIndexBase[] = L"RUZER";
inline constexpr wchar_t kIndexExt[] = L".IDX";
inline constexpr wchar_t kPageExt[] = L".PAG";
inline constexpr wchar_t kBackupExt[] = L".BAK";
inline constexpr wchar_t kHelpExt[] = L".chm";
inline constexpr wchar_t kAppDataFolder[] = L"\\Ruzer";
inline constexpr wchar_t kRegistryKey[] = L"Software\\Rudavu\\Ruzer";
inline constexpr wchar_t kMemoFile[] = L"MEMO.TXT";
inline constexpr wchar_t kErrorLog[] = L"ERROR.LOG";

}  // namespace ruzer::Fdef
