#include "addin/commands/CPopupMenu.h"

#include "automation/error.h"
#include "platform/menus.h"
#include "platform/platform.h"

namespace brisko {

namespace {

PopupMenus& Menus() {
    PopupMenus* menus = CurrentPlatform().menus;
    if (!menus) Raise(err::ObjectNotSet);
    return *menus;
}

std::string Ansi(const std::wstring& text) {
    CodePage* codePage = CurrentPlatform().codePage;
    if (!codePage) Raise(err::ObjectNotSet);
    return codePage->ToAnsi(text);
}

std::uint32_t EnabledFlags(bool bEnabled) { return bEnabled ? 0u : kMfGrayed | kMfDisabled; }

// An index or a key; anything else (Empty, Missing) means no image.
bool NamesImage(const Value& vImageIndex) {
    switch (vImageIndex.type()) {
        case VarType::Integer:
        case VarType::Double:
        case VarType::String:
            return true;
        default:
            return false;
    }
}

}  // namespace

CPopupMenu::CPopupMenu() : m_hMenu(Menus().Create()) {}

CPopupMenu::~CPopupMenu() {
    PopupMenus* menus = CurrentPlatform().menus;
    if (menus) {
        if (m_hMenu) menus->Destroy(m_hMenu);
        // The menu does not own its item bitmaps.
        for (auto bitmap : m_colBitmaps) menus->DeleteBitmap(bitmap);
    }
    m_colBitmaps.clear();
    m_oImageList.reset();
}

void CPopupMenu::SetImageList(ObjectPtr imageList) {
    if (!imageList) {
        m_oImageList.reset();
        return;
    }
    const auto width = GetOf(imageList, L"ImageWidth").AsInt();
    const auto height = GetOf(imageList, L"ImageHeight").AsInt();
    if (width != 13 || height != 13) Raise(err::TypeMismatch, L"Images must be 13x13", L"CPopupMenu");
    m_oImageList = std::move(imageList);
}

void CPopupMenu::Append(const std::wstring& caption, std::uint32_t nCmd, const Value& vImageIndex, bool bEnabled) {
    PopupMenus& menus = Menus();
    if (!menus.Append(m_hMenu, kMfString | EnabledFlags(bEnabled), nCmd, Ansi(caption))) return;
    if (!NamesImage(vImageIndex)) return;
    const auto bitmap = RenderImage(vImageIndex);
    if (!bitmap) return;
    m_colBitmaps.push_back(bitmap);
    menus.SetItemBitmaps(m_hMenu, nCmd, bitmap, bitmap);
}

std::uintptr_t CPopupMenu::RenderImage(const Value& vImageIndex) {
    const ObjectPtr image = ObjectOf(ObjectOf(m_oImageList, L"ListImages"), L"Item", {vImageIndex});
    const auto width = GetOf(m_oImageList, L"ImageWidth").AsInt();
    const auto height = GetOf(m_oImageList, L"ImageHeight").AsInt();
    return Menus().RenderBitmap(width, height, [&](std::uintptr_t dc) {
        // Device contexts travel as 32-bit numbers, as the image list's Draw takes them.
        const auto hDC = static_cast<std::int32_t>(static_cast<std::uint32_t>(dc));
        CallOf(image, L"Draw", {hDC, 0, 0});
    });
}

void CPopupMenu::AppendPopup(const CPopupMenu& oPopup, const std::wstring& caption, bool bEnabled) {
    Menus().Append(m_hMenu, kMfPopup | EnabledFlags(bEnabled), oPopup.Handle(), Ansi(caption));
}

void CPopupMenu::AppendSeparator() { Menus().Append(m_hMenu, kMfSeparator, 0, std::string()); }

bool CPopupMenu::SetDefaultItem(std::uint32_t uItem, bool bByPos) {
    return Menus().SetDefaultItem(m_hMenu, uItem, bByPos);
}

std::uint32_t CPopupMenu::Track(std::uintptr_t hWnd) { return Menus().Track(m_hMenu, hWnd); }

}  // namespace brisko
