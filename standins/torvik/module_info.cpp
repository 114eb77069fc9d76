#include "module_info.h"

#include <cstdint>
#include <cwctype>
#include <vector>

#include "win_util.h"

namespace torvik {

namespace {

class VersionResource {
public:
    explicit VersionResource(const std::wstring& path) {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        if (size == 0) return;
        data_.resize(size);
        if (!GetFileVersionInfoW(path.c_str(), 0, size, data_.data())) {
            data_.clear();
            return;
        }
        struct Translation {
            WORD language;
            WORD codePage;
        };
        Translation* t = nullptr;
        UINT bytes = 0;
        if (VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&t), &bytes) &&
            t && bytes >= sizeof(Translation)) {
            AddBlock(t->language, t->codePage);
        }
        AddBlock(0x0409, 0x04B0);
        AddBlock(0x0409, 0x04E4);
        AddBlock(0x0000, 0x04B0);
    }

    std::wstring Text(const wchar_t* name) const {
        if (data_.empty()) return {};
        for (const auto& block : blocks_) {
            const std::wstring key = block + name;
            wchar_t* value = nullptr;
            UINT chars = 0;
            auto* data = const_cast<std::uint8_t*>(data_.data());
            if (VerQueryValueW(data, key.c_str(), reinterpret_cast<void**>(&value), &chars) && value && chars > 0) {
                std::wstring s(value, chars);
                while (!s.empty() && s.back() == L'\0') s.pop_back();
                if (!s.empty()) return s;
            }
        }
        return {};
    }

    std::wstring FixedVersion() const {
        if (data_.empty()) return {};
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT bytes = 0;
        auto* data = const_cast<std::uint8_t*>(data_.data());
        if (!VerQueryValueW(data, L"\\", reinterpret_cast<void**>(&fixed), &bytes) || !fixed ||
            bytes < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != 0xFEEF04BD)
            return {};
        return std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(fixed->dwFileVersionMS)) +
               L"." + std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." +
               std::to_wstring(LOWORD(fixed->dwFileVersionLS));
    }

private:
    void AddBlock(WORD language, WORD codePage) {
        wchar_t block[64];
        wsprintfW(block, L"\\StringFileInfo\\%04x%04x\\", language, codePage);
        for (const auto& b : blocks_) {
            if (b == block) return;
        }
        blocks_.emplace_back(block);
    }

    std::vector<std::uint8_t> data_;
    std::vector<std::wstring> blocks_;
};

bool IsDeviceName(std::wstring_view name) {
    std::wstring stem(name.substr(0, name.find(L'.')));
    for (auto& c : stem) c = static_cast<wchar_t>(std::towupper(c));
    static const wchar_t* const kNames[] = {L"CON", L"PRN", L"AUX", L"NUL"};
    for (const auto* n : kNames) {
        if (stem == n) return true;
    }
    if (stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT")) && stem[3] >= L'1' &&
        stem[3] <= L'9')
        return true;
    return false;
}

}  // namespace

std::wstring FolderName(std::wstring_view text, std::wstring_view fallback) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c < 0x20 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos) continue;
        out += c;
    }
    const auto first = out.find_first_not_of(L' ');
    out.erase(0, first == std::wstring::npos ? out.size() : first);
    while (!out.empty() && (out.back() == L' ' || out.back() == L'.')) out.pop_back();
    if (out.empty()) return fallback.empty() ? std::wstring(L"Torvik") : FolderName(fallback, L"");
    if (IsDeviceName(out)) out += L'_';
    return out;
}

bool ReadModuleInfo(HMODULE module, ModuleInfo& info) {
    info = ModuleInfo{};
    info.path = ModulePath(module);
    if (info.path.empty()) return false;
    const auto slash = info.path.find_last_of(L"\\/");
    info.folder = slash == std::wstring::npos ? std::wstring() : info.path.substr(0, slash);
    info.baseName = slash == std::wstring::npos ? info.path : info.path.substr(slash + 1);
    if (const auto dot = info.baseName.find_last_of(L'.'); dot != std::wstring::npos && dot > 0)
        info.baseName.resize(dot);

    const VersionResource resource(info.path);
    info.company = resource.Text(L"CompanyName");
    info.product = resource.Text(L"ProductName");
    if (info.company.empty()) info.company = info.baseName;
    if (info.product.empty()) info.product = info.baseName;
    info.version = resource.Text(L"FileVersion");
    if (info.version.empty()) info.version = resource.FixedVersion();
    info.comments = resource.Text(L"Comments");
    info.description = resource.Text(L"FileDescription");
    info.copyright = resource.Text(L"LegalCopyright");
    return true;
}

}  // namespace torvik
