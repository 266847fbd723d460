// How AT-SPI2 elements are presented in the accessibility vocabulary of the panel rules.
//
// AT-SPI role (AtspiRole number)                 AX role          attributes served
// ---------------------------------------------  ---------------  ------------------------------
// application (75)                               "AXApplication"  AXTitle, AXWindows, AXChildren
// frame (23), window (69), dialog (16),          "AXWindow"       AXTitle (the window title),
//   file chooser (19), alert (2)                                    AXChildren
// push button (43), push button menu (129)       "AXButton"       AXTitle, mnemonic underscores
//                                                                   removed ("_Open" -> "Open")
// table (55), tree table (66)                    "AXTable"        AXChildren: one "AXRow" per
//                                                                   table row (below)
// tree (65)                                      "AXOutline"      AXChildren: as for tables
// table row (90)                                 "AXRow"          AXSelected, AXChildren
// text (61), entry (79): editable and not       "AXTextField"    AXValue: the whole text
//   MULTI_LINE (GTK 3 marks its entries                             (Text.GetText 0..-1)
//   SINGLE_LINE; Qt 5 and GTK 4 set no line state)
// text (61), entry (79): any other               "AXTextArea"     AXValue, as above
//   (GTK's multi-line GtkTextView is a text too:
//   a document is no typed file name)
// label (29), static (116)                       "AXStaticText"   AXTitle
// toggle button (62), check box (7)              "AXCheckBox"     AXTitle; AXURL for the checked
//                                                                   button of a GTK path bar (below)
// radio button (44)                              "AXRadioButton"  AXTitle
// list (31), list box (98)                       "AXList"         AXChildren
// list item (32)                                 "AXGroup"        AXTitle, AXChildren
// combo box (11)                                 "AXPopUpButton"  AXTitle, AXChildren; AXURL when
//                                                                   its Name is a folder (below)
// table cell (56)                                "AXCell"         AXTitle
// every other role                               "AXGroup"        AXTitle, AXChildren
//
// Every element's AXTitle is its accessible Name. Every element answers AXSelected from its
// state set (ATSPI_STATE_SELECTED). An element that is not VISIBLE is left out of its parent's
// AXChildren: toolkits keep hidden widgets in the tree (GTK 3's chooser keeps its "Create" and
// "Rename" popovers, with their text entries), and what is not shown is no part of a panel.
// VISIBLE, not SHOWING: a path-bar button scrolled out of view is still part of the path.
//
// Folders. AT-SPI has no file URL of a row or a folder (GTK 3 and Qt 5 expose none). GTK 3's
// path bar shows the folder all the same: a row of toggle buttons, one per path component
// from "File System Root" (or from the home folder's button, labelled with the home folder's
// name) down, the checked one being the folder shown; GTK 3.24 lists them deepest first. The
// checked button answers AXURL with the file URL of the path rebuilt from the buttons, only
// when that path is an existing folder: a volume shown by its label, or a name GTK shortens
// or translates, gives no path that exists, and then no URL is served. Qt's own file dialog
// (QFileDialog without the native dialog) names its folder in its "Look in" combo box: a
// combo box whose Name is the absolute path of an existing folder answers AXURL with it.
//
// Rows of tables. GTK 3 tree views (the file list of GtkFileChooser) and Qt item views expose
// their cells as the table's children, row after row, with no row objects. A table, tree
// table or tree that implements org.a11y.atspi.Table is therefore shown with one synthesised
// "AXRow" child per table row (Table.NRows), selected when Table.GetSelectedRows lists it,
// whose children are one "AXCell" per column (Table.NColumns). A cell's AXTitle is read on
// demand through Table.GetAccessibleAt; a cell that packs several parts (GTK's icon and name
// renderers of one column) has an empty Name of its own, and then its title is the first
// non-empty Name among its parts. A selected row's first cell with a non-empty title is the
// file name. Real table-row objects (role 90), where a toolkit has them, are shown as they are.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ozmi::probe::atspi {

// AtspiRole numbers the layer acts on (atspi-constants.h of at-spi2-core 2.46).
inline constexpr std::uint32_t kRolePushButton = 43;
inline constexpr std::uint32_t kRoleTable = 55;
inline constexpr std::uint32_t kRoleTableCell = 56;
inline constexpr std::uint32_t kRoleText = 61;
inline constexpr std::uint32_t kRoleTree = 65;
inline constexpr std::uint32_t kRoleTreeTable = 66;
inline constexpr std::uint32_t kRoleEntry = 79;
inline constexpr std::uint32_t kRolePushButtonMenu = 129;

inline constexpr std::uint32_t kRoleToggleButton = 62;
inline constexpr std::uint32_t kRoleComboBox = 11;

// AtspiStateType numbers (atspi-constants.h of at-spi2-core 2.46). A state set is GetState's
// "au" as one 64-bit word: state n is bit n.
inline constexpr std::uint32_t kStateActive = 1;
inline constexpr std::uint32_t kStateChecked = 4;
inline constexpr std::uint32_t kStateEditable = 7;
inline constexpr std::uint32_t kStateModal = 16;
inline constexpr std::uint32_t kStateMultiLine = 17;
inline constexpr std::uint32_t kStateSelected = 23;
inline constexpr std::uint32_t kStateShowing = 25;
inline constexpr std::uint32_t kStateSingleLine = 26;
inline constexpr std::uint32_t kStateVisible = 30;

using StateSet = std::uint64_t;
constexpr bool hasState(StateSet states, std::uint32_t state) { return state < 64 && ((states >> state) & 1u) != 0; }

// The AX role for an AtspiRole number and the element's states, as in the table above. Only
// text roles depend on the states.
std::string_view axRole(std::uint32_t atspiRole, StateSet states);

bool isButton(std::uint32_t atspiRole);
// Text and entry roles, which answer AXValue with their text.
bool isText(std::uint32_t atspiRole);
// Tables, tree tables and trees: their rows are synthesised from the Table interface.
bool hasSynthesisedRows(std::uint32_t atspiRole);

// A GTK or Qt label without its mnemonic markers: "_" before a character is dropped, "__" is
// one literal underscore, and a "_" at the very end stays.
std::string withoutMnemonic(std::string_view label);

}  // namespace ozmi::probe::atspi
