#include "platform/win32/RegistryOptions.h"

#include <cstdint>
#include <cstring>

#include "platform/SysUtils.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32.h"

namespace emberhall {

namespace {

// KEY_READ plus the rights to set values and create subkeys.
constexpr REGSAM kWriteAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;



HKEY RootKey(TStoreRoot Root) { return Root == TStoreRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

}  // namespace

std::string RegistryKeyPath(const std::string& KeyPath) {
  std::string path;
  for (char c : KeyPath) {
    if (c == '/') c = '\\';
    if (c == '\\' && (path.empty() || path.back() == '\\')) continue;
    path += c;
  }
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

std::string RegistryKeyName(TStoreRoot Root, const std::string& KeyPath) {
  const std::string path = RegistryKeyPath(KeyPath);
  const std::string root = Root == TStoreRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
  return path.empty() ? root : root + "\\" + path;
}

TRegistryOptionsKey::TRegistryOptionsKey(TStoreRoot Root, const std::string& KeyPath, bool ReadOnly)
    : FFileName(RegistryKeyName(Root, KeyPath)) {
  std::wstring path;
  if (!StrictWideOf(RegistryKeyPath(KeyPath), path)) throw EOSError("Cannot open " + FFileName + ": the name is not UTF-8 text");
  HKEY key = nullptr;
  if (ReadOnly) {
    const LONG error = RegOpenKeyExW(RootKey(Root), path.c_str(), 0, KEY_READ, &key);
    if (error == ERROR_FILE_NOT_FOUND) return;  // a missing key has no values
    if (error != ERROR_SUCCESS) throw EOSError("Cannot read " + FFileName + ": " + SystemErrorText(error));
    FExists = true;
    try {
      ReadValues(key);
    } catch (...) {
      RegCloseKey(key);
      throw;
    }
    RegCloseKey(key);
    return;
  }
  DWORD disposition = 0;
  const LONG error = RegCreateKeyExW(RootKey(Root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kWriteAccess,
                                     nullptr, &key, &disposition);
  if (error != ERROR_SUCCESS) throw EOSError("Cannot write to " + FFileName + ": " + SystemErrorText(error));
  FKey = key;
  FExists = disposition == REG_OPENED_EXISTING_KEY;
  ReadValues(key);  // the destructor closes the key if this raises
}

TRegistryOptionsKey::~TRegistryOptionsKey() {
  if (FKey) RegCloseKey(static_cast<HKEY>(FKey));
}

void TRegistryOptionsKey::ReadValues(void* Key) {
  const HKEY key = static_cast<HKEY>(Key);
  std::vector<TValue> values;
  // Value names are at most 16 383 characters.
  std::vector<wchar_t> name(16384);
  std::vector<BYTE> data(256);
  for (DWORD index = 0;;) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size());
    LONG error = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
    if (error == ERROR_NO_MORE_ITEMS) break;
    TValue value;
    if (error == ERROR_MORE_DATA && size > MaxValueBytes) {
      // Too large for an option: only its name is kept.
      nameLength = static_cast<DWORD>(name.size());
      error = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, nullptr, nullptr);
      if (error == ERROR_SUCCESS) value.Error = "the value is too large (" + std::to_string(size) + " bytes)";
    } else if (error == ERROR_MORE_DATA) {
      data.resize(size);  // then the same value again, at its size (which may have changed meanwhile)
      continue;
    }
    if (error != ERROR_SUCCESS) throw EOSError("Cannot read " + FFileName + ": " + SystemErrorText(error));
    value.Name.assign(name.data(), nameLength);
    if (!value.Error.empty()) {
    } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
      const auto* text = reinterpret_cast<const wchar_t*>(data.data());
      size_t length = 0;
      while (length < size / sizeof(wchar_t) && text[length] != 0) ++length;
      value.Text = Utf8Of(std::wstring(text, length));
    } else if (type == REG_DWORD && size == 4) {
      int32_t n = 0;
      memcpy(&n, data.data(), 4);
      value.Text = std::to_string(n);
    } else if (type == REG_QWORD && size == 8) {
      int64_t n = 0;
      memcpy(&n, data.data(), 8);
      value.Text = std::to_string(n);
    } else {
      value.Error = "the value is not text (registry type " + std::to_string(type) + ", " + std::to_string(size) +
                    " bytes)";
    }
    values.push_back(std::move(value));
    ++index;
  }
  FValues = std::move(values);
}

const TRegistryOptionsKey::TValue* TRegistryOptionsKey::Find(const std::string& Name) const {
  std::wstring wide;
  if (!StrictWideOf(Name, wide)) return nullptr;  // such a name cannot be stored either
  for (const TValue& value : FValues)
    if (CompareStringOrdinal(value.Name.c_str(), static_cast<int>(value.Name.size()), wide.c_str(),
                             static_cast<int>(wide.size()), TRUE) == CSTR_EQUAL)
      return &value;
  return nullptr;
}

bool TRegistryOptionsKey::ValueExists(const std::string& Name) const { return Find(Name) != nullptr; }

std::string TRegistryOptionsKey::ReadString(const std::string& Name) const {
  const TValue* value = Find(Name);
  if (!value) return "";
  if (!value->Error.empty()) throw EOSError("Cannot read " + Name + " in " + FFileName + ": " + value->Error);
  return value->Text;
}

void TRegistryOptionsKey::WriteString(const std::string& Name, const std::string& Value) {
  if (!FKey) throw EOSError("The options key " + FFileName + " is open for reading only");
  std::wstring name, value;
  if (!StrictWideOf(Name, name) || !StrictWideOf(Value, value) || name.find(L'\0') != std::wstring::npos ||
      value.find(L'\0') != std::wstring::npos)
    throw EOSError("Cannot write " + FFileName + ": the name or value of " + Name +
                   " is not UTF-8 text without zero bytes");
  const HKEY key = static_cast<HKEY>(FKey);
  const LONG error = RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  if (error != ERROR_SUCCESS) throw EOSError("Cannot write " + Name + " to " + FFileName + ": " + SystemErrorText(error));
  FExists = true;
  // What is stored now, other programs' writes included; the value is
  // stored even when that cannot be read back.
  try {
    ReadValues(key);
  } catch (const EOSError&) {
    TValue* stored = const_cast<TValue*>(Find(Name));
    if (!stored) stored = &FValues.emplace_back(TValue{name, "", ""});
    stored->Text = Value;
    stored->Error.clear();
  }
}

}  // namespace emberhall
