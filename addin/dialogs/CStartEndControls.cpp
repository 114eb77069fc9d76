#include "addin/dialogs/CStartEndControls.h"

#include "addin/dialogs/mLocale.h"
#include "addin/dialogs/msgbox.h"
#include "addin/host/error_discipline.h"
#include "addin/host/mTorvik.h"
#include "automation/error.h"
#include "automation/text.h"

namespace brisko {

namespace {

constexpr std::int64_t kMinutesPerDay = 1440;
constexpr int kRegularStep = 30;   // minutes between the time lists' regular entries
constexpr int kRegularEntries = 48;

// Sets a flag for the length of a scope.
class GuardScope {
public:
    explicit GuardScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~GuardScope() { flag_ = false; }
    GuardScope(const GuardScope&) = delete;
    GuardScope& operator=(const GuardScope&) = delete;

private:
    bool& flag_;
};

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// The day number of a date (its date part as an automation DATE).
std::int64_t DayOf(Date date) {
    const DateParts p = SplitDate(date);
    return static_cast<std::int64_t>(MakeDate({p.year, p.month, p.day, 0, 0, 0}).serial);
}

std::int32_t MinutesOf(Date date) {
    const DateParts p = SplitDate(date);
    return p.hour * 60 + p.minute;
}

Date DateOfDay(std::int64_t day, std::int32_t minutes = 0) {
    DateParts p = SplitDate(Date{static_cast<double>(day)});
    p.hour = minutes / 60;
    p.minute = minutes % 60;
    p.second = 0;
    return MakeDate(p);
}

std::wstring ReplaceAll(std::wstring text, const std::wstring& what, const std::wstring& with) {
    for (auto at = text.find(what); at != std::wstring::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
    return text;
}

std::wstring TextOf(const ObjectPtr& box) { return GetOf(box, L"Text").AsString(); }

}  // namespace

std::shared_ptr<CStartEndControls> CStartEndControls::Create() {
    return std::make_shared<CStartEndControls>(Token{});
}

CStartEndControls::~CStartEndControls() { Done(); }

void CStartEndControls::Init(const ObjectPtr& dtpStartDate, const ObjectPtr& cboStartTime,
                             const ObjectPtr& dtpEndDate, const ObjectPtr& cboEndTime, Date dtStart,
                             std::int32_t nDuration) {
    Trapped(L"CTimeCombobox.Init", [&] {
        Assert(nDuration >= 0, L"CTimeCombobox.Init", L"0");
        m_bDateOnly = false;
        m_sTimeFormat = mLocale_GetTimeFormat();
        GuardScope guard(m_bUpdating);

        m_nStartDate = DayOf(dtStart);
        m_nStartTime = MinutesOf(dtStart);
        m_nDuration = nDuration;
        const std::int64_t end = m_nStartDate * kMinutesPerDay + m_nStartTime + m_nDuration;
        m_nEndDate = FloorDiv(end, kMinutesPerDay);
        m_nEndTime = static_cast<std::int32_t>(end - m_nEndDate * kMinutesPerDay);

        PutOf(dtpStartDate, L"Value", DateOfDay(m_nStartDate));
        PutOf(cboStartTime, L"Text", TimeText(m_nStartTime));
        PutOf(dtpEndDate, L"Value", DateOfDay(m_nEndDate));
        PutOf(cboEndTime, L"Text", TimeText(m_nEndTime));
        PutOf(cboEndTime, L"ToolTipText", DurationText(m_nDuration));

        const std::weak_ptr<CStartEndControls> self = weak_from_this();
        const auto sink = [self](Control control) {
            return [self, control](std::wstring_view event, Args& args) {
                if (const auto me = self.lock()) me->OnEvent(control, event, args);
            };
        };
        m_dtpStartDate.Set(dtpStartDate, sink(Control::StartDate));
        m_cboStartTime.Set(cboStartTime, sink(Control::StartTime));
        m_dtpEndDate.Set(dtpEndDate, sink(Control::EndDate));
        m_cboEndTime.Set(cboEndTime, sink(Control::EndTime));

        for (const auto& box : {cboStartTime, cboEndTime}) {
            for (int i = 0; i < kRegularEntries; ++i) {
                const int m = kRegularStep * i;
                CallOf(box, L"AddItem", {TimeText(m)});
                Args args{GetOf(box, L"ListCount").AsInt() - 1, m};
                box->Invoke(L"ItemData", CallKind::Put, args);
            }
        }
    });
}

void CStartEndControls::Done() noexcept {
    m_dtpStartDate.Reset();
    m_cboStartTime.Reset();
    m_dtpEndDate.Reset();
    m_cboEndTime.Reset();
}

bool CStartEndControls::IsValid(bool bShowMessages) {
    return Trapped(L"CTimeCombobox.ctls_IsValid", [&] {
        std::int32_t nStartTime = 0, nEndTime = 0;
        if (!m_bDateOnly) {
            const auto parses = [&](const ObjectPtr& box, std::int32_t& minutes, const wchar_t* sKey) {
                try {
                    minutes = mLocale_ParseTime(TextOf(box));
                    return true;
                } catch (const RuntimeError& e) {
                    if (e.number() != err::TypeMismatch) throw;
                }
                if (bShowMessages) {
                    AddinMsgBox(LangText(sKey), kMbOk);
                    ResumeNext next;
                    next([&] { CallOf(box, L"SetFocus"); });
                    Err().Clear();
                }
                return false;
            };
            if (!parses(m_cboStartTime.Get(), nStartTime, L"LID_START_TIME_INVALID")) return false;
            if (!parses(m_cboEndTime.Get(), nEndTime, L"LID_END_TIME_INVALID")) return false;
        }
        const std::int64_t start = DayOf(GetOf(m_dtpStartDate.Get(), L"Value").AsDate()) * kMinutesPerDay + nStartTime;
        const std::int64_t end = DayOf(GetOf(m_dtpEndDate.Get(), L"Value").AsDate()) * kMinutesPerDay + nEndTime;
        if (end - start < 0) {
            if (bShowMessages) AddinMsgBox(LangText(L"LID_DURATION_IS_NEGATIVE"), kMbOk);
            return false;
        }
        return true;
    });
}

void CStartEndControls::Apply() {
    Trapped(L"CTimeCombobox.ctls_Apply", [&] {
        // Everything is read before anything is stored.
        const std::int64_t nStartDate = DayOf(GetOf(m_dtpStartDate.Get(), L"Value").AsDate());
        const std::int64_t nEndDate = DayOf(GetOf(m_dtpEndDate.Get(), L"Value").AsDate());
        std::int32_t nStartTime = m_nStartTime, nEndTime = m_nEndTime;
        if (!m_bDateOnly) {
            nStartTime = mLocale_ParseTime(TextOf(m_cboStartTime.Get()));
            nEndTime = mLocale_ParseTime(TextOf(m_cboEndTime.Get()));
        }
        m_nStartDate = nStartDate;
        m_nStartTime = nStartTime;
        m_nEndDate = nEndDate;
        m_nEndTime = nEndTime;
        m_nDuration = (m_nEndDate * kMinutesPerDay + m_nEndTime) - (m_nStartDate * kMinutesPerDay + m_nStartTime);
    });
}

Date CStartEndControls::StartDateTime() const {
    return m_bDateOnly ? DateOfDay(m_nStartDate) : DateOfDay(m_nStartDate, m_nStartTime);
}

Date CStartEndControls::EndDateTime() const {
    return m_bDateOnly ? DateOfDay(m_nEndDate) : DateOfDay(m_nEndDate, m_nEndTime);
}

void CStartEndControls::SetDateOnly(bool bDateOnly) {
    if (bDateOnly == m_bDateOnly) return;
    m_bDateOnly = bDateOnly;
    // Out of use: disabled, so the times stay visible.
    Trapped(L"CTimeCombobox.DateOnly", [&] {
        GuardScope guard(m_bUpdating);
        if (m_cboStartTime) PutOf(m_cboStartTime.Get(), L"Enabled", !bDateOnly);
        if (m_cboEndTime) PutOf(m_cboEndTime.Get(), L"Enabled", !bDateOnly);
    });
}

void CStartEndControls::OnEvent(Control control, std::wstring_view event, Args& /*args*/) {
    if (m_bUpdating) return;
    GuardScope guard(m_bUpdating);
    // Unparsable text and every other error leave start, end and the controls as they were.
    try {
        const bool picked = EqualsNoCase(event, L"Click") || EqualsNoCase(event, L"Validate");
        const bool dropDown = EqualsNoCase(event, L"DropDown");
        const bool changed = EqualsNoCase(event, L"OnChange");
        switch (control) {
            case Control::StartDate:
                if (changed) StartDateChanged();
                break;
            case Control::EndDate:
                if (changed) EndDateChanged();
                break;
            case Control::StartTime:
                if (picked) StartTimeChanged();
                if (dropDown) TimeDropDown(m_cboStartTime.Get());
                break;
            case Control::EndTime:
                if (picked) EndTimeChanged();
                if (dropDown) TimeDropDown(m_cboEndTime.Get());
                break;
        }
    } catch (...) {
    }
    Err().Clear();
}

void CStartEndControls::StartDateChanged() {
    const std::int64_t nDay = DayOf(GetOf(m_dtpStartDate.Get(), L"Value").AsDate());
    SetStart(nDay * kMinutesPerDay + m_nStartTime);
}

void CStartEndControls::StartTimeChanged() {
    const std::int32_t nTime = mLocale_ParseTime(TextOf(m_cboStartTime.Get()));
    SetStart(m_nStartDate * kMinutesPerDay + nTime);
}

void CStartEndControls::EndTimeChanged() {
    const std::int32_t nTime = mLocale_ParseTime(TextOf(m_cboEndTime.Get()));
    const std::int64_t start = m_nStartDate * kMinutesPerDay + m_nStartTime;
    const std::int64_t end = m_nEndDate * kMinutesPerDay + nTime;
    if (end < start) {
        RewriteEndTime();
        AddinMsgBox(LangText(L"LID_DURATION_IS_NEGATIVE"), kMbOk);
        return;
    }
    m_nDuration = end - start;
    m_nEndTime = nTime;
    RewriteControls();
}

void CStartEndControls::EndDateChanged() {
    const std::int64_t nDay = DayOf(GetOf(m_dtpEndDate.Get(), L"Value").AsDate());
    const std::int64_t start = m_nStartDate * kMinutesPerDay + m_nStartTime;
    std::int64_t end = nDay * kMinutesPerDay + m_nEndTime;
    if (end < start) {
        if (!m_bDateOnly || nDay < m_nStartDate) {
            PutOf(m_dtpEndDate.Get(), L"Value", DateOfDay(m_nEndDate));
            AddinMsgBox(LangText(L"LID_DURATION_IS_NEGATIVE"), kMbOk);
            return;
        }
        // All day, on the start's date or later: the end's time follows the start's.
        m_nEndTime = m_nStartTime;
        end = nDay * kMinutesPerDay + m_nEndTime;
        Assert(end - start == 0, L"CTimeCombobox.m_dtpEndDate_OnChange", L"nDuration = 0");
    }
    m_nDuration = end - start;
    m_nEndDate = nDay;
    RewriteControls();
}

void CStartEndControls::TimeDropDown(const ObjectPtr& box) {
    const std::int32_t m = mLocale_ParseTime(TextOf(box));
    const std::wstring sText = TimeText(m);
    PutOf(box, L"Text", sText);
    for (std::int32_t i = GetOf(box, L"ListCount").AsInt() - 1; i >= 0; --i) {
        if (GetOf(box, L"ItemData", {i}).AsInt() % kRegularStep != 0) CallOf(box, L"RemoveItem", {i});
    }
    if (m % kRegularStep != 0) {
        const std::int32_t nIndex = m / kRegularStep + 1;
        CallOf(box, L"AddItem", {sText, nIndex});
        Args args{nIndex, m};
        box->Invoke(L"ItemData", CallKind::Put, args);
    }
    PutOf(box, L"Text", sText);
}

void CStartEndControls::SetStart(std::int64_t nStartMinutes) {
    m_nStartDate = FloorDiv(nStartMinutes, kMinutesPerDay);
    m_nStartTime = static_cast<std::int32_t>(nStartMinutes - m_nStartDate * kMinutesPerDay);
    const std::int64_t end = nStartMinutes + m_nDuration;
    m_nEndDate = FloorDiv(end, kMinutesPerDay);
    m_nEndTime = static_cast<std::int32_t>(end - m_nEndDate * kMinutesPerDay);
    RewriteControls();
}

void CStartEndControls::RewriteControls() {
    PutOf(m_dtpStartDate.Get(), L"Value", DateOfDay(m_nStartDate));
    PutOf(m_cboStartTime.Get(), L"Text", TimeText(m_nStartTime));
    PutOf(m_dtpEndDate.Get(), L"Value", DateOfDay(m_nEndDate));
    RewriteEndTime();
}

void CStartEndControls::RewriteEndTime() {
    PutOf(m_cboEndTime.Get(), L"Text", TimeText(m_nEndTime));
    PutOf(m_cboEndTime.Get(), L"ToolTipText", DurationText(m_nDuration));
}

std::wstring CStartEndControls::TimeText(std::int32_t nMinutes) const {
    return mLocale_TimeText(nMinutes / 60, nMinutes % 60, m_sTimeFormat, true);
}

std::wstring CStartEndControls::DurationText(std::int64_t nMinutes) {
    const std::int64_t w = nMinutes / 10080, d = (nMinutes % 10080) / 1440, h = (nMinutes % 1440) / 60,
                       m = nMinutes % 60;
    if (w == 0 && d == 0 && m == 30) return ReplaceAll(LangText(L"LID_DURATION_FORMAT2"), L"%h", std::to_wstring(h));
    std::wstring pieces[4];
    {
        const std::wstring sFormat = LangText(L"LID_DURATION_FORMAT");
        std::size_t from = 0;
        for (int i = 0; i < 4 && from <= sFormat.size(); ++i) {
            const auto bar = sFormat.find(L'|', from);
            pieces[i] = sFormat.substr(from, bar == std::wstring::npos ? std::wstring::npos : bar - from);
            from = bar == std::wstring::npos ? sFormat.size() + 1 : bar + 1;
        }
    }
    std::wstring sText;
    const auto add = [&](const std::wstring& piece, const wchar_t* placeholder, std::int64_t value) {
        const std::wstring s = ReplaceAll(piece, placeholder, std::to_wstring(value));
        sText = sText.empty() ? s : sText + L" " + s;
    };
    if (w > 0) add(pieces[0], L"%w", w);
    if (d > 0) add(pieces[1], L"%d", d);
    if (h > 0) add(pieces[2], L"%h", h);
    if (m > 0 || nMinutes == 0) add(pieces[3], L"%m", m);
    return sText;
}

}  // namespace brisko
