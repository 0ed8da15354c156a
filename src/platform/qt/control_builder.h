// Turns the template table into real widgets on one parent, placed in dialog units.
#pragma once

#include <QWidget>
#include <map>
#include <vector>

#include "platform/qt/dialog_units.h"

namespace vesperine::qt {

struct BuiltControls {
    std::vector<QWidget*> inTemplateOrder;  // one per row of kControls
    std::map<int, QWidget*> byId;           // the controls that have an id
};

// Builds every control of kControls on parent: its kind, caption, place, styles, radio groups,
// tab order and stacking order (the first row on top).
[[nodiscard]] BuiltControls BuildControls(QWidget& parent, const DialogUnits& units);

// A template caption as shown: "&&" is one "&" and nothing is a mnemonic.
[[nodiscard]] QString ShownCaption(std::string_view caption);

}  // namespace vesperine::qt
