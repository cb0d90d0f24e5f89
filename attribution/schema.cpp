// The application's tables, laid out through jet::CreateTable.
#include "attribution/schema.h"

#include "db/jet/write/table_creator.h"

namespace attribution {
namespace {

jet::ColumnSpec Text(const char16_t* name, uint16_t size) {
  return jet::ColumnSpec{name, jet::ColumnKind::kText, size};
}

jet::ColumnSpec Long(const char16_t* name) {
  return jet::ColumnSpec{name, jet::ColumnKind::kLong};
}

}  // namespace

void CreateAttributionTables(jet::Database& db, jet::Writer& writer,
                             const AttributionSchemaOptions& options) {
  std::vector<jet::IndexSpec> city_indexes;
  std::vector<jet::IndexSpec> numindex_indexes;
  if (options.indexes) {
    city_indexes.push_back({u"PrimaryKey", {u"index"}, /*primary_key=*/true});
    numindex_indexes.push_back({u"numhead", {u"numhead"}});
    numindex_indexes.push_back({u"index", {u"index"}});
  }
  writer.Begin();
  try {
    jet::CreateTable(db, writer, u"city",
                     {Long(u"index"), Text(u"sheng", 50), Text(u"shi", 50),
                      Text(u"youbian", 10), Text(u"quhao", 10)},
                     city_indexes);
    jet::CreateTable(db, writer, u"cardtype",
                     {Text(u"cardtype", 10), Text(u"describe", 50)}, {});
    jet::CreateTable(db, writer, u"numindex",
                     {Text(u"numhead", options.numhead_size), Long(u"index"),
                      Text(u"cardtype", 10)},
                     numindex_indexes);
    writer.Commit();
  } catch (...) {
    writer.Rollback();
    throw;
  }
}

}  // namespace attribution
