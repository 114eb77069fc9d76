// CLinkLabel on the in-memory window: hover, clicks, auto-size, persistence, late binding.
#include <gtest/gtest.h>

#include <map>

#include "addin/dialogs/CLinkLabel.h"
#include "automation/error.h"
#include "tests/addin/addin_fixture.h"

namespace brisko {

void PrintTo(const TwipsRect& r, std::ostream* os) {
    *os << "{" << r.left << ", " << r.top << ", " << r.width << ", " << r.height << "}";
}

namespace {

using sim::SimLinkLabelView;

constexpr std::uint32_t kBlue = 0xFF0000;
constexpr std::uint32_t kRed = 0x0000FF;
constexpr std::uint32_t kPurple = 0x8B1A55;
constexpr int kChar = SimLinkLabelView::kCharWidthPx * SimLinkLabelView::kTwipsPerPixel;      // 90
constexpr int kBoldChar = SimLinkLabelView::kBoldCharWidthPx * SimLinkLabelView::kTwipsPerPixel;  // 105
constexpr int kLine = SimLinkLabelView::kLineHeightPx * SimLinkLabelView::kTwipsPerPixel;     // 195

class LinkLabelTest : public testing::AddinTest {
protected:
    void SetUp() override {
        AddinTest::SetUp();
        link = CLinkLabel::Create(0x1234);
        view = platform.linkLabels.last();
        ASSERT_NE(view, nullptr);
        connection = link->ConnectEvents([this](std::wstring_view event, Args& args) {
            events.emplace_back(event);
            EXPECT_TRUE(args.empty());
            timerDuringEvent = view->timerRunning;
            if (onEvent) onEvent();
        });
    }
    void TearDown() override {
        connection.Disconnect();
        link.reset();
        AddinTest::TearDown();
    }

    void Enter() { view->MoveMouse({30, 30}); }
    // The cursor leaves without the label noticing; the next tick ends the hover.
    void Leave() {
        view->cursor = {-100, 5000};
        view->Tick();
    }

    std::shared_ptr<CLinkLabel> link;
    SimLinkLabelView* view = nullptr;
    EventConnection connection;
    std::vector<std::wstring> events;
    bool timerDuringEvent = true;
    std::function<void()> onEvent;
};

TEST_F(LinkLabelTest, NewControlHasTheDefaultsAndTheNormalLook) {
    EXPECT_EQ(view->parent, 0x1234u);
    EXPECT_EQ(link->Caption(), L"");
    EXPECT_TRUE(link->AutoSize());
    EXPECT_EQ(link->BackColor(), 0x8000000Fu);
    EXPECT_EQ(link->ForeColorNormal(), kBlue);
    EXPECT_EQ(link->ForeColorOver(), kRed);
    EXPECT_EQ(link->ForeColorClicked(), 9116245u);
    EXPECT_FALSE(link->UnderlineNormal());
    EXPECT_TRUE(link->Enabled());
    EXPECT_FALSE(link->FontBold());
    EXPECT_EQ(link->ToolTipText(), L"");
    EXPECT_EQ(view->foreColor, kBlue);
    EXPECT_EQ(view->backColor, 0x8000000Fu);
    EXPECT_FALSE(view->underline);
    EXPECT_EQ(view->label, (TwipsRect{0, 0, 1200, 255}));
    EXPECT_FALSE(view->timerRunning);
}

TEST_F(LinkLabelTest, HoverShowsRedUnderlinedAndTheTimerEndsIt) {
    Enter();
    EXPECT_TRUE(link->Hovering());
    EXPECT_EQ(view->foreColor, kRed);
    EXPECT_TRUE(view->underline);
    EXPECT_TRUE(view->timerRunning);
    // More moves and ticks inside change nothing and start no second timer.
    view->MoveMouse({40, 40});
    EXPECT_TRUE(view->Tick());
    EXPECT_EQ(view->timerStarts, 1);
    EXPECT_TRUE(link->Hovering());
    // The label gets no event once the cursor is off it: one tick ends the hover.
    Leave();
    EXPECT_FALSE(link->Hovering());
    EXPECT_EQ(view->foreColor, kBlue);
    EXPECT_FALSE(view->underline);
    EXPECT_FALSE(view->timerRunning);
    // Edges: the right and bottom edge are outside.
    view->MoveMouse({1199, 254});
    EXPECT_TRUE(link->Hovering());
    view->cursor = {1200, 0};
    view->Tick();
    EXPECT_FALSE(link->Hovering());
}

TEST_F(LinkLabelTest, LeftClickRaisesOnClickWithTheTimerPausedAndLeavesThePurpleLook) {
    Enter();
    view->Click(kLinkButtonLeft);
    EXPECT_EQ(events, (std::vector<std::wstring>{L"OnClick"}));
    EXPECT_FALSE(timerDuringEvent);
    EXPECT_TRUE(view->timerRunning);
    EXPECT_TRUE(link->Clicked());
    EXPECT_EQ(view->foreColor, kRed);  // still hovered
    Leave();
    EXPECT_EQ(view->foreColor, kPurple);
    EXPECT_FALSE(view->underline);
    // Hovered again it is red; the visited colour stays for the control's life.
    Enter();
    EXPECT_EQ(view->foreColor, kRed);
    Leave();
    EXPECT_EQ(view->foreColor, kPurple);
}

TEST_F(LinkLabelTest, RightClickRaisesOnRightClickWithoutMarkingClickedAndOtherButtonsNothing) {
    Enter();
    view->Click(kLinkButtonRight);
    EXPECT_EQ(events, (std::vector<std::wstring>{L"OnRightClick"}));
    EXPECT_FALSE(timerDuringEvent);
    EXPECT_TRUE(view->timerRunning);
    EXPECT_FALSE(link->Clicked());
    view->Click(kLinkButtonMiddle);
    EXPECT_EQ(events.size(), 1u);
    Leave();
    EXPECT_EQ(view->foreColor, kBlue);
    // A click whose button went down elsewhere is no click.
    view->cursor = {-5, -5};
    view->Press(kLinkButtonLeft);
    view->MoveMouse({30, 30});
    view->Release(kLinkButtonLeft);
    EXPECT_EQ(events.size(), 1u);
}

TEST_F(LinkLabelTest, NormalColourAppliesAtTheNextHoverChangeUnderlineAtOnce) {
    link->SetForeColorNormal(0x00AA00);
    EXPECT_EQ(view->foreColor, kBlue);
    link->SetUnderlineNormal(true);
    EXPECT_TRUE(view->underline);
    Enter();
    link->SetForeColorOver(0x123456);
    EXPECT_EQ(view->foreColor, kRed);  // the hover look stays as it began
    // While hovering the underline stays on whatever the normal flag says.
    link->SetUnderlineNormal(false);
    EXPECT_TRUE(view->underline);
    Leave();
    EXPECT_EQ(view->foreColor, 0x00AA00u);
    EXPECT_FALSE(view->underline);
    Enter();
    EXPECT_EQ(view->foreColor, 0x123456u);
}

TEST_F(LinkLabelTest, AutoSizeFitsTheLabelToCaptionAndTheControlOnlyWhenSet) {
    link->SetCaption(L"abcd");
    EXPECT_EQ(view->caption, L"abcd");
    EXPECT_EQ(view->label, (TwipsRect{0, 0, 4 * kChar, kLine}));
    EXPECT_EQ(link->Width(), 1200);  // the caption resizes only the label
    link->SetAutoSize(true);
    EXPECT_EQ(view->control, (TwipsRect{0, 0, 4 * kChar, kLine}));
    EXPECT_EQ(link->Width(), 4 * kChar);
    EXPECT_EQ(view->label, (TwipsRect{0, 0, 4 * kChar, kLine}));
    link->SetFontBold(true);
    EXPECT_EQ(view->label.width, 4 * kBoldChar);
    EXPECT_EQ(link->Width(), 4 * kChar);
    link->SetCaption(L"ab\r\nlonger");
    EXPECT_EQ(view->label, (TwipsRect{0, 0, 6 * kBoldChar, 2 * kLine}));

    // Without auto-size the label keeps its size; the container's resize makes it fill the control.
    link->SetAutoSize(false);
    link->SetCaption(L"a much longer caption");
    EXPECT_EQ(view->label, (TwipsRect{0, 0, 6 * kBoldChar, 2 * kLine}));
    view->Resize(3000, 300);
    EXPECT_EQ(view->label, (TwipsRect{0, 0, 3000, 300}));
    EXPECT_EQ(link->Width(), 3000);
}

TEST_F(LinkLabelTest, ATimerThatCannotStartLeavesTheLabelAndClicksStillRaise) {
    view->failTimerStart = true;
    Enter();
    EXPECT_FALSE(link->Hovering());
    EXPECT_EQ(view->foreColor, kBlue);
    EXPECT_EQ(Errors(), (std::vector<std::wstring>{L"CLinkLabel.lbl_MouseMove|6|Out of timers"}));
    view->failTimerStart = false;
    Enter();
    EXPECT_TRUE(link->Hovering());
    // The restart after the event fails: ignored, the event was raised.
    view->failTimerStart = true;
    view->Click(kLinkButtonLeft);
    EXPECT_EQ(events, (std::vector<std::wstring>{L"OnClick"}));
    EXPECT_EQ(Errors().size(), 1u);
}

TEST_F(LinkLabelTest, AFailingHandlerIsLoggedAndTheHoverGoesOn) {
    onEvent = [] { Raise(5, L"handler failed"); };
    Enter();
    view->Click(kLinkButtonLeft);
    EXPECT_EQ(Errors(), (std::vector<std::wstring>{L"CLinkLabel.lbl_Click|5|handler failed"}));
    EXPECT_TRUE(view->timerRunning);
    EXPECT_TRUE(link->Clicked());
    Leave();
    EXPECT_EQ(view->foreColor, kPurple);
}

TEST_F(LinkLabelTest, AHandlerMayDropTheControl) {
    onEvent = [this] { link.reset(); };
    Enter();
    view->Click(kLinkButtonLeft);
    EXPECT_EQ(link, nullptr);
    EXPECT_TRUE(platform.linkLabels.live().empty());
    EXPECT_TRUE(Errors().empty());
}

TEST_F(LinkLabelTest, ADisabledOrHiddenLabelGetsNoHover) {
    link->SetEnabled(false);
    EXPECT_FALSE(view->enabled);
    Enter();
    EXPECT_FALSE(link->Hovering());
    link->SetEnabled(true);
    link->SetVisible(false);
    Enter();
    EXPECT_FALSE(link->Hovering());
}

// A property bag that records what was read and written.
class RecordingBag : public PropertyBag {
public:
    std::map<std::wstring, Value> stored;
    std::vector<std::wstring> reads;
    std::vector<std::pair<std::wstring, Value>> writes;

    std::optional<Value> Read(std::wstring_view name) override {
        reads.emplace_back(name);
        const auto it = stored.find(std::wstring(name));
        if (it == stored.end()) return std::nullopt;
        return it->second;
    }
    void Write(std::wstring_view name, const Value& value) override { writes.emplace_back(name, value); }
};

const std::vector<std::wstring> kOrder = {L"Caption",          L"AutoSize",        L"BackColor", L"ForeColorNormal",
                                          L"ForeColorOver",    L"ForeColorClicked", L"UnderlineNormal", L"Enabled",
                                          L"FontBold",         L"ToolTipText"};

TEST_F(LinkLabelTest, WritesOnlyWhatDiffersFromTheDefaults) {
    RecordingBag bag;
    link->WriteProperties(bag);
    EXPECT_TRUE(bag.writes.empty());

    link->SetCaption(L"\\\\Mailbox\\Inbox");
    link->SetAutoSize(false);
    link->SetBackColor(0xFFFFFF);
    link->SetForeColorClicked(0x80000008u);
    link->SetToolTipText(L"Click to change");
    link->WriteProperties(bag);
    using W = std::pair<std::wstring, Value>;
    EXPECT_EQ(bag.writes, (std::vector<W>{W{L"Caption", Value(L"\\\\Mailbox\\Inbox")}, W{L"AutoSize", Value(false)},
                                          W{L"BackColor", Value(0xFFFFFF)},
                                          W{L"ForeColorClicked", Value(static_cast<std::int32_t>(0x80000008u))},
                                          W{L"ToolTipText", Value(L"Click to change")}}));
}

TEST_F(LinkLabelTest, ReadsEveryPropertyInOrderThroughItsLet) {
    std::vector<std::wstring> changed;
    link->SetPropertyChangedHandler([&](std::wstring_view name) { changed.emplace_back(name); });
    RecordingBag bag;
    bag.stored[L"Caption"] = Value(L"abc");
    bag.stored[L"ForeColorNormal"] = Value(0x00AA00);
    bag.stored[L"UnderlineNormal"] = Value(true);
    bag.stored[L"BackColor"] = Value(L"green");  // refused: logged, default kept
    link->ReadProperties(bag);
    EXPECT_EQ(bag.reads, kOrder);
    EXPECT_EQ(changed, kOrder);
    EXPECT_EQ(link->Caption(), L"abc");
    // AutoSize (default true) came after the caption: the control fits it.
    EXPECT_EQ(link->Width(), 3 * kChar);
    EXPECT_EQ(link->BackColor(), 0x8000000Fu);
    EXPECT_EQ(link->ForeColorNormal(), 0x00AA00u);
    EXPECT_TRUE(view->underline);
    EXPECT_EQ(view->foreColor, kBlue);  // applied at the next hover change
    EXPECT_EQ(Errors(), (std::vector<std::wstring>{L"CLinkLabel.ReadProperties|13|Type mismatch; Property=BackColor"}));
}

TEST_F(LinkLabelTest, LateBoundPropertiesByName) {
    ObjectPtr o = link;
    // What the folder path fitting does: caption, auto-size, width.
    o->Put(L"caption", Value(L"Inbox\\Projects"));
    o->Put(L"AutoSize", Value(true));
    EXPECT_EQ(o->Get(L"WIDTH"), Value(14 * kChar));
    o->Put(L"Caption", Value(L"...\\P"));
    o->Put(L"AutoSize", Value(true));
    EXPECT_EQ(o->Get(L"Width"), Value(5 * kChar));
    EXPECT_EQ(o->Get(L"Height"), Value(kLine));
    EXPECT_EQ(o->Get(L"Caption"), Value(L"...\\P"));

    EXPECT_EQ(o->Get(L"BackColor"), Value(-2147483633));
    o->Put(L"ForeColorOver", Value(255.0));
    EXPECT_EQ(o->Get(L"forecolorover"), Value(255));
    o->Put(L"BackColor", Value(2147483663.0));  // &H8000000F as a positive number
    EXPECT_EQ(link->BackColor(), 0x8000000Fu);
    o->Put(L"FontBold", Value(L"True"));
    EXPECT_EQ(o->Get(L"FontBold"), Value(true));
    o->Put(L"ToolTipText", Value(L"Click to change"));
    EXPECT_EQ(view->toolTip, L"Click to change");
    o->Call(L"Move", {Value(100), Value(200)});
    EXPECT_EQ(view->control, (TwipsRect{100, 200, 5 * kChar, kLine}));  // bold resized the label only
    o->Put(L"Left", Value(150));
    EXPECT_EQ(o->Get(L"Left"), Value(150));
    o->Put(L"Visible", Value(false));
    EXPECT_FALSE(view->visible);

    auto raises = [&](auto&& call) -> std::int32_t {
        try {
            call();
        } catch (const RuntimeError& e) {
            return e.number();
        }
        return 0;
    };
    EXPECT_EQ(raises([&] { o->Put(L"Width", Value(10)); }), 383);
    EXPECT_EQ(raises([&] { o->Put(L"BackColor", Value(0x01000000)); }), 380);
    EXPECT_EQ(raises([&] { o->Put(L"BackColor", Value(4294967296.0)); }), 380);
    EXPECT_EQ(raises([&] { o->Put(L"ForeColorNormal", Value(L"blue")); }), 13);
    EXPECT_EQ(raises([&] { o->Get(L"Value"); }), 438);
    EXPECT_EQ(raises([&] { o->Get(L"Caption", {Value(1)}); }), 450);
    EXPECT_EQ(raises([&] { o->Call(L"Move", {Value(1)}); }), 450);
    EXPECT_EQ(link->ForeColorNormal(), kBlue);  // a refused let stores nothing
}

TEST_F(LinkLabelTest, EventsByNameUntilDisconnected) {
    std::vector<std::wstring> second;
    {
        WithEvents field;
        field.Set(link, [&](std::wstring_view event, Args&) { second.emplace_back(event); });
        Enter();
        view->Click(kLinkButtonRight);
        view->Click(kLinkButtonLeft);
    }
    view->Click(kLinkButtonLeft);
    EXPECT_EQ(second, (std::vector<std::wstring>{L"OnRightClick", L"OnClick"}));
    EXPECT_EQ(events, (std::vector<std::wstring>{L"OnRightClick", L"OnClick", L"OnClick"}));
}

TEST(LinkLabelCreate, WithoutViewsOrAWindowItRaises) {
    sim::SimPlatform platform;
    SetPlatform(Platform{});
    try {
        CLinkLabel::Create(0);
        ADD_FAILURE() << "created without views";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::CantCreateObject);
    }
    platform.Install();
    platform.linkLabels.failCreate = true;
    EXPECT_THROW(CLinkLabel::Create(0), RuntimeError);
    EXPECT_NE(CLinkLabel::Create(0), nullptr);
    EXPECT_EQ(platform.linkLabels.created, 1);
    SetPlatform(Platform{});
}

}  // namespace
}  // namespace brisko
