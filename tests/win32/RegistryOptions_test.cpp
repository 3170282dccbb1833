#include "platform/win32/RegistryOptions.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/SysUtils.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32.h"

using namespace emberhall;

namespace {

// A key of its own under HKEY_CURRENT_USER\Software\Emberhall tests, removed
// with everything below it at the end.
class TScratchKey {
 public:
  TScratchKey()
      : FPath("Software\\Emberhall tests\\run " + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(GetTickCount64())) {}
  ~TScratchKey() {
    RegDeleteTreeW(HKEY_CURRENT_USER, WideOf(FPath).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Emberhall tests");  // only when nothing else is left in it
  }
  const std::string& Path() const { return FPath; }
  bool Exists(const std::string& Sub = "") const {
    HKEY key = nullptr;
    const std::string path = Sub.empty() ? FPath : FPath + "\\" + Sub;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, WideOf(path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }
  // Stores raw registry data, as other programs (or hand edits) may leave it.
  void SetRaw(const char* Name, DWORD Type, const void* Data, size_t Size) const {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, WideOf(FPath).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, WideOf(Name).c_str(), 0, Type, static_cast<const BYTE*>(Data), static_cast<DWORD>(Size)),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  // The stored type and UTF-16 text of a value.
  std::wstring QueryRaw(const char* Name, DWORD& Type) const {
    std::vector<BYTE> data(65536);
    DWORD size = static_cast<DWORD>(data.size());
    Type = REG_NONE;
    if (RegGetValueW(HKEY_CURRENT_USER, WideOf(FPath).c_str(), WideOf(Name).c_str(), RRF_RT_ANY | RRF_NOEXPAND, &Type,
                     data.data(), &size) != ERROR_SUCCESS)
      return L"(missing)";
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
  }

 private:
  std::string FPath;
};

}  // namespace

TEST(RegistryOptions, KeyPathsAndTheirNames) {
  struct Case { const char* path; const char* name; };
  const Case cases[] = {
      {"Software\\Korvell Software\\Emberhall 1", "HKEY_CURRENT_USER\\Software\\Korvell Software\\Emberhall 1"},
      {"Software/Korvell Software/Emberhall 1", "HKEY_CURRENT_USER\\Software\\Korvell Software\\Emberhall 1"},
      {"\\Software\\\\Emberhall 1\\", "HKEY_CURRENT_USER\\Software\\Emberhall 1"},
      {"", "HKEY_CURRENT_USER"},
  };
  for (const Case& c : cases) EXPECT_EQ(RegistryKeyName(TStoreRoot::CurrentUser, c.path), c.name) << c.path;
  EXPECT_EQ(RegistryKeyName(TStoreRoot::LocalMachine, "Control Panel\\desktop"),
            "HKEY_LOCAL_MACHINE\\Control Panel\\desktop");
}

TEST(RegistryOptions, TextRoundTripsAsUtf16StringValues) {
  TScratchKey scratch;
  const std::vector<std::pair<std::string, std::string>> values = {
      {"FlameWidth", "200"},
      {"Empty", ""},
      {"Spaces", "  two  "},
      {"Lines", "a\nb\r\nc"},
      {"Back\\slash", "C:\\Games\\"},
      {"a=b", "x=y"},
      {"Grüße", "Kaminfeuer \xE2\x80\x93 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9D\x84\x9E"},  // en dash, CJK, U+1D11E
      {"Long", std::string(100000, 'x')},
  };
  {
    TRegistryOptionsKey writer(TStoreRoot::CurrentUser, scratch.Path(), false);
    for (const auto& [name, value] : values) writer.WriteString(name, value);
  }
  TRegistryOptionsKey reader(TStoreRoot::CurrentUser, scratch.Path(), true);
  EXPECT_TRUE(reader.Exists());
  for (const auto& [name, value] : values) {
    EXPECT_TRUE(reader.ValueExists(name)) << name;
    EXPECT_EQ(reader.ReadString(name), value) << name;
  }
  // What other programs see: REG_SZ holding the UTF-16 text.
  DWORD type = 0;
  EXPECT_EQ(scratch.QueryRaw("Grüße", type), L"Kaminfeuer \u2013 \u65E5\u672C \U0001D11E");
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  // Value names compare without regard to case, as the registry does.
  EXPECT_EQ(reader.ReadString("FLAMEWIDTH"), "200");
}

TEST(RegistryOptions, MissingKeysAndValues) {
  TScratchKey scratch;
  const std::string missing = scratch.Path() + "\\Nobody 1";
  {
    TRegistryOptionsKey key(TStoreRoot::CurrentUser, missing, true);
    EXPECT_FALSE(key.Exists());
    EXPECT_FALSE(key.ValueExists("x"));
    EXPECT_EQ(key.ReadString("x"), "");
    EXPECT_THROW(key.WriteString("x", "1"), EOSError);
  }
  EXPECT_FALSE(scratch.Exists("Nobody 1"));  // reading never creates the key

  TRegistryOptionsKey created(TStoreRoot::CurrentUser, missing, false);
  EXPECT_TRUE(scratch.Exists("Nobody 1"));
  EXPECT_FALSE(created.Exists());  // no values yet
  created.WriteString("x", "1");
  EXPECT_TRUE(created.Exists());
  EXPECT_FALSE(created.ValueExists("y"));
  EXPECT_EQ(created.ReadString("y"), "");
  EXPECT_TRUE(TRegistryOptionsKey(TStoreRoot::CurrentUser, missing, false).Exists());
}

TEST(RegistryOptions, ReadsSeeTheKeyAsOpenedAndWritesMerge) {
  TScratchKey scratch;
  TRegistryOptionsKey a(TStoreRoot::CurrentUser, scratch.Path(), false);
  TRegistryOptionsKey b(TStoreRoot::CurrentUser, scratch.Path(), false);
  TRegistryOptionsKey early(TStoreRoot::CurrentUser, scratch.Path(), true);
  a.WriteString("One", "1");
  b.WriteString("Two", "2");  // b opened before One existed: it sees it after its own write
  EXPECT_EQ(b.ReadString("One"), "1");
  EXPECT_FALSE(early.ValueExists("One"));
  TRegistryOptionsKey late(TStoreRoot::CurrentUser, scratch.Path(), true);
  EXPECT_EQ(late.ReadString("One"), "1");
  EXPECT_EQ(late.ReadString("Two"), "2");
}

// Values that other programs or hand edits left: numbers read as their
// decimal text, other types and oversized values are clear errors.
TEST(RegistryOptions, ValuesOfOtherTypes) {
  TScratchKey scratch;
  const DWORD one = 1, all = 0xFFFFFFFFu;
  const int64_t big = -5000000000LL;
  const wchar_t expand[] = L"%TEMP%\\x";
  const wchar_t embedded[] = L"ab\0cd";
  const wchar_t unterminated[] = {L'o', L'k'};
  const char odd[] = "h\0i\0!";  // five bytes: the odd one is dropped
  const BYTE binary[] = {1, 2, 3};
  scratch.SetRaw("Dword", REG_DWORD, &one, sizeof one);
  scratch.SetRaw("Negative", REG_DWORD, &all, sizeof all);
  scratch.SetRaw("Qword", REG_QWORD, &big, sizeof big);
  scratch.SetRaw("Expand", REG_EXPAND_SZ, expand, sizeof expand);
  scratch.SetRaw("Embedded", REG_SZ, embedded, sizeof embedded);
  scratch.SetRaw("Unterminated", REG_SZ, unterminated, sizeof unterminated);
  scratch.SetRaw("Odd", REG_SZ, odd, 5);
  scratch.SetRaw("Binary", REG_BINARY, binary, sizeof binary);
  scratch.SetRaw("ShortDword", REG_DWORD, binary, 2);
  const std::vector<BYTE> huge(TRegistryOptionsKey::MaxValueBytes + 1, 'x');
  scratch.SetRaw("Huge", REG_SZ, huge.data(), huge.size());

  TRegistryOptionsKey key(TStoreRoot::CurrentUser, scratch.Path(), true);
  struct Case { const char* name; const char* text; };
  const Case readable[] = {{"Dword", "1"},       {"Negative", "-1"},        {"Qword", "-5000000000"},
                           {"Expand", "%TEMP%\\x"}, {"Embedded", "ab"},     {"Unterminated", "ok"},
                           {"Odd", "hi"}};
  for (const Case& c : readable) EXPECT_EQ(key.ReadString(c.name), c.text) << c.name;
  for (const char* name : {"Binary", "ShortDword", "Huge"}) {
    EXPECT_TRUE(key.ValueExists(name)) << name;
    EXPECT_THROW(key.ReadString(name), EOSError) << name;
  }
  EXPECT_EQ(StrToInt(key.ReadString("Dword")), 1);  // as the password setting is read
}

TEST(RegistryOptions, WritesThatCannotBeStoredAreErrors) {
  TScratchKey scratch;
  TRegistryOptionsKey key(TStoreRoot::CurrentUser, scratch.Path(), false);
  EXPECT_THROW(key.WriteString("Bad", "\xff\xfe"), EOSError);
  EXPECT_THROW(key.WriteString("\xc3", "1"), EOSError);
  EXPECT_THROW(key.WriteString("Zero", std::string("a\0b", 3)), EOSError);
  EXPECT_FALSE(TRegistryOptionsKey(TStoreRoot::CurrentUser, scratch.Path(), true).ValueExists("Zero"));

  // A key the registry refuses to create (a lasting key below a volatile
  // one) fails as a key without write rights does.
  HKEY volatileKey = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, WideOf(scratch.Path() + "\\Volatile").c_str(), 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(volatileKey);
  try {
    TRegistryOptionsKey refused(TStoreRoot::CurrentUser, scratch.Path() + "\\Volatile\\Lasting", false);
    ADD_FAILURE() << "created below a volatile key";
  } catch (const EOSError& e) {
    EXPECT_NE(std::string(e.what()).find("HKEY_CURRENT_USER\\Software\\Emberhall tests"), std::string::npos) << e.what();
  }
}
