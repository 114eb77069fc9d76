// Owners of COM resources: interface pointers, BSTR, VARIANT, SAFEARRAY.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

#include <cstddef>
#include <string_view>
#include <utility>

namespace brisko::win {

// An owned interface pointer: one reference, released on destruction.
template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a new reference to p.
    explicit ComPtr(T* p) noexcept : p_(p) {
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other) noexcept {
        ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr(std::move(other)).Swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) noexcept {
        Reset();
        return *this;
    }

    // Adopts a reference the caller already owns.
    static ComPtr Attach(T* p) noexcept {
        ComPtr c;
        c.p_ = p;
        return c;
    }
    // Hands the reference to the caller.
    [[nodiscard]] T* Detach() noexcept { return std::exchange(p_, nullptr); }

    void Reset() noexcept {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    void Swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // For an out parameter: releases what is held, then receives a new reference.
    T** Put() noexcept {
        Reset();
        return &p_;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

    // QueryInterface; empty on failure.
    template <class U>
    ComPtr<U> As(const IID& iid) const noexcept {
        ComPtr<U> out;
        if (p_) p_->QueryInterface(iid, out.PutVoid());
        return out;
    }

private:
    T* p_ = nullptr;
};

// An owned BSTR.
class Bstr {
public:
    Bstr() noexcept = default;
    // Copies the text, embedded nulls included. Throws std::bad_alloc when allocation fails.
    explicit Bstr(std::wstring_view text);
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : s_(std::exchange(other.s_, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        if (this != &other) {
            Reset();
            s_ = std::exchange(other.s_, nullptr);
        }
        return *this;
    }
    ~Bstr() { Reset(); }

    static Bstr Attach(BSTR s) noexcept {
        Bstr b;
        b.s_ = s;
        return b;
    }
    [[nodiscard]] BSTR Detach() noexcept { return std::exchange(s_, nullptr); }
    void Reset() noexcept {
        if (BSTR s = std::exchange(s_, nullptr)) SysFreeString(s);
    }
    BSTR Get() const noexcept { return s_; }
    BSTR* Put() noexcept {
        Reset();
        return &s_;
    }
    // The text; a NULL BSTR is "".
    std::wstring_view View() const noexcept;

private:
    BSTR s_ = nullptr;
};

// The text of a BSTR that is not owned; a NULL BSTR is "".
std::wstring_view BstrView(BSTR s) noexcept;

// An owned VARIANT, cleared on destruction.
class Variant {
public:
    Variant() noexcept { VariantInit(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant(Variant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }
    Variant& operator=(Variant&& other) noexcept {
        if (this != &other) {
            Clear();
            v_ = other.v_;
            VariantInit(&other.v_);
        }
        return *this;
    }
    ~Variant() { Clear(); }

    void Clear() noexcept {
        VariantClear(&v_);
        VariantInit(&v_);
    }
    // Hands the contents to the caller (into an uninitialised or empty VARIANT).
    void DetachTo(VARIANT* out) noexcept {
        *out = v_;
        VariantInit(&v_);
    }
    VARIANT& Get() noexcept { return v_; }
    const VARIANT& Get() const noexcept { return v_; }
    VARIANT* Ptr() noexcept { return &v_; }

private:
    VARIANT v_;
};

// An owned SAFEARRAY, destroyed on destruction.
class SafeArray {
public:
    SafeArray() noexcept = default;
    SafeArray(const SafeArray&) = delete;
    SafeArray& operator=(const SafeArray&) = delete;
    SafeArray(SafeArray&& other) noexcept : a_(std::exchange(other.a_, nullptr)) {}
    SafeArray& operator=(SafeArray&& other) noexcept {
        if (this != &other) {
            Reset();
            a_ = std::exchange(other.a_, nullptr);
        }
        return *this;
    }
    ~SafeArray() { Reset(); }

    static SafeArray Attach(SAFEARRAY* a) noexcept {
        SafeArray s;
        s.a_ = a;
        return s;
    }
    [[nodiscard]] SAFEARRAY* Detach() noexcept { return std::exchange(a_, nullptr); }
    void Reset() noexcept {
        if (SAFEARRAY* a = std::exchange(a_, nullptr)) SafeArrayDestroy(a);
    }
    SAFEARRAY* Get() const noexcept { return a_; }

private:
    SAFEARRAY* a_ = nullptr;
};

// Access to a SAFEARRAY's data for the life of the guard.
class SafeArrayData {
public:
    // Throws RuntimeError 13 when the array cannot be locked.
    explicit SafeArrayData(SAFEARRAY* a);
    SafeArrayData(const SafeArrayData&) = delete;
    SafeArrayData& operator=(const SafeArrayData&) = delete;
    ~SafeArrayData() { SafeArrayUnaccessData(a_); }
    void* Data() const noexcept { return data_; }

private:
    SAFEARRAY* a_;
    void* data_ = nullptr;
};

// An EXCEPINFO whose strings are freed on destruction.
struct ExcepInfo : EXCEPINFO {
    ExcepInfo() noexcept : EXCEPINFO{} {}
    ExcepInfo(const ExcepInfo&) = delete;
    ExcepInfo& operator=(const ExcepInfo&) = delete;
    ~ExcepInfo() {
        SysFreeString(bstrSource);
        SysFreeString(bstrDescription);
        SysFreeString(bstrHelpFile);
    }
};

}  // namespace brisko::win
