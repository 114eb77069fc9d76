// RAII owners for Win32 and COM resources, text conversions and checks of caller memory.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace torvik {

// A kernel handle; INVALID_HANDLE_VALUE and null both mean none.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) noexcept : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, nullptr);
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != nullptr; }
    void reset() noexcept {
        if (h_) CloseHandle(h_);
        h_ = nullptr;
    }

private:
    HANDLE h_ = nullptr;
};

// A counted interface pointer.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) noexcept {}
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr& o) noexcept : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }

    // Takes a reference the caller already owns.
    static ComPtr Attach(T* p) noexcept {
        ComPtr c;
        c.p_ = p;
        return c;
    }
    // Adds a reference of its own.
    static ComPtr Retain(T* p) noexcept {
        if (p) p->AddRef();
        return Attach(p);
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    T** put() noexcept {
        reset();
        return &p_;
    }
    void reset() noexcept {
        if (p_) std::exchange(p_, nullptr)->Release();
    }

    template <class U>
    ComPtr<U> As(REFIID iid) const noexcept {
        ComPtr<U> out;
        if (p_) {
            void* v = nullptr;
            if (SUCCEEDED(p_->QueryInterface(iid, &v))) out = ComPtr<U>::Attach(static_cast<U*>(v));
        }
        return out;
    }

private:
    T* p_ = nullptr;
};

// An owned BSTR.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::wstring_view s)
        : b_(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
    ~Bstr() { SysFreeString(b_); }
    Bstr(Bstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
    Bstr& operator=(Bstr&& o) noexcept {
        if (this != &o) {
            SysFreeString(b_);
            b_ = std::exchange(o.b_, nullptr);
        }
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR get() const noexcept { return b_; }
    BSTR release() noexcept { return std::exchange(b_, nullptr); }

private:
    BSTR b_ = nullptr;
};

// An owned VARIANT.
class Variant {
public:
    Variant() noexcept { VariantInit(&v_); }
    ~Variant() { VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT* get() noexcept { return &v_; }
    const VARIANT* get() const noexcept { return &v_; }
    VARIANT* put() noexcept {
        VariantClear(&v_);
        return &v_;
    }

    static void SetBool(VARIANT& v, bool b) noexcept {
        VariantInit(&v);
        v.vt = VT_BOOL;
        v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
    }
    static void SetI4(VARIANT& v, std::int32_t n) noexcept {
        VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = n;
    }
    static void SetMissing(VARIANT& v) noexcept {
        VariantInit(&v);
        v.vt = VT_ERROR;
        v.scode = DISP_E_PARAMNOTFOUND;
    }

private:
    VARIANT v_;
};

std::wstring AnsiToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

// What a caller handed over: memory checks against the address space's current state, so that
// a bad pointer yields a result code instead of an access violation.
bool IsReadable(const void* address, std::size_t size) noexcept;
bool IsWritable(const void* address, std::size_t size) noexcept;
bool IsExecutable(const void* address) noexcept;
// A NUL-terminated string of at most maxLength characters (longer ones are cut); null reads as
// empty. False when the memory can't be read.
bool ReadAnsi(const char* text, std::size_t maxLength, std::string& out);
// An object whose first `methods` vtable slots point to code.
bool LooksLikeInterface(const void* object, int methods) noexcept;
// A string returned by a caller's routine: its text, freed; an unreadable one reads as empty
// and is left alone.
std::wstring TakeBstr(BSTR text) noexcept;

// The module's full path, or empty when the handle is not a loaded module's.
std::wstring ModulePath(HMODULE module);

std::wstring GetEnv(const wchar_t* name);

}  // namespace torvik
