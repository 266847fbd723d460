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
// text (61), entry (79)                          "AXTextField"    AXValue: the whole text
//                                                                   (Text.GetText 0..-1)
// label (29), static (116)                       "AXStaticText"   AXTitle
// toggle button (62), check box (7)              "AXCheckBox"     AXTitle
// radio button (44)                              "AXRadioButton"  AXTitle
// list (31), list box (98)                       "AXList"         AXChildren
// list item (32)                                 "AXGroup"        AXTitle, AXChildren
// combo box (11)                                 "AXPopUpButton"  AXTitle, AXChildren
// table cell (56)                                "AXCell"         AXTitle
// every other role                               "AXGroup"        AXTitle, AXChildren
//
// Every element's AXTitle is its accessible Name. Every element answers AXSelected from its
// state set (ATSPI_STATE_SELECTED). No element answers AXURL: AT-SPI has no file URL of a
// row or a folder (GTK 3 and Qt 5 expose none), and none is made up from names.
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

// Bit of ATSPI_STATE_SELECTED in the state set (GetState's "au", bit n in word n / 32).
inline constexpr std::uint32_t kStateSelected = 23;

// The AX role for an AtspiRole number, as in the table above.
std::string_view axRole(std::uint32_t atspiRole);

bool isButton(std::uint32_t atspiRole);
bool isTextField(std::uint32_t atspiRole);
// Tables, tree tables and trees: their rows are synthesised from the Table interface.
bool hasSynthesisedRows(std::uint32_t atspiRole);

// A GTK or Qt label without its mnemonic markers: "_" before a character is dropped, "__" is
// one literal underscore, and a "_" at the very end stays.
std::string withoutMnemonic(std::string_view label);

}  // namespace ozmi::probe::atspi
