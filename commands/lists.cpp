// The province list (once, at the first activation) and the city list (at
// every change of the province text).
#include "commands/busy.h"
#include "commands/commands.h"
#include "commands/statement.h"

namespace commands {

void FormActivate(db::TADOQuery& query, const SegmentTab& tab) {
  if (CommandsBusy()) return;
  RunStatement(query, "select distinct sheng from city");
  tab.ComboBox1.ClearItems();
  tab.ComboBox2.ClearItems();
  while (!query.AtEnd()) {
    tab.ComboBox1.AddItem(query.FieldText("sheng"));
    query.Next();
  }
}

void ComboBox1Change(db::TADOQuery& query, const SegmentTab& tab) {
  if (CommandsBusy()) return;
  RunStatement(query, "select shi from city  where sheng=" +
                          QuotedValue(tab.ComboBox1.Text()));
  // Removing the items keeps the text, so the text is emptied first.
  tab.ComboBox2.SetText("");
  tab.ComboBox2.ClearItems();
  while (!query.AtEnd()) {
    tab.ComboBox2.AddItem(query.FieldText("shi"));
    query.Next();
  }
}

}  // namespace commands
