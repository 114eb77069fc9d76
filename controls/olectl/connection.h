// The connection point of a control's events dispinterface and the
// enumerators that IConnectionPointContainer and IConnectionPoint hand out.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <vector>

#include "com.h"
#include "module.h"

namespace olectl {

class ControlBase;

// Lives inside its control: its references are the control's.
class EventsConnectionPoint final : public IConnectionPoint {
 public:
  EventsConnectionPoint(ControlBase& owner, const IID& events) noexcept : owner_(owner), events_(events) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP GetConnectionInterface(IID* iid) override;
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

  // Calls the method dispid (no arguments) on every sink connected now;
  // sinks may connect or disconnect meanwhile.
  void Fire(DISPID dispid) noexcept;
  void DisconnectAll() noexcept;
  size_t Count() const noexcept { return sinks_.size(); }

 private:
  struct Sink {
    DWORD cookie;
    ComPtr<IDispatch> dispatch;
  };
  ControlBase& owner_;
  const IID& events_;
  std::vector<Sink> sinks_;
  DWORD next_cookie_ = 1;
};

// A snapshot enumerator over interface pointers (IEnumConnectionPoints) or
// CONNECTDATA (IEnumConnections). It keeps its source object alive.
template <class Enum, class Item>
class Enumerator final : public Enum, private ModuleObject {
 public:
  Enumerator(IUnknown* source, std::vector<Item> items) : source_(source), items_(std::move(items)) {
    for (Item& item : items_) AddRefItem(item);
  }
  ~Enumerator() {
    for (Item& item : items_) ReleaseItem(item);
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == __uuidof(Enum)) {
      *out = static_cast<Enum*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }

  STDMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    while (n < count && pos_ < items_.size()) {
      out[n] = items_[pos_++];
      AddRefItem(out[n]);
      ++n;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    size_t left = items_.size() - pos_;
    if (count > left) {
      pos_ = items_.size();
      return S_FALSE;
    }
    pos_ += count;
    return S_OK;
  }
  STDMETHODIMP Reset() override {
    pos_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(Enum** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Guard([&]() -> HRESULT {
      auto* copy = new Enumerator(source_.Get(), items_);
      copy->pos_ = pos_;
      copy->AddRef();
      *out = copy;
      return S_OK;
    });
  }

 private:
  static void AddRefItem(IConnectionPoint* p) { p->AddRef(); }
  static void ReleaseItem(IConnectionPoint* p) { p->Release(); }
  static void AddRefItem(CONNECTDATA& d) { d.pUnk->AddRef(); }
  static void ReleaseItem(CONNECTDATA& d) { d.pUnk->Release(); }

  LONG refs_ = 0;
  ComPtr<IUnknown> source_;
  std::vector<Item> items_;
  size_t pos_ = 0;
};

}  // namespace olectl
