// What the main window is beneath its controls: the connection, the cursor
// and the data source it owns, made and destroyed in their order, and the
// five handlers, each handing its work to the commands. A renderer owns one,
// gives it the commands' view of its controls and calls the handlers from
// its events.
#ifndef UI_FORM_CORE_H_
#define UI_FORM_CORE_H_

#include <memory>

#include "commands/controls.h"
#include "db/connection.h"
#include "db/query.h"

namespace ui {

// DataSource1: a data source bound to ADOQuery1; no control reads it.
struct TDataSource {
  db::TADOQuery* DataSet;
};

// The commands' view of the window's controls, named after them.
struct FormControlViews {
  commands::TextControl& Edit1;
  commands::TextControl& Edit2;
  commands::TextControl& Edit3;
  commands::TextControl& Edit4;
  commands::TextControl& Edit5;
  commands::TextControl& Edit6;
  commands::ComboControl& ComboBox1;
  commands::ComboControl& ComboBox2;
  commands::MemoControl& Memo1;
};

class FormCore {
 public:
  // Makes ADOConnection1 (closed), ADOQuery1 on it, with parameter checking
  // off (the commands' quoted values go to the engine as they are, whatever
  // quotes or colons they hold), and DataSource1.
  FormCore();
  // Destroys DataSource1, then ADOQuery1 (closing it), then ADOConnection1
  // (closing it).
  ~FormCore();
  FormCore(const FormCore&) = delete;
  FormCore& operator=(const FormCore&) = delete;

  // Opens ADOConnection1; raises what the connection raises (a missing or
  // damaged file), which the window reports and then carries on closed.
  void OpenConnection();

  // The handlers. `shell` serves the notice boxes and the draining of events;
  // for Button3Click it also disables the command controls while the
  // encoding lets events through.
  void Button1Click(FormControlViews& controls, commands::Shell& shell);
  void Button2Click(FormControlViews& controls, commands::Shell& shell);
  void FormActivate(FormControlViews& controls);
  void ComboBox1Change(FormControlViews& controls);
  void Button3Click(FormControlViews& controls, commands::Shell& shell);

  std::unique_ptr<db::TADOConnection> ADOConnection1;
  std::unique_ptr<db::TADOQuery> ADOQuery1;
  std::unique_ptr<TDataSource> DataSource1;
};

}  // namespace ui

#endif  // UI_FORM_CORE_H_
