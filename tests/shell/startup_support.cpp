#include "startup_support.h"

#include <gtest/gtest.h>

namespace ruzer::test {

TestRegistryKey::TestRegistryKey()
    : path_(L"Software\\Rudavu\\RuzerTest-" + std::to_wstring(GetCurrentProcessId())) {
  Remove();
  SetRegistryKeyForTests(path_);
}

TestRegistryKey::~TestRegistryKey() {
  Remove();
  SetRegistryKeyForTests(L"");
}

bool TestRegistryKey::Exists() const {
  HKEY k = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

void TestRegistryKey::Remove() {
  RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
}

void TestRegistryKey::SetDword(const wchar_t* name, DWORD value) {
  ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, path_.c_str(), name, REG_DWORD, &value,
                                           sizeof value));
}

void TestRegistryKey::SetText(const wchar_t* name, const std::wstring& value) {
  ASSERT_EQ(ERROR_SUCCESS,
            RegSetKeyValueW(HKEY_CURRENT_USER, path_.c_str(), name, REG_SZ, value.c_str(),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
}

std::wstring TestRegistryKey::Value(const wchar_t* name) const {
  HKEY k = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return L"";
  BYTE data[512] = {};
  DWORD type = 0, size = sizeof data - sizeof(wchar_t);
  const LONG r = RegQueryValueExW(k, name, nullptr, &type, data, &size);
  RegCloseKey(k);
  if (r != ERROR_SUCCESS) return L"";
  if (type == REG_DWORD && size == 4)
    return L"dword:" + std::to_wstring(static_cast<int>(*reinterpret_cast<DWORD*>(data)));
  if (type == REG_SZ) return L"sz:" + std::wstring(reinterpret_cast<wchar_t*>(data));
  return L"type:" + std::to_wstring(type);
}

}  // namespace ruzer::test
