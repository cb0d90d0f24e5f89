// The attribution commands: what each button, the province box and the first
// activation of the window do. Each drives the shared query cursor in a fixed
// order and talks to the window only through the control interface.
// Commands catch nothing: every failure reaches the shell's error report.
#ifndef COMMANDS_COMMANDS_H_
#define COMMANDS_COMMANDS_H_

#include "commands/controls.h"
#include "db/query.h"

namespace commands {

// The controls of the lookup tab.
struct LookupTab {
  TextControl& Edit1;  // the typed number
  TextControl& Edit2;  // province
  TextControl& Edit3;  // city
  TextControl& Edit4;  // postal code
  TextControl& Edit5;  // area code, with its leading "0"
  TextControl& Edit6;  // card type description
};

// The controls of the segment tab.
struct SegmentTab {
  ComboControl& ComboBox1;  // province
  ComboControl& ComboBox2;  // city
  MemoControl& Memo1;       // the listing
};

// Number lookup: the head of Edit1 (its first seven bytes) is found in
// numindex and followed to cardtype and city; the five result boxes are
// written in order, or the not-found notice is shown and they are kept.
// Raises whatever the cursor or the codec raises.
void Button1Click(db::TADOQuery& query, const LookupTab& tab, Shell& shell);

// Fills the province list once, at the window's first activation.
void FormActivate(db::TADOQuery& query, const SegmentTab& tab);

// Fills the city list for the province text; runs on every change of it.
void ComboBox1Change(db::TADOQuery& query, const SegmentTab& tab);

// Lists every number head of the chosen province and city in Memo1, one
// "<head>xxxx" line per row, then shows the count of them all. A city held in
// several city rows lists the heads of each (each key once), first row
// first, each row's in the order the database returns them: the first
// row's statements are those of a city of one row, and a "select * from
// numindex where index=<key>" for each further key follows. On a failure the memo is
// shown and enabled again, with the lines added so far, before the error
// leaves the command.
void Button2Click(db::TADOQuery& query, const SegmentTab& tab, Shell& shell);

// The bulk encoding shows its progress and lets events through once every
// this many rows.
inline constexpr int kRowsPerDrain = 100;

// Bulk number-head encoding: every numindex row whose head is exactly seven
// bytes gets EncodeNumberHead of it, posted row by row; Edit1 shows the head
// of every kRowsPerDrain-th row and waiting events are handled there.
// Refuses, before writing anything, a numhead column too narrow for a
// stored head. While it runs, the other commands do nothing (and it returns
// 0 at once when another is running). Returns the number of rows changed.
int Button3Click(db::TADOQuery& query, TextControl& edit1, Shell& shell);

// The text of a statement value between single quotes, every quote inside
// doubled so that the value is matched literally.
std::string QuotedValue(std::string_view value);

}  // namespace commands

#endif  // COMMANDS_COMMANDS_H_
