// The controls of the two quick dialogs with their design captions and tooltips, as the
// language files' form sections name them.
#pragma once

#include <memory>

#include "addin/forms/forms.h"

namespace brisko::forms {

std::shared_ptr<CForm> MakeQuickTaskDesign();
std::shared_ptr<CForm> MakeQuickAppointmentDesign();

}  // namespace brisko::forms
