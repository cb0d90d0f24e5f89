// Each handler is the one place its command is called from.
#include "ui/form_core.h"

#include "commands/commands.h"

namespace ui {

FormCore::FormCore() {
  ADOConnection1 = std::make_unique<db::TADOConnection>("ADOConnection1");
  ADOQuery1 = std::make_unique<db::TADOQuery>(*ADOConnection1, "ADOQuery1");
  ADOQuery1->SetParamCheck(false);
  DataSource1 = std::make_unique<TDataSource>(TDataSource{ADOQuery1.get()});
}

FormCore::~FormCore() {
  DataSource1.reset();
  ADOQuery1.reset();
  ADOConnection1.reset();
}

void FormCore::OpenConnection() { ADOConnection1->Open(); }

void FormCore::Button1Click(FormControlViews& c, commands::Shell& shell) {
  commands::Button1Click(*ADOQuery1, {c.Edit1, c.Edit2, c.Edit3, c.Edit4, c.Edit5, c.Edit6},
                         shell);
}

void FormCore::Button2Click(FormControlViews& c, commands::Shell& shell) {
  commands::Button2Click(*ADOQuery1, {c.ComboBox1, c.ComboBox2, c.Memo1}, shell);
}

void FormCore::FormActivate(FormControlViews& c) {
  commands::FormActivate(*ADOQuery1, {c.ComboBox1, c.ComboBox2, c.Memo1});
}

void FormCore::ComboBox1Change(FormControlViews& c) {
  commands::ComboBox1Change(*ADOQuery1, {c.ComboBox1, c.ComboBox2, c.Memo1});
}

void FormCore::Button3Click(FormControlViews& c, commands::Shell& shell) {
  commands::Button3Click(*ADOQuery1, c.Edit1, shell);
}

}  // namespace ui
