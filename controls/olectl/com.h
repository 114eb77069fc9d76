// Small RAII owners for COM and Win32 resources, and the guard that keeps
// exceptions from crossing a COM method.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <cstddef>
#include <new>
#include <utility>

namespace olectl {

// Owns one reference of an interface pointer.
template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  // Takes a new reference of p.
  explicit ComPtr(T* p) noexcept : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& o) noexcept : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ~ComPtr() { Reset(); }
  ComPtr& operator=(ComPtr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }

  // Takes over a reference the caller already holds.
  static ComPtr Adopt(T* p) noexcept {
    ComPtr r;
    r.p_ = p;
    return r;
  }

  void Reset() noexcept {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  T* Get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  // Out parameter for a new reference; drops the current one first.
  T** Put() noexcept {
    Reset();
    return &p_;
  }
  void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
  T* Detach() noexcept { return std::exchange(p_, nullptr); }

  HRESULT CopyTo(T** out) const noexcept {
    if (!out) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }
  template <class U>
  ComPtr<U> As() const noexcept {
    ComPtr<U> r;
    if (p_) p_->QueryInterface(__uuidof(U), r.PutVoid());
    return r;
  }
  template <class U>
  HRESULT As(REFIID iid, ComPtr<U>& out) const noexcept {
    if (!p_) return E_NOINTERFACE;
    return p_->QueryInterface(iid, out.PutVoid());
  }

 private:
  T* p_ = nullptr;
};

// Owns a BSTR.
class Bstr {
 public:
  Bstr() noexcept = default;
  // Copies s (null stays null); throws std::bad_alloc when the copy fails.
  explicit Bstr(const wchar_t* s) : b_(Copy(s, s ? -1 : 0)) {}
  Bstr(const wchar_t* s, UINT n) : b_(Copy(s, static_cast<int>(n))) {}
  Bstr(const Bstr& o) : b_(o.b_ ? Copy(o.b_, static_cast<int>(SysStringLen(o.b_))) : nullptr) {}
  Bstr(Bstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
  ~Bstr() { SysFreeString(b_); }
  Bstr& operator=(Bstr o) noexcept {
    std::swap(b_, o.b_);
    return *this;
  }
  static Bstr Adopt(BSTR b) noexcept {
    Bstr r;
    r.b_ = b;
    return r;
  }
  BSTR Get() const noexcept { return b_; }
  BSTR* Put() noexcept {
    Reset();
    return &b_;
  }
  BSTR Detach() noexcept { return std::exchange(b_, nullptr); }
  void Reset() noexcept { SysFreeString(std::exchange(b_, nullptr)); }
  UINT Length() const noexcept { return SysStringLen(b_); }
  // The text, "" for a null string.
  const wchar_t* c_str() const noexcept { return b_ ? b_ : L""; }

 private:
  static BSTR Copy(const wchar_t* s, int n) {
    if (!s) return nullptr;
    BSTR b = n < 0 ? SysAllocString(s) : SysAllocStringLen(s, static_cast<UINT>(n));
    if (!b) throw std::bad_alloc();
    return b;
  }
  BSTR b_ = nullptr;
};

// Owns a VARIANT.
class Variant {
 public:
  Variant() noexcept { VariantInit(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&v_); }
  VARIANT* Get() noexcept { return &v_; }
  const VARIANT* Get() const noexcept { return &v_; }
  VARIANT* operator->() noexcept { return &v_; }
  const VARIANT* operator->() const noexcept { return &v_; }
  void Clear() noexcept { VariantClear(&v_); }

 private:
  VARIANT v_;
};

// Runs f (returning an HRESULT); an exception becomes E_OUTOFMEMORY or
// E_UNEXPECTED instead of leaving the COM method.
template <class F>
HRESULT Guard(F&& f) noexcept {
  try {
    return f();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// A GDI object (pen, brush, bitmap, region, font) deleted with DeleteObject.
template <class H>
class GdiObject {
 public:
  GdiObject() noexcept = default;
  explicit GdiObject(H h) noexcept : h_(h) {}
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  GdiObject(GdiObject&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  GdiObject& operator=(GdiObject&& o) noexcept {
    if (this != &o) Reset(std::exchange(o.h_, nullptr));
    return *this;
  }
  ~GdiObject() { Reset(); }
  void Reset(H h = nullptr) noexcept {
    if (H old = std::exchange(h_, h)) DeleteObject(old);
  }
  H Get() const noexcept { return h_; }
  H Release() noexcept { return std::exchange(h_, nullptr); }
  explicit operator bool() const noexcept { return h_ != nullptr; }

 private:
  H h_ = nullptr;
};

// Owns a window: destroys it unless the window has gone by itself (Release
// at WM_NCDESTROY).
class UniqueWindow {
 public:
  UniqueWindow() noexcept = default;
  explicit UniqueWindow(HWND h) noexcept : h_(h) {}
  UniqueWindow(const UniqueWindow&) = delete;
  UniqueWindow& operator=(const UniqueWindow&) = delete;
  UniqueWindow(UniqueWindow&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  UniqueWindow& operator=(UniqueWindow&& o) noexcept {
    if (this != &o) Reset(std::exchange(o.h_, nullptr));
    return *this;
  }
  ~UniqueWindow() { Reset(); }
  void Reset(HWND h = nullptr) noexcept {
    if (HWND old = std::exchange(h_, h); old && IsWindow(old)) DestroyWindow(old);
  }
  HWND Get() const noexcept { return h_; }
  HWND Release() noexcept { return std::exchange(h_, nullptr); }
  explicit operator bool() const noexcept { return h_ != nullptr; }

 private:
  HWND h_ = nullptr;
};

}  // namespace olectl
