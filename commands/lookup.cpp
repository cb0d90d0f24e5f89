// Number lookup: numindex -> cardtype -> city, into the five result boxes.
#include <string>

#include "codec/number_head.h"
#include "commands/busy.h"
#include "commands/commands.h"
#include "commands/statement.h"

namespace commands {
namespace {

// "对不起，没有查询到这个卡号的归属地" in code page 936.
constexpr char kNotFound[] =
    "\xb6\xd4\xb2\xbb\xc6\xf0\xa3\xac\xc3\xbb\xd3\xd0\xb2\xe9\xd1\xaf\xb5\xbd"
    "\xd5\xe2\xb8\xf6\xbf\xa8\xba\xc5\xb5\xc4\xb9\xe9\xca\xf4\xb5\xd8";

constexpr size_t kHeadBytes = 7;

}  // namespace

void Button1Click(db::TADOQuery& query, const LookupTab& tab, Shell& shell) {
  if (CommandsBusy()) return;
  query.Close();
  query.SQL().Clear();
  const std::string typed = tab.Edit1.Text();
  const std::string head = typed.substr(0, kHeadBytes);
  const std::string encoded = codec::EncodeNumberHead(head);
  query.SQL().Add("select * from numindex where numhead=" + QuotedValue(encoded));
  query.Open();
  if (query.RowCount() == 0) {
    shell.ShowNotice(kNotFound);
    return;
  }
  const int32_t city_key = query.FieldInteger("index");
  const std::string card_type = query.FieldText("cardtype");

  RunStatement(query, "select * from cardtype where cardtype=" + QuotedValue(card_type));
  const std::string description = query.FieldText("describe");

  RunStatement(query, "select * from city where index=" + std::to_string(city_key));
  tab.Edit2.SetText(query.FieldText("sheng"));
  tab.Edit3.SetText(query.FieldText("shi"));
  tab.Edit4.SetText(query.FieldText("youbian"));
  tab.Edit5.SetText("0" + query.FieldText("quhao"));
  tab.Edit6.SetText(description);
}

}  // namespace commands
