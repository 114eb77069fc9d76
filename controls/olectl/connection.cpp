#include "connection.h"

#include "control.h"

namespace olectl {

STDMETHODIMP EventsConnectionPoint::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) EventsConnectionPoint::AddRef() { return owner_.AddRef(); }
STDMETHODIMP_(ULONG) EventsConnectionPoint::Release() { return owner_.Release(); }

STDMETHODIMP EventsConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = events_;
  return S_OK;
}

STDMETHODIMP EventsConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (!container) return E_POINTER;
  return owner_.QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container));
}

STDMETHODIMP EventsConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  return Guard([&]() -> HRESULT {
    ComPtr<IDispatch> dispatch;
    if (FAILED(sink->QueryInterface(events_, dispatch.PutVoid())) || !dispatch) return CONNECT_E_CANNOTCONNECT;
    if (next_cookie_ == 0) ++next_cookie_;  // 0 is never a valid cookie
    sinks_.push_back(Sink{next_cookie_, std::move(dispatch)});
    *cookie = next_cookie_++;
    return S_OK;
  });
}

STDMETHODIMP EventsConnectionPoint::Unadvise(DWORD cookie) {
  for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
    if (it->cookie == cookie) {
      ComPtr<IDispatch> gone = std::move(it->dispatch);
      sinks_.erase(it);
      return S_OK;  // the sink is released after the list is consistent
    }
  }
  return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP EventsConnectionPoint::EnumConnections(IEnumConnections** connections) {
  if (!connections) return E_POINTER;
  *connections = nullptr;
  return Guard([&]() -> HRESULT {
    std::vector<CONNECTDATA> items;
    items.reserve(sinks_.size());
    for (const Sink& s : sinks_) items.push_back(CONNECTDATA{s.dispatch.Get(), s.cookie});
    auto* e = new Enumerator<IEnumConnections, CONNECTDATA>(static_cast<IConnectionPoint*>(this), std::move(items));
    e->AddRef();
    *connections = e;
    return S_OK;
  });
}

void EventsConnectionPoint::Fire(DISPID dispid) noexcept {
  try {
    std::vector<ComPtr<IDispatch>> targets;
    targets.reserve(sinks_.size());
    for (const Sink& s : sinks_) targets.push_back(s.dispatch);
    for (const auto& target : targets) {
      DISPPARAMS none{nullptr, nullptr, 0, 0};
      Variant result;
      target->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, result.Get(), nullptr,
                     nullptr);
    }
  } catch (...) {
    // An event that cannot be raised is dropped.
  }
}

void EventsConnectionPoint::DisconnectAll() noexcept {
  std::vector<Sink> gone;
  gone.swap(sinks_);
}

}  // namespace olectl
