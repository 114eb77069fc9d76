// CStartEndControls couples the quick appointment dialog's start date picker, start time box, end
// date picker and end time box into one start/end editor: moving the start moves the end by the
// same amount, changing the end changes the duration, and an end before the start is refused.
// The controls are reached late bound, as a form's code reaches them: the date pickers by
// Value and Enabled with the event "OnChange"; the time boxes (editable drop-down combo boxes) by
// Text, AddItem, RemoveItem, ListCount, List, ItemData, Enabled, ToolTipText and SetFocus with
// the events "Click", "Validate", "DropDown" and "Change". It logs as "CTimeCombobox".
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "automation/object.h"

namespace brisko {

class CStartEndControls : public std::enable_shared_from_this<CStartEndControls> {
public:
    static std::shared_ptr<CStartEndControls> Create();
    ~CStartEndControls();
    CStartEndControls(const CStartEndControls&) = delete;
    CStartEndControls& operator=(const CStartEndControls&) = delete;

    // Binds the four controls and shows the start and start + nDuration minutes.
    void Init(const ObjectPtr& dtpStartDate, const ObjectPtr& cboStartTime, const ObjectPtr& dtpEndDate,
              const ObjectPtr& cboEndTime, Date dtStart, std::int32_t nDuration);
    // Releases the four controls and their events.
    void Done() noexcept;
    // Checks the entered values; with bShowMessages, a failure shows why.
    bool IsValid(bool bShowMessages);
    // Takes the entered values into start, end and duration.
    void Apply();
    // Date + time of the start and of the end; the dates alone in all-day mode.
    Date StartDateTime() const;
    Date EndDateTime() const;
    bool DateOnly() const noexcept { return m_bDateOnly; }
    void SetDateOnly(bool bDateOnly);

    // Minutes from start to end.
    std::int64_t Duration() const noexcept { return m_nDuration; }

    // "1 wk 1 d 1 h 1 min": the duration in the current language's words.
    static std::wstring DurationText(std::int64_t nMinutes);

private:
    struct Token {};

public:
    explicit CStartEndControls(Token) {}

private:
    enum class Control { StartDate, StartTime, EndDate, EndTime };

    void OnEvent(Control control, std::wstring_view event, Args& args);
    void StartDateChanged();
    void StartTimeChanged();
    void EndTimeChanged();
    void EndDateChanged();
    void TimeDropDown(const ObjectPtr& box);
    // Start, end and the controls.
    void SetStart(std::int64_t nStartMinutes);
    void RewriteControls();
    void RewriteEndTime();
    std::wstring TimeText(std::int32_t nMinutes) const;

    WithEvents m_dtpStartDate;
    WithEvents m_cboStartTime;
    WithEvents m_dtpEndDate;
    WithEvents m_cboEndTime;
    // Dates as day numbers of the automation DATE (midnight), times as minutes since midnight.
    std::int64_t m_nStartDate = 0;
    std::int32_t m_nStartTime = 0;
    std::int64_t m_nEndDate = 0;
    std::int32_t m_nEndTime = 0;
    std::int64_t m_nDuration = 0;  // 64-bit: any two dates of the pickers are apart by less
    std::wstring m_sTimeFormat;
    bool m_bDateOnly = false;
    bool m_bUpdating = false;
};

}  // namespace brisko
