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
      const bool singleLine = hasState(states, kStateSingleLine) && !hasState(states, kStateMultiLine);
      return singleLine && hasState(states, kStateEditable) ? "AXTextField" : "AXTextArea";
    }
    case 29: case 116: return "AXStaticText";
    case kRoleToggleButton: case 7: return "AXCheckBox";
    case 44: return "AXRadioButton";
    case 31: case 98: return "AXList";
    case 11: return "AXPopUpButton";
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
