// The two quick dialogs as designed: every control with its kind, name, index, design caption
// and tooltip, its place and size in twips (in the client area), its tab order, and the default
// and cancel buttons; the dialog's caption and outer size. The language files' form sections
// name these controls; a section's positions (.Left, .dleft, ...) move them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "addin/forms/forms.h"

namespace brisko::forms {

struct ControlDesign {
    std::wstring kind;  // "Label", "TextBox", "SysMonthCal32", ...
    std::wstring name;
    std::optional<int> index;
    std::wstring caption;
    std::wstring toolTipText;
    int left = 0, top = 0, width = 0, height = 0;  // a Line: X1, Y1, X2, Y2
    int tabIndex = 0;
    bool visible = true;
    bool isDefault = false;
    bool isCancel = false;
};

struct FormDesign {
    std::wstring name;
    std::wstring caption;
    int width = 0, height = 0;  // outer size; the client area is CForm::kFrameWidth/kFrameHeight smaller
    std::vector<ControlDesign> controls;  // in the order of the form's Controls
};

const FormDesign& QuickTaskDesign();
const FormDesign& QuickAppointmentDesign();

// Gives a new form (without controls) its design: caption, size and controls.
void ApplyDesign(CForm& form, const FormDesign& design);

// New forms with the design applied (not loaded).
std::shared_ptr<CForm> MakeQuickTaskDesign();
std::shared_ptr<CForm> MakeQuickAppointmentDesign();

}  // namespace brisko::forms
