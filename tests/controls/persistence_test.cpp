// Property-map persistence of the four controls through a stream and a
// storage: round trips, the stream layout, and broken streams.
#include <windows.h>
#include <commctrl.h>
#include <olectl.h>

#include <cstring>

#include "container.h"
#include "ole_test.h"

namespace kelvane_test {
namespace {

ComPtr<IStream> NewStream() {
  ComPtr<IStream> stream;
  EXPECT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()));
  return stream;
}

std::vector<unsigned char> Bytes(IStream* stream) {
  STATSTG stat{};
  stream->Stat(&stat, STATFLAG_NONAME);
  std::vector<unsigned char> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  ULONG read = 0;
  if (!bytes.empty()) stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  return bytes;
}

ComPtr<IStream> StreamOf(const std::vector<unsigned char>& bytes) {
  ComPtr<IStream> stream = NewStream();
  ULONG written = 0;
  stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  return stream;
}

template <class T>
ComPtr<T> Fresh(REFCLSID clsid) {
  ComPtr<T> control;
  EXPECT_EQ(S_OK, Library::Get().Create(clsid, control));
  return control;
}

template <class T>
ComPtr<IStream> Saved(const ComPtr<T>& control) {
  ComPtr<IStream> stream = NewStream();
  EXPECT_EQ(S_OK, control.template As<IPersistStreamInit>()->Save(stream.Get(), TRUE));
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  return stream;
}

using Persistence = OleTest;

TEST_F(Persistence, PriorityBarRoundTripThroughAStreamWithTheExpectedLayout) {
  auto bar = Fresh<IPriorityBar>(CLSID_PriorityBar);
  ASSERT_EQ(S_OK, bar->put_Value(2));
  ASSERT_EQ(S_OK, bar->put_Enabled(VARIANT_FALSE));
  auto persist = bar.As<IPersistStreamInit>();
  EXPECT_EQ(S_OK, persist->IsDirty());
  ULARGE_INTEGER size{};
  ASSERT_EQ(S_OK, persist->GetSizeMax(&size));
  ComPtr<IStream> stream = Saved(bar);
  EXPECT_EQ(S_FALSE, persist->IsDirty());
  const std::vector<unsigned char> want = {0x00, 0x03, 0x00, 0x00,              // version
                                           0x0B, 0x00, 0x00, 0x00,              // VT_BOOL false
                                           0x03, 0x00, 0x02, 0x00, 0x00, 0x00}; // VT_I4 2
  EXPECT_EQ(want, Bytes(stream.Get()));
  EXPECT_EQ(want.size(), size.QuadPart);

  auto loaded = Fresh<IPriorityBar>(CLSID_PriorityBar);
  ASSERT_EQ(S_OK, loaded.As<IPersistStreamInit>()->Load(stream.Get()));
  int value = 0;
  VARIANT_BOOL enabled = VARIANT_TRUE;
  EXPECT_EQ(S_OK, loaded->get_Value(&value));
  EXPECT_EQ(S_OK, loaded->get_Enabled(&enabled));
  EXPECT_EQ(2, value);
  EXPECT_EQ(VARIANT_FALSE, enabled);
  EXPECT_EQ(S_FALSE, loaded.As<IPersistStreamInit>()->IsDirty());
  CLSID clsid{};
  EXPECT_EQ(S_OK, loaded.As<IPersistStreamInit>()->GetClassID(&clsid));
  EXPECT_EQ(CLSID_PriorityBar, clsid);
}

TEST_F(Persistence, DateControlsRoundTripValueFlagsAndUpDown) {
  SYSTEMTIME st{2024, 3, 0, 15, 14, 30, 0, 0};
  DATE date = 0;
  ASSERT_TRUE(SystemTimeToVariantTime(&st, &date));

  auto calendar = Fresh<ISysMonthCal32>(CLSID_SysMonthCal32);
  ASSERT_EQ(S_OK, calendar->put_Value(date));
  ASSERT_EQ(S_OK, calendar->put_TabStop(VARIANT_FALSE));
  auto calendar2 = Fresh<ISysMonthCal32>(CLSID_SysMonthCal32);
  ASSERT_EQ(S_OK, calendar2.As<IPersistStreamInit>()->Load(Saved(calendar).Get()));
  DATE d = 0;
  VARIANT_BOOL flag = VARIANT_TRUE;
  EXPECT_EQ(S_OK, calendar2->get_Value(&d));
  EXPECT_EQ(date, d);
  EXPECT_EQ(S_OK, calendar2->get_TabStop(&flag));
  EXPECT_EQ(VARIANT_FALSE, flag);

  auto picker = Fresh<ISysDateTimePick32>(CLSID_SysDateTimePick32);
  ASSERT_EQ(S_OK, picker->put_Value(date));
  ASSERT_EQ(S_OK, picker->put_UpDown(VARIANT_TRUE));
  ComPtr<IStream> stream = Saved(picker);
  EXPECT_EQ(4u + (2 + 2) + (2 + 2) + (2 + 8) + (2 + 2), Bytes(stream.Get()).size());
  auto picker2 = Fresh<ISysDateTimePick32>(CLSID_SysDateTimePick32);
  ASSERT_EQ(S_OK, picker2.As<IPersistStreamInit>()->Load(stream.Get()));
  EXPECT_EQ(S_OK, picker2->get_Value(&d));
  EXPECT_EQ(date, d);
  EXPECT_EQ(S_OK, picker2->get_UpDown(&flag));
  EXPECT_EQ(VARIANT_TRUE, flag);

  // The loaded UpDown shapes the window it creates.
  Container container(300, 100);
  ComPtr<Site> site;
  stream = Saved(picker);
  ASSERT_EQ(S_OK, Site::Create(container, CLSID_SysDateTimePick32, site, Site::Init::ClientSite, stream.Get()));
  ASSERT_EQ(S_OK, site->Activate({0, 0, 200, 24}));
  EXPECT_EQ(DTS_UPDOWN, GetWindowLongPtrW(site->ChildWindow(), GWL_STYLE) & DTS_UPDOWN);
  site->Close();
}

TEST_F(Persistence, EditBoxTextRoundTripsThroughAStreamAndAStorage) {
  auto edit = Fresh<IEditBox>(CLSID_EditBox);
  Bstr text(L"ab");
  ASSERT_EQ(S_OK, edit->put_Text(text.Get()));
  ComPtr<IStream> stream = Saved(edit);
  const std::vector<unsigned char> want = {0x00, 0x03, 0x00, 0x00, 0x0B, 0x00, 0xFF, 0xFF, 0x08, 0x00,
                                           0x06, 0x00, 0x00, 0x00, 'a',  0x00, 'b',  0x00, 0x00, 0x00};
  EXPECT_EQ(want, Bytes(stream.Get()));
  auto loaded = Fresh<IEditBox>(CLSID_EditBox);
  ASSERT_EQ(S_OK, loaded.As<IPersistStreamInit>()->Load(stream.Get()));
  Bstr back;
  ASSERT_EQ(S_OK, loaded->get_Text(back.Put()));
  EXPECT_STREQ(L"ab", back.c_str());

  // A stream's zero length loads as a null text.
  const std::vector<unsigned char> null_text = {0x00, 0x03, 0x00, 0x00, 0x0B, 0x00, 0xFF, 0xFF,
                                                0x08, 0x00, 0x00, 0x00, 0x00, 0x00};
  ASSERT_EQ(S_OK, loaded.As<IPersistStreamInit>()->Load(StreamOf(null_text).Get()));
  ASSERT_EQ(S_OK, loaded->get_Text(back.Put()));
  EXPECT_EQ(nullptr, back.Get());
  // A control without text saves one that reads as empty again (the
  // platform's IDispatch may hand the null string over as an empty one).
  auto empty = Fresh<IEditBox>(CLSID_EditBox);
  ASSERT_EQ(S_OK, loaded.As<IPersistStreamInit>()->Load(Saved(empty).Get()));
  ASSERT_EQ(S_OK, loaded->get_Text(back.Put()));
  EXPECT_EQ(0u, back.Length());

  // Through a storage: the properties live in its "Contents" stream.
  ComPtr<IStorage> storage;
  ASSERT_EQ(S_OK, StgCreateDocfile(nullptr, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE,
                                   0, storage.Put()));
  auto as_storage = edit.As<IPersistStorage>();
  ASSERT_EQ(S_OK, as_storage->InitNew(storage.Get()));
  ASSERT_EQ(S_OK, as_storage->Save(storage.Get(), TRUE));
  ASSERT_EQ(S_OK, as_storage->SaveCompleted(nullptr));
  ComPtr<IStream> contents;
  ASSERT_EQ(S_OK, storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, contents.Put()));
  EXPECT_EQ(want, Bytes(contents.Get()));
  contents.Reset();
  auto from_storage = Fresh<IEditBox>(CLSID_EditBox);
  ASSERT_EQ(S_OK, from_storage.As<IPersistStorage>()->Load(storage.Get()));
  ASSERT_EQ(S_OK, from_storage->get_Text(back.Put()));
  EXPECT_STREQ(L"ab", back.c_str());
  EXPECT_EQ(S_FALSE, from_storage.As<IPersistStorage>()->IsDirty());
}

TEST_F(Persistence, EveryControlRoundTripsThroughAStorage) {
  for (const CLSID* clsid : {&CLSID_SysMonthCal32, &CLSID_SysDateTimePick32, &CLSID_PriorityBar, &CLSID_EditBox}) {
    ComPtr<IDispatch> control;
    ASSERT_EQ(S_OK, Library::Get().Create(*clsid, control));
    ComPtr<IStorage> storage;
    ASSERT_EQ(S_OK, StgCreateDocfile(nullptr,
                                     STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE, 0,
                                     storage.Put()));
    auto persist = control.As<IPersistStorage>();
    ASSERT_EQ(S_OK, persist->Save(storage.Get(), TRUE));
    ComPtr<IDispatch> copy;
    ASSERT_EQ(S_OK, Library::Get().Create(*clsid, copy));
    EXPECT_EQ(S_OK, copy.As<IPersistStorage>()->Load(storage.Get()));
    EXPECT_EQ(S_OK, copy.As<IPersistStorage>()->HandsOffStorage());
    // A storage without the stream is refused.
    ComPtr<IStorage> empty;
    ASSERT_EQ(S_OK, StgCreateDocfile(nullptr,
                                     STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE, 0,
                                     empty.Put()));
    EXPECT_TRUE(FAILED(copy.As<IPersistStorage>()->Load(empty.Get())));
  }
}

TEST_F(Persistence, BrokenStreamsAreRefusedAndChangeNothing) {
  auto edit = Fresh<IEditBox>(CLSID_EditBox);
  Bstr text(L"keep");
  ASSERT_EQ(S_OK, edit->put_Text(text.Get()));
  auto persist = edit.As<IPersistStreamInit>();
  auto expect_kept = [&] {
    Bstr back;
    ASSERT_EQ(S_OK, edit->get_Text(back.Put()));
    EXPECT_STREQ(L"keep", back.c_str());
    VARIANT_BOOL enabled = VARIANT_FALSE;
    edit->get_Enabled(&enabled);
    EXPECT_EQ(VARIANT_TRUE, enabled);
  };
  const std::vector<std::vector<unsigned char>> broken = {
      {},                                                        // empty
      {0x00, 0x03, 0x00, 0x00, 0x0B, 0x00, 0x00},                // cut inside a value
      {0x00, 0x03, 0x00, 0x00, 0x0B, 0x00, 0x00, 0x00},          // the second property missing
      {0x00, 0x03, 0x00, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x08, 0x00, 0x05, 0x00, 0x00, 0x00, 'a', 0, 'b', 0, 0},
      {0x00, 0x03, 0x00, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x08, 0x00, 0xF0, 0xFF, 0xFF, 0xFF},  // huge length
      {0x00, 0x03, 0x00, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x08, 0x00, 0x0A, 0x00, 0x00, 0x00, 'a', 0},  // short
      {0x00, 0x03, 0x00, 0x00, 0x0D, 0x00, 0x00, 0x00, 0x00, 0x00},  // VT_UNKNOWN
      {0x00, 0x03, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00},  // a text where the flag goes
  };
  for (size_t i = 0; i < broken.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(FAILED(persist->Load(StreamOf(broken[i]).Get())));
    expect_kept();
  }
  // Another version word and a convertible type load.
  const std::vector<unsigned char> other = {0x00, 0x09, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                                            0x08, 0x00, 0x04, 0x00, 0x00, 0x00, 'z',  0x00, 0x00, 0x00};
  ASSERT_EQ(S_OK, persist->Load(StreamOf(other).Get()));
  Bstr back;
  ASSERT_EQ(S_OK, edit->get_Text(back.Put()));
  EXPECT_STREQ(L"z", back.c_str());
  VARIANT_BOOL enabled = VARIANT_TRUE;
  ASSERT_EQ(S_OK, edit->get_Enabled(&enabled));
  EXPECT_EQ(VARIANT_FALSE, enabled);  // VT_I2 0
}

TEST_F(Persistence, LoadingIntoAnActiveControlAppliesTheValueToItsWindow) {
  auto bar = Fresh<IPriorityBar>(CLSID_PriorityBar);
  ASSERT_EQ(S_OK, bar->put_Value(0));
  ComPtr<IStream> low = Saved(bar);
  Container container(300, 120);
  ComPtr<Site> site;
  ASSERT_EQ(S_OK, Site::Create(container, CLSID_PriorityBar, site));
  ASSERT_EQ(S_OK, site->Activate({0, 0, 200, 90}));
  ASSERT_EQ(S_OK, site->Control<IPersistStreamInit>()->Load(low.Get()));
  EXPECT_TRUE(SendMessageW(site->ChildWindow(), TB_ISBUTTONCHECKED, 102, 0));
  // A stored value the toolbar has no button for: loaded, reported as failed.
  ASSERT_EQ(S_OK, bar->put_Value(7));
  ASSERT_EQ(S_OK, bar->put_Enabled(VARIANT_FALSE));
  EXPECT_TRUE(FAILED(site->Control<IPersistStreamInit>()->Load(Saved(bar).Get())));
  VARIANT_BOOL enabled = VARIANT_TRUE;
  site->Control<IPriorityBar>()->get_Enabled(&enabled);
  EXPECT_EQ(VARIANT_FALSE, enabled);
  EXPECT_TRUE(SendMessageW(site->ChildWindow(), TB_ISBUTTONCHECKED, 102, 0));
  site->Close();
}

}  // namespace
}  // namespace kelvane_test
