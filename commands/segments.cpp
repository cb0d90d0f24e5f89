// Segment listing: every number head of one city, decoded, as "<head>xxxx".
// A city held in several rows (one per postal or area code) lists the heads
// of each row in turn.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "codec/number_head.h"
#include "commands/busy.h"
#include "commands/commands.h"
#include "commands/statement.h"

namespace commands {
namespace {

// "号段生成完毕，共有" and "个号段" in code page 936.
constexpr char kDonePrefix[] =
    "\xba\xc5\xb6\xce\xc9\xfa\xb3\xc9\xcd\xea\xb1\xcf\xa3\xac\xb9\xb2\xd3\xd0";
constexpr char kDoneSuffix[] = "\xb8\xf6\xba\xc5\xb6\xce";

// Shows and enables the memo again when the listing leaves early, so that a
// failure never leaves it hidden with the waiting label uncovered.
class MemoRestorer {
 public:
  explicit MemoRestorer(MemoControl& memo) : memo_(memo) {}
  ~MemoRestorer() {
    if (armed_) Restore();
  }
  MemoRestorer(const MemoRestorer&) = delete;
  MemoRestorer& operator=(const MemoRestorer&) = delete;

  void Restore() {
    armed_ = false;
    memo_.SetEnabled(true);
    memo_.SetVisible(true);
  }

 private:
  MemoControl& memo_;
  bool armed_ = true;
};

}  // namespace

void Button2Click(db::TADOQuery& query, const SegmentTab& tab, Shell& shell) {
  if (CommandsBusy()) return;
  RunStatement(query, "select * from city where sheng=" +
                          QuotedValue(tab.ComboBox1.Text()) +
                          " and shi=" + QuotedValue(tab.ComboBox2.Text()));
  // The key of every matching row, first row first, each key once.
  std::vector<int32_t> city_keys;
  if (query.RowCount() >= 1) {
    while (!query.AtEnd()) {
      const int32_t key = query.FieldInteger("index");
      if (std::find(city_keys.begin(), city_keys.end(), key) == city_keys.end()) {
        city_keys.push_back(key);
      }
      query.Next();
    }
  }
  if (city_keys.empty()) city_keys.push_back(-1);

  RunStatement(query, "select * from numindex where index=" + std::to_string(city_keys[0]));
  MemoRestorer restorer(tab.Memo1);
  tab.Memo1.SetVisible(false);
  tab.Memo1.SetEnabled(false);
  tab.Memo1.ClearLines();
  int64_t count = 0;
  std::string line;
  for (size_t i = 0; i < city_keys.size(); ++i) {
    if (i > 0) {
      RunStatement(query, "select * from numindex where index=" + std::to_string(city_keys[i]));
    }
    if (query.RowCount() > 0) {
      while (!query.AtEnd()) {
        line = codec::DecodeNumberHead(query.FieldText("numhead"));
        line += "xxxx";
        tab.Memo1.AddLine(line);
        query.Next();
      }
      count += query.RowCount();
    }
  }
  restorer.Restore();
  shell.ShowNotice(kDonePrefix + std::to_string(count) + kDoneSuffix);
}

}  // namespace commands
