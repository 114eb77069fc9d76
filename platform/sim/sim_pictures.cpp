#include "platform/sim/sim_pictures.h"

#include <algorithm>
#include <cctype>

#include "automation/error.h"
#include "automation/text.h"

namespace brisko::sim {

struct SimPictures::State {
    std::map<std::string, Resource> resources = AddinResources();
    std::map<std::uintptr_t, Gdi> live;
    std::map<std::string, std::uintptr_t> sharedIcons;  // "NAME:w:h" -> handle
    std::vector<DrawCall> draws;
    std::uintptr_t next = 0x00E00010;
    std::uint32_t lastError = 0;
    int standardWidth = 32, standardHeight = 32;
    std::optional<std::uint32_t> failGetIconInfo;
    std::optional<std::pair<std::int32_t, int>> failPicture;  // hr, calls until it fails
    std::size_t freed = 0, badFrees = 0;

    std::uintptr_t Make(Gdi gdi) {
        const auto h = next;
        next += 0x10;
        live[h] = std::move(gdi);
        return h;
    }
    void Free(std::uintptr_t handle, Kind kind) noexcept {
        const auto it = live.find(handle);
        if (it == live.end() || it->second.kind != kind) {
            ++badFrees;
            return;
        }
        if (it->second.shared) return;  // shared icons stay with the module
        live.erase(it);
        ++freed;
    }
};

namespace {

// Resource names compare as FindResource compares them: upper-cased; "#n" names the id n.
std::string KeyOf(const ResourceId& id) {
    if (const auto* n = std::get_if<std::uint16_t>(&id)) return "#" + std::to_string(*n);
    std::string name = std::get<std::string>(id);
    for (auto& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

int Himetric(int pixels) { return (pixels * 2540 + 48) / 96; }

// The image list's store in memory: what each image was made from; draws recorded.
class SimImageStore : public ImageStore {
public:
    explicit SimImageStore(std::shared_ptr<SimPictures::State> state) : state_(std::move(state)) {}

    void Reset(int width, int height) override {
        images_.clear();
        width_ = width;
        height_ = height;
    }
    void Add(std::int32_t pictureType, std::uintptr_t handle) override {
        const auto it = state_->live.find(handle);
        const auto kind = pictureType == kPicTypeIcon ? SimPictures::Kind::Icon : SimPictures::Kind::Bitmap;
        if (it == state_->live.end() || it->second.kind != kind) Raise(err::InvalidPicture, L"Invalid picture");
        images_.push_back(it->second.resource);
    }
    void Draw(std::size_t index, std::uintptr_t dc, int x, int y, std::int32_t style) override {
        if (index >= images_.size()) Raise(err::IndexOutOfBounds, L"Index out of bounds");
        state_->draws.push_back({dc, x, y, style, static_cast<int>(index) + 1, images_[index], width_, height_});
    }

private:
    std::shared_ptr<SimPictures::State> state_;
    std::vector<std::string> images_;
    int width_ = 0, height_ = 0;
};

}  // namespace

std::map<std::string, SimPictures::Resource> SimPictures::AddinResources() {
    const std::vector<std::pair<int, int>> icon{{16, 16}, {32, 32}};
    return {
        {"ICO_QTASK_32X32", {Kind::Icon, icon}},
        {"ICO_QAPPOINTMENT_32X32", {Kind::Icon, icon}},
        {"ICO_FOLDER", {Kind::Icon, icon}},
        {"ICO_HELP_I2007", {Kind::Icon, icon}},
        {"MAIN_ICON", {Kind::Icon, icon}},
        {"LOGO", {Kind::Bitmap, {{64, 64}}}},
        {"BMP_QTASK", {Kind::Bitmap, {{16, 16}}}},
    };
}

SimPictures::SimPictures() : state_(std::make_shared<State>()) {}

std::map<std::string, SimPictures::Resource>& SimPictures::resources() { return state_->resources; }

void SimPictures::SetStandardIconSize(int width, int height) {
    state_->standardWidth = width;
    state_->standardHeight = height;
}

void SimPictures::FailGetIconInfo(std::uint32_t error) { state_->failGetIconInfo = error; }
void SimPictures::FailCreatePicture(std::int32_t hr, int nthCall) {
    state_->failPicture = std::make_pair(hr, std::max(nthCall, 1));
}

const SimPictures::Gdi* SimPictures::Find(std::uintptr_t handle) const {
    const auto it = state_->live.find(handle);
    return it == state_->live.end() ? nullptr : &it->second;
}

std::size_t SimPictures::LiveIcons() const {
    return static_cast<std::size_t>(std::count_if(state_->live.begin(), state_->live.end(),
                                                  [](const auto& g) { return g.second.kind == Kind::Icon; }));
}

std::size_t SimPictures::LiveBitmaps() const { return state_->live.size() - LiveIcons(); }
std::size_t SimPictures::Freed() const { return state_->freed; }
std::size_t SimPictures::BadFrees() const { return state_->badFrees; }
const std::vector<SimPictures::DrawCall>& SimPictures::draws() const { return state_->draws; }
void SimPictures::ClearDraws() { state_->draws.clear(); }

std::uintptr_t SimPictures::LoadIconResource(const ResourceId& id, int width, int height, bool shared) {
    const std::string key = KeyOf(id);
    const auto it = state_->resources.find(key);
    if (it == state_->resources.end() || it->second.kind != Kind::Icon) {
        state_->lastError = kErrorResourceNameNotFound;
        return 0;
    }
    if (width == 0 || height == 0) {
        // LoadIconA: the standard size, shared with the module.
        width = state_->standardWidth;
        height = state_->standardHeight;
        shared = true;
    }
    if (width < 0 || height < 0) {
        state_->lastError = kErrorInvalidParameter;
        return 0;
    }
    const std::string sharedKey = key + ":" + std::to_string(width) + ":" + std::to_string(height);
    if (shared) {
        const auto found = state_->sharedIcons.find(sharedKey);
        if (found != state_->sharedIcons.end() && state_->live.count(found->second)) return found->second;
    }
    const auto h = state_->Make({Kind::Icon, key, width, height, shared, {}});
    if (shared) state_->sharedIcons[sharedKey] = h;
    return h;
}

std::uintptr_t SimPictures::LoadBitmapResource(const ResourceId& id) {
    const std::string key = KeyOf(id);
    const auto it = state_->resources.find(key);
    if (it == state_->resources.end() || it->second.kind != Kind::Bitmap || it->second.sizes.empty()) {
        state_->lastError = kErrorResourceNameNotFound;
        return 0;
    }
    const auto [w, h] = it->second.sizes.front();
    return state_->Make({Kind::Bitmap, key, w, h, false, {}});
}

bool SimPictures::GetIconBitmaps(std::uintptr_t icon, IconBitmaps& bitmaps) {
    if (state_->failGetIconInfo) {
        state_->lastError = *state_->failGetIconInfo;
        state_->failGetIconInfo.reset();
        return false;
    }
    const auto it = state_->live.find(icon);
    if (it == state_->live.end() || it->second.kind != Kind::Icon) {
        state_->lastError = kErrorInvalidIconHandle;
        return false;
    }
    const Gdi g = it->second;
    bitmaps.color = state_->Make({Kind::Bitmap, g.resource, g.width, g.height, false, "color"});
    bitmaps.mask = state_->Make({Kind::Bitmap, g.resource, g.width, g.height, false, "mask"});
    return true;
}

void SimPictures::FreeIcon(std::uintptr_t icon) noexcept { state_->Free(icon, Kind::Icon); }
void SimPictures::FreeBitmap(std::uintptr_t bitmap) noexcept { state_->Free(bitmap, Kind::Bitmap); }
std::uint32_t SimPictures::LastError() const { return state_->lastError; }

ObjectPtr SimPictures::CreatePicture(std::int32_t type, std::uintptr_t handle, std::int32_t& hr) {
    hr = 0;
    if (auto& fail = state_->failPicture) {
        if (--fail->second == 0) {
            hr = fail->first;
            fail.reset();
            return nullptr;
        }
    }
    const auto kind = type == kPicTypeIcon ? Kind::Icon : Kind::Bitmap;
    const auto it = state_->live.find(handle);
    if ((type != kPicTypeIcon && type != kPicTypeBitmap) || it == state_->live.end() || it->second.kind != kind) {
        hr = static_cast<std::int32_t>(0x80070057u);  // E_INVALIDARG
        return nullptr;
    }
    return std::make_shared<SimPicture>(state_, type, handle, it->second);
}

ObjectPtr SimPictures::NewImageList(int width, int height) {
    return std::make_shared<ImageList>(std::make_unique<SimImageStore>(state_), width, height);
}

SimPicture::SimPicture(std::shared_ptr<SimPictures::State> state, std::int32_t type, std::uintptr_t handle,
                       const SimPictures::Gdi& gdi)
    : state_(std::move(state)), type_(type), handle_(handle), gdi_(gdi) {}

SimPicture::~SimPicture() {
    state_->Free(handle_, type_ == kPicTypeIcon ? SimPictures::Kind::Icon : SimPictures::Kind::Bitmap);
}

Value SimPicture::Invoke(std::wstring_view name, CallKind kind, Args& args) {
    if ((kind == CallKind::Get || kind == CallKind::Method) && args.empty()) {
        if (EqualsNoCase(name, L"Handle")) return static_cast<std::int32_t>(static_cast<std::uint32_t>(handle_));
        if (EqualsNoCase(name, L"hPal")) return 0;
        if (EqualsNoCase(name, L"Type")) return type_;
        if (EqualsNoCase(name, L"Width")) return Himetric(gdi_.width);
        if (EqualsNoCase(name, L"Height")) return Himetric(gdi_.height);
    }
    return Object::Invoke(name, kind, args);
}

}  // namespace brisko::sim
