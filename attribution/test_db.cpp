// Test databases through the engine's creator and writer.
#include "attribution/test_db.h"

#include "codec/number_head.h"
#include "attribution/schema.h"
#include "db/jet/write/database_creator.h"
#include "db/jet/write/writer.h"

namespace attribution::testing {

std::u16string Scrambled(const std::string& head) {
  return Plain(codec::EncodeNumberHead(head));
}

std::u16string Plain(const std::string& head) {
  return std::u16string(head.begin(), head.end());
}

std::unique_ptr<jet::Database> MakeDatabase(const TestData& data) {
  auto db = jet::NewMemoryDatabase();
  jet::Writer writer(*db);
  attribution::CreateAttributionTables(*db, writer);
  auto city = db->GetTable(u"city");
  auto cardtype = db->GetTable(u"cardtype");
  auto numindex = db->GetTable(u"numindex");
  writer.Begin();
  for (const TestCity& c : data.cities) {
    writer.InsertRow(city, {{city->ColumnIndex(u"index"), c.index},
                            {city->ColumnIndex(u"sheng"), c.sheng},
                            {city->ColumnIndex(u"shi"), c.shi},
                            {city->ColumnIndex(u"youbian"), c.youbian},
                            {city->ColumnIndex(u"quhao"), c.quhao}});
  }
  for (const TestCardType& t : data.card_types) {
    jet::ColumnChanges values = {{cardtype->ColumnIndex(u"describe"), t.describe}};
    if (t.cardtype) values.emplace_back(cardtype->ColumnIndex(u"cardtype"), *t.cardtype);
    writer.InsertRow(cardtype, values);
  }
  for (const TestHead& h : data.heads) {
    jet::ColumnChanges values = {{numindex->ColumnIndex(u"cardtype"), h.cardtype}};
    if (h.numhead) values.emplace_back(numindex->ColumnIndex(u"numhead"), *h.numhead);
    if (h.index) values.emplace_back(numindex->ColumnIndex(u"index"), *h.index);
    writer.InsertRow(numindex, values);
  }
  writer.Commit();
  return db;
}

void SaveDatabase(const TestData& data, const std::filesystem::path& path) {
  auto db = MakeDatabase(data);
  jet::SaveDatabaseImage(jet::DatabaseBytes(*db), path);
}

}  // namespace attribution::testing
