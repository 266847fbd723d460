#include "atspi_roles_linux.h"

namespace ozmi::probe::atspi {

std::string_view axRole(std::uint32_t atspiRole, StateSet states) {
  switch (atspiRole) {
    case 75: return "AXApplication";
    case 23: case 69: case 16: case 19: case 2: return "AXWindow";
    case kRolePushButton: case kRolePushButtonMenu: return "AXButton";
    case kRoleTable: case kRoleTreeTable: return "AXTable";
    case kRoleTree: return "AXOutline";
    case 90: return "AXRow";
    case kRoleText: case kRoleEntry: {
      // SINGLE_LINE is not required: Qt 5 and GTK 4 set neither line state on their one-line
      // entries (a file dialog's name field among them), only MULTI_LINE on documents.
      const bool field = hasState(states, kStateEditable) && !hasState(states, kStateMultiLine);
      return field ? "AXTextField" : "AXTextArea";
    }
    case 29: case 116: return "AXStaticText";
    case kRoleToggleButton: case 7: return "AXCheckBox";
    case 44: return "AXRadioButton";
    case 31: case 98: return "AXList";
    case kRoleComboBox: return "AXPopUpButton";
    case kRoleTableCell: return "AXCell";
    default: return "AXGroup";
  }
}

bool isButton(std::uint32_t atspiRole) {
  return atspiRole == kRolePushButton || atspiRole == kRolePushButtonMenu;
}

bool isText(std::uint32_t atspiRole) { return atspiRole == kRoleText || atspiRole == kRoleEntry; }

bool hasSynthesisedRows(std::uint32_t atspiRole) {
  return atspiRole == kRoleTable || atspiRole == kRoleTreeTable || atspiRole == kRoleTree;
}

std::string withoutMnemonic(std::string_view label) {
  std::string out;
  out.reserve(label.size());
  for (std::size_t i = 0; i < label.size(); ++i) {
    if (label[i] == '_' && i + 1 < label.size()) {
      ++i;  // the marker goes; the character after it (a second "_" included) stays
    }
    out += label[i];
  }
  return out;
}

}  // namespace ozmi::probe::atspi
