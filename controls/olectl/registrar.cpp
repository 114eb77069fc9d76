#include "registrar.h"

#include <cwctype>
#include <memory>
#include <optional>
#include <vector>

#include "com.h"

namespace olectl {
namespace {

// A syntax error in a script, as the registrar reports it.
constexpr HRESULT kSyntaxError = DISP_E_EXCEPTION;

struct Value {
  enum class Type { String, Dword } type = Type::String;
  std::wstring text;
  DWORD number = 0;
};

struct NamedValue {
  std::wstring name;
  Value value;
};

struct Key {
  std::wstring name;
  bool no_remove = false;
  bool force_remove = false;
  bool delete_only = false;
  std::optional<Value> default_value;
  std::vector<NamedValue> values;
  std::vector<Key> subkeys;
};

struct Root {
  HKEY key = nullptr;
  std::vector<Key> subkeys;
  std::vector<NamedValue> values;
};

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  return true;
}

class Parser {
 public:
  Parser(std::wstring_view text, const std::map<std::wstring, std::wstring>& replacements,
         const std::map<std::wstring, HKEY>& roots)
      : text_(text), replacements_(replacements), roots_(roots) {}

  HRESULT Parse(std::vector<Root>& out) {
    for (;;) {
      Token t;
      HRESULT hr = Next(t);
      if (FAILED(hr)) return hr;
      if (t.kind == Token::Kind::End) return S_OK;
      if (t.kind != Token::Kind::Word) return kSyntaxError;
      Root root;
      if (!FindRoot(t.text, root.key)) return kSyntaxError;
      hr = Expect(L'{');
      if (FAILED(hr)) return hr;
      hr = ParseBody(root.subkeys, root.values);
      if (FAILED(hr)) return hr;
      out.push_back(std::move(root));
    }
  }

 private:
  struct Token {
    enum class Kind { End, Word, Quoted, Open, Close, Equals } kind = Kind::End;
    std::wstring text;
  };

  bool FindRoot(const std::wstring& name, HKEY& key) const {
    for (const auto& [root_name, root_key] : roots_) {
      if (EqualsNoCase(root_name, name)) {
        key = root_key;
        return true;
      }
    }
    return false;
  }

  // Replaces %NAME% (and %% by %) in a token's text.
  HRESULT Substitute(std::wstring& s) const {
    if (s.find(L'%') == std::wstring::npos) return S_OK;
    std::wstring out;
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] != L'%') {
        out += s[i];
        continue;
      }
      size_t end = s.find(L'%', i + 1);
      if (end == std::wstring::npos) return kSyntaxError;
      std::wstring name = s.substr(i + 1, end - i - 1);
      if (name.empty()) {
        out += L'%';
      } else {
        auto it = replacements_.end();
        for (auto r = replacements_.begin(); r != replacements_.end(); ++r)
          if (EqualsNoCase(r->first, name)) it = r;
        if (it == replacements_.end()) return kSyntaxError;
        out += it->second;
      }
      i = end;
    }
    s = std::move(out);
    return S_OK;
  }

  HRESULT Next(Token& t) {
    if (peeked_) {
      t = std::move(*peeked_);
      peeked_.reset();
      return S_OK;
    }
    while (pos_ < text_.size() && std::iswspace(text_[pos_])) ++pos_;
    t = Token{};
    if (pos_ >= text_.size()) return S_OK;
    wchar_t c = text_[pos_];
    if (c == L'\'') {
      ++pos_;
      for (;;) {
        if (pos_ >= text_.size()) return kSyntaxError;  // unterminated
        wchar_t q = text_[pos_++];
        if (q == L'\'') {
          if (pos_ < text_.size() && text_[pos_] == L'\'') {
            t.text += L'\'';
            ++pos_;
            continue;
          }
          break;
        }
        t.text += q;
      }
      t.kind = Token::Kind::Quoted;
      return Substitute(t.text);
    }
    // Words end at white space, so "{guid}" is one word and "{" alone a brace.
    while (pos_ < text_.size() && !std::iswspace(text_[pos_])) t.text += text_[pos_++];
    if (t.text == L"{") t.kind = Token::Kind::Open;
    else if (t.text == L"}") t.kind = Token::Kind::Close;
    else if (t.text == L"=") t.kind = Token::Kind::Equals;
    else t.kind = Token::Kind::Word;
    return t.kind == Token::Kind::Word ? Substitute(t.text) : S_OK;
  }

  HRESULT Peek(const Token*& t) {
    if (!peeked_) {
      Token next;
      HRESULT hr = Next(next);
      if (FAILED(hr)) return hr;
      peeked_ = std::move(next);
    }
    t = &*peeked_;
    return S_OK;
  }

  HRESULT Expect(wchar_t c) {
    Token t;
    HRESULT hr = Next(t);
    if (FAILED(hr)) return hr;
    Token::Kind want = c == L'{' ? Token::Kind::Open : c == L'}' ? Token::Kind::Close : Token::Kind::Equals;
    return t.kind == want ? S_OK : kSyntaxError;
  }

  static bool IsName(const Token& t) {
    return t.kind == Token::Kind::Word || t.kind == Token::Kind::Quoted;
  }

  // "s 'text'" or "d 'number'" after an equals sign.
  HRESULT ParseValue(Value& v) {
    Token type, data;
    HRESULT hr = Next(type);
    if (FAILED(hr)) return hr;
    hr = Next(data);
    if (FAILED(hr)) return hr;
    if (type.kind != Token::Kind::Word || !IsName(data)) return kSyntaxError;
    if (EqualsNoCase(type.text, L"s")) {
      v.type = Value::Type::String;
      v.text = data.text;
      return S_OK;
    }
    if (EqualsNoCase(type.text, L"d")) {
      const std::wstring& s = data.text;
      if (s.empty() || s.size() > 10) return kSyntaxError;
      int base = 10;
      size_t start = 0;
      if (s.size() > 2 && s[0] == L'0' && (s[1] == L'x' || s[1] == L'X')) {
        base = 16;
        start = 2;
      }
      unsigned long long n = 0;
      for (size_t i = start; i < s.size(); ++i) {
        wchar_t ch = s[i];
        unsigned digit;
        if (ch >= L'0' && ch <= L'9') digit = static_cast<unsigned>(ch - L'0');
        else if (base == 16 && ch >= L'a' && ch <= L'f') digit = static_cast<unsigned>(ch - L'a' + 10);
        else if (base == 16 && ch >= L'A' && ch <= L'F') digit = static_cast<unsigned>(ch - L'A' + 10);
        else return kSyntaxError;
        n = n * static_cast<unsigned>(base) + digit;
        if (n > 0xFFFFFFFFull) return kSyntaxError;
      }
      v.type = Value::Type::Dword;
      v.number = static_cast<DWORD>(n);
      return S_OK;
    }
    return kSyntaxError;
  }

  // Entries up to the closing brace.
  HRESULT ParseBody(std::vector<Key>& keys, std::vector<NamedValue>& values) {
    for (;;) {
      Token t;
      HRESULT hr = Next(t);
      if (FAILED(hr)) return hr;
      if (t.kind == Token::Kind::Close) return S_OK;
      if (!IsName(t)) return kSyntaxError;
      if (t.kind == Token::Kind::Word && EqualsNoCase(t.text, L"val")) {
        NamedValue nv;
        Token name;
        hr = Next(name);
        if (FAILED(hr)) return hr;
        if (!IsName(name)) return kSyntaxError;
        nv.name = name.text;
        hr = Expect(L'=');
        if (FAILED(hr)) return hr;
        hr = ParseValue(nv.value);
        if (FAILED(hr)) return hr;
        values.push_back(std::move(nv));
        continue;
      }
      Key key;
      while (t.kind == Token::Kind::Word) {
        if (EqualsNoCase(t.text, L"NoRemove")) key.no_remove = true;
        else if (EqualsNoCase(t.text, L"ForceRemove")) key.force_remove = true;
        else if (EqualsNoCase(t.text, L"Delete")) key.delete_only = true;
        else break;
        hr = Next(t);
        if (FAILED(hr)) return hr;
      }
      if (!IsName(t) || t.text.empty() || t.text.find(L'\\') != std::wstring::npos)
        return kSyntaxError;
      key.name = t.text;
      const Token* p = nullptr;
      hr = Peek(p);
      if (FAILED(hr)) return hr;
      if (p->kind == Token::Kind::Equals) {
        Next(t);
        Value v;
        hr = ParseValue(v);
        if (FAILED(hr)) return hr;
        key.default_value = std::move(v);
        hr = Peek(p);
        if (FAILED(hr)) return hr;
      }
      if (p->kind == Token::Kind::Open) {
        Next(t);
        if (++depth_ > kMaxDepth) return kSyntaxError;
        hr = ParseBody(key.subkeys, key.values);
        --depth_;
        if (FAILED(hr)) return hr;
      }
      keys.push_back(std::move(key));
    }
  }

  static constexpr int kMaxDepth = 32;
  std::wstring_view text_;
  size_t pos_ = 0;
  int depth_ = 0;
  std::optional<Token> peeked_;
  const std::map<std::wstring, std::wstring>& replacements_;
  const std::map<std::wstring, HKEY>& roots_;
};

// Closes a registry key it owns.
class RegKey {
 public:
  RegKey() = default;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  ~RegKey() {
    if (h_) RegCloseKey(h_);
  }
  HKEY Get() const { return h_; }
  HKEY* Put() {
    if (h_) RegCloseKey(h_);
    h_ = nullptr;
    return &h_;
  }

 private:
  HKEY h_ = nullptr;
};

HRESULT FromWin32(LONG error) { return HRESULT_FROM_WIN32(static_cast<unsigned long>(error)); }

HRESULT SetValue(HKEY key, const wchar_t* name, const Value& v) {
  LONG rc;
  if (v.type == Value::Type::String) {
    rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.text.c_str()),
                        static_cast<DWORD>((v.text.size() + 1) * sizeof(wchar_t)));
  } else {
    rc = RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v.number), sizeof(DWORD));
  }
  return FromWin32(rc);
}

HRESULT DeleteTree(HKEY parent, const std::wstring& name) {
  LONG rc = RegDeleteTreeW(parent, name.c_str());
  if (rc == ERROR_SUCCESS) rc = RegDeleteKeyW(parent, name.c_str());
  if (rc == ERROR_FILE_NOT_FOUND) return S_OK;
  return FromWin32(rc);
}

HRESULT RegisterKeys(HKEY parent, const std::vector<Key>& keys, const std::vector<NamedValue>& values) {
  for (const NamedValue& nv : values) {
    HRESULT hr = SetValue(parent, nv.name.c_str(), nv.value);
    if (FAILED(hr)) return hr;
  }
  for (const Key& k : keys) {
    if (k.force_remove || k.delete_only) {
      HRESULT hr = DeleteTree(parent, k.name);
      if (FAILED(hr)) return hr;
      if (k.delete_only) continue;
    }
    RegKey key;
    LONG rc = RegCreateKeyExW(parent, k.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_READ | KEY_WRITE, nullptr, key.Put(), nullptr);
    if (rc != ERROR_SUCCESS) return FromWin32(rc);
    if (k.default_value) {
      HRESULT hr = SetValue(key.Get(), nullptr, *k.default_value);
      if (FAILED(hr)) return hr;
    }
    HRESULT hr = RegisterKeys(key.Get(), k.subkeys, k.values);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

// Best effort: goes on after a failure and returns the first one.
HRESULT UnregisterKeys(HKEY parent, const std::vector<Key>& keys, const std::vector<NamedValue>& values) {
  HRESULT first = S_OK;
  auto note = [&first](HRESULT hr) {
    if (FAILED(hr) && SUCCEEDED(first)) first = hr;
  };
  for (const NamedValue& nv : values) {
    LONG rc = RegDeleteValueW(parent, nv.name.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) note(FromWin32(rc));
  }
  for (const Key& k : keys) {
    if (k.delete_only) continue;
    if (k.force_remove) {
      note(DeleteTree(parent, k.name));
      continue;
    }
    DWORD subkeys = 0;
    {
      RegKey key;
      LONG rc = RegOpenKeyExW(parent, k.name.c_str(), 0, KEY_READ | KEY_WRITE, key.Put());
      if (rc == ERROR_FILE_NOT_FOUND) continue;
      if (rc != ERROR_SUCCESS) {
        note(FromWin32(rc));
        continue;
      }
      note(UnregisterKeys(key.Get(), k.subkeys, k.values));
      rc = RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr);
      if (rc != ERROR_SUCCESS) {
        note(FromWin32(rc));
        continue;
      }
    }
    // A key that still holds subkeys the script did not create stays.
    if (!k.no_remove && subkeys == 0) {
      LONG rc = RegDeleteKeyW(parent, k.name.c_str());
      if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) note(FromWin32(rc));
    }
  }
  return first;
}

}  // namespace

Registrar::Registrar() {
  roots_ = {
      {L"HKCR", HKEY_CLASSES_ROOT},          {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
      {L"HKCU", HKEY_CURRENT_USER},          {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
      {L"HKLM", HKEY_LOCAL_MACHINE},         {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
      {L"HKU", HKEY_USERS},                  {L"HKEY_USERS", HKEY_USERS},
      {L"HKCC", HKEY_CURRENT_CONFIG},        {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
  };
}

void Registrar::AddReplacement(std::wstring name, std::wstring value) {
  replacements_[std::move(name)] = std::move(value);
}

void Registrar::MapRoot(std::wstring name, HKEY key) { roots_[std::move(name)] = key; }

HRESULT Registrar::Register(std::wstring_view script) const { return Run(script, true); }
HRESULT Registrar::Unregister(std::wstring_view script) const { return Run(script, false); }

HRESULT Registrar::Run(std::wstring_view script, bool do_register) const {
  return Guard([&]() -> HRESULT {
    std::vector<Root> roots;
    Parser parser(script, replacements_, roots_);
    HRESULT hr = parser.Parse(roots);
    if (FAILED(hr)) return hr;
    HRESULT first = S_OK;
    for (const Root& root : roots) {
      hr = do_register ? RegisterKeys(root.key, root.subkeys, root.values)
                       : UnregisterKeys(root.key, root.subkeys, root.values);
      if (FAILED(hr)) {
        if (do_register) return hr;
        if (SUCCEEDED(first)) first = hr;
      }
    }
    return first;
  });
}

HRESULT Registrar::RunResource(HMODULE module, UINT id, bool do_register) const {
  return Guard([&]() -> HRESULT {
    HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(id), L"REGISTRY");
    if (!res) return HRESULT_FROM_WIN32(GetLastError());
    HGLOBAL data = LoadResource(module, res);
    DWORD size = SizeofResource(module, res);
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) return HRESULT_FROM_WIN32(GetLastError());
    std::wstring text;
    const auto* b = static_cast<const unsigned char*>(bytes);
    if (size >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
      text.assign(reinterpret_cast<const wchar_t*>(b + 2), (size - 2) / sizeof(wchar_t));
    } else if (size > 0) {
      int n = MultiByteToWideChar(CP_ACP, 0, static_cast<const char*>(bytes), static_cast<int>(size), nullptr, 0);
      if (n <= 0) return HRESULT_FROM_WIN32(GetLastError());
      text.resize(static_cast<size_t>(n));
      MultiByteToWideChar(CP_ACP, 0, static_cast<const char*>(bytes), static_cast<int>(size), text.data(), n);
    }
    return Run(text, do_register);
  });
}

}  // namespace olectl
