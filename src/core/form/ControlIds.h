// The ids of the dialogs' controls: the field table, the dialog layouts, the
// dialog's button wiring and the tests all name a control through these. A
// control's widget is named after its id ("1010"), so the numbers are part of
// what automation and the tests see and must not change.
#pragma once

namespace verdo::control {

// Unscoped, so an id is the int that the tables and the widget names use.
enum Id : int {
  // The About box.
  AboutOk = 1,

  // The main dialog: the form's fields.
  Title = 1010,
  ExtraKeywords = 1028,
  Author = 1029,
  Copyright = 1030,
  Description = 1031,
  NoCache = 1034,
  Global = 1035,  // Distribution's first radio button
  Local = 1036,   // and its second
  Expires = 1037,
  Revisit = 1038,
  NoIndex = 1039,
  NoImageIndex = 1040,
  IndexAll = 1041,
  RedirectUrl = 1045,
  Status = 1052,  // beside the form, not part of it

  // The main dialog: the buttons.
  Exit = 2,
  Uppercase = 1001,
  Lowercase = 1002,
  Randomize = 1003,
  Export = 1004,
  Import = 1005,
  Load = 1006,
  Generate = 1007,
  FirstCapitol = 1032,
  Save = 1033,
  Reverse = 1043,
  Preview = 1047,  // the head block (Utils)
  Totals = 1048,
  TrapPreview = 1049,
  ClearAll = 1050,
  ClearKeywords = 1051,
  Help = 57670,
};

// Keyword N (1 to 16) has id 1011 + N: 1012 to 1027, between Title and
// ExtraKeywords.
constexpr int Keyword(int n) { return 1011 + n; }

}  // namespace verdo::control
