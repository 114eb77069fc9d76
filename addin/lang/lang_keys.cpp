#include "addin/lang/lang_keys.h"

namespace brisko {

const std::vector<LangKey>& SystemLangKeys() {
    static const std::vector<LangKey> keys = {
        // Version texts and the product's display name.
        {L"LID_VI_COMMENTS", 0}, {L"LID_VI_FILE_DESCRIPTION", 0}, {L"LID_VI_LEGAL_COPYRIGHT", 0},
        {L"LID_SHORT_DISPLAY_NAME", 0},
        // Quick buttons of explorers and inspectors.
        {L"LID_BTN_QUICK_TASK", 0}, {L"LID_BTN_QUICK_TASK_TT", 0}, {L"LID_BTN_QUICK_APPOINTMENT", 0},
        {L"LID_BTN_QUICK_APPOINTMENT_TT", 0},
        // Ribbon.
        {L"LID_RIBBON_TAB_MAIN", 0}, {L"LID_RIBBON_GRP_MAIN", 0}, {L"LID_RIBBON_BTN_QUICK_TASK", 0},
        {L"LID_RIBBON_BTN_QUICK_TASK_TT", 0}, {L"LID_RIBBON_BTN_QUICK_APPOINTMENT", 0},
        {L"LID_RIBBON_BTN_QUICK_APPOINTMENT_TT", 0}, {L"LID_RIBBON_GRP_FOLDER", 0}, {L"LID_RIBBON_BTN_FOLDER", 0},
        {L"LID_RIBBON_BTN_FOLDER_TT", 1}, {L"LID_RIBBON_MNU_FOLDER", 0}, {L"LID_RIBBON_BTN_FOLDER_PICK", 0},
        {L"LID_RIBBON_MNU_DEFFOLDER", 0}, {L"LID_RIBBON_GRP_MORE", 0}, {L"LID_RIBBON_BTN_HELP", 0},
        {L"LID_RIBBON_BTN_ABOUT", 0},
        // Folder buttons and menus.
        {L"LID_BTN_FOLDER_TT", 1}, {L"LID_MNU_FOLDER", 0}, {L"LID_MNU_FOLDER_TT", 0}, {L"LID_BTN_FOLDER_PICK", 0},
        {L"LID_MNU_SET_DEFAULT_FOLDER", 0}, {L"LID_BTN_ABOUT", 0}, {L"LID_MENU_FOLDER_DEFAULT_POSTFIX", 0},
        {L"LID_MENU_PICK_FOLDER", 0}, {L"LID_MENU_SET_DEFAULT_FOLDER", 0},
        // Messages.
        {L"LID_MSGBOX_RFOLDER_NOT_FOUND", 1}, {L"LID_MSGBOX_SEL_FOLDER", 0}, {L"LID_MSGBOX_SEL_OTHER_FOLDER", 0},
        {L"LID_MSGBOX_SEL_MAIL_FOLDER", 0}, {L"LID_MSGBOX_SEL_CALENDAR_FOLDER", 0},
        {L"LID_MSGBOX_SEL_TASK_FOLDER", 0}, {L"LID_FOLDER_SMALLEST_PATH", 0},
        // Start and end of an appointment.
        {L"LID_START_TIME_INVALID", 0}, {L"LID_END_TIME_INVALID", 0}, {L"LID_DURATION_IS_NEGATIVE", 0},
        {L"LID_DURATION_FORMAT", 0}, {L"LID_DURATION_FORMAT2", 0},
    };
    return keys;
}

}  // namespace brisko
