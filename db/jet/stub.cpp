// Placeholder bodies while the reader is being written.
#include "db/jet/catalog.h"
#include "db/jet/data_page.h"
#include "db/jet/database.h"
#include "db/jet/error.h"
#include "db/jet/header.h"
#include "db/jet/long_value.h"
#include "db/jet/text.h"
#include "db/jet/usage_map.h"
#include "db/jet/values.h"

namespace jet {
namespace {
[[noreturn]] void Todo() { RaiseInvalidArgument("not implemented yet"); }
}  // namespace

std::string FormatCurrency(Currency) { Todo(); }
std::string FormatDecimal(const Decimal&) { Todo(); }
std::string FormatGuid(const Guid&) { Todo(); }
CivilTime ToCivilTime(DateTime) { Todo(); }
std::string FormatDateTime(DateTime) { Todo(); }
const char* ColumnKindName(ColumnKind) { Todo(); }
uint32_t Column::Size() const { Todo(); }
std::optional<size_t> TableDef::FindColumn(std::u16string_view) const { Todo(); }
size_t TableDef::ColumnIndex(std::u16string_view) const { Todo(); }
TableDef ReadTableDef(PageCache&, uint32_t, std::u16string) { Todo(); }
bool NamesEqual(std::u16string_view, std::u16string_view) { Todo(); }
Row Row::Decode(std::shared_ptr<const TableDef>, PageCache*, PageRef,
                std::span<const uint8_t>, RowLocation) { Todo(); }
bool Row::IsNull(size_t) const { Todo(); }
Value Row::Get(size_t) const { Todo(); }
bool Row::GetText(size_t, std::u16string&) const { Todo(); }
bool Row::GetInteger(size_t, int64_t&) const { Todo(); }
bool Row::GetBytes(size_t, Bytes&) const { Todo(); }
std::span<const uint8_t> Row::RawBytes(size_t) const { Todo(); }
RowCursor::RowCursor(PageCache& pages, std::shared_ptr<const TableDef> table)
    : pages_(pages), table_(std::move(table)) {}
bool RowCursor::Next() { Todo(); }
HeaderInfo ReadHeader(PageFile&) { Todo(); }
std::vector<CatalogEntry> ReadCatalog(PageCache&) { Todo(); }
uint16_t SlotCount(const Page&) { Todo(); }
Slot ReadSlot(const Page&, uint16_t) { Todo(); }
std::vector<uint32_t> ReadUsageMap(PageCache&, RowPointer, uint32_t) { Todo(); }
void ReadLongValue(PageCache&, std::span<const uint8_t>, uint32_t, Bytes&) {
  Todo();
}
void DecodeText(std::span<const uint8_t>, std::u16string&) { Todo(); }

Database::Database(std::unique_ptr<PageFile> file, size_t cache_pages)
    : file_(std::move(file)), pages_(*file_, cache_pages) {}
Database::~Database() = default;
std::unique_ptr<Database> Database::Open(const std::filesystem::path& path,
                                         OpenMode mode) {
  return std::make_unique<Database>(OpenPageFile(path, mode));
}
std::vector<std::u16string> Database::TableNames() { Todo(); }
std::vector<std::u16string> Database::SystemTableNames() { Todo(); }
std::shared_ptr<const TableDef> Database::FindTable(std::u16string_view, bool) {
  Todo();
}
std::shared_ptr<const TableDef> Database::GetTable(std::u16string_view, bool) {
  Todo();
}
RowCursor Database::Scan(std::shared_ptr<const TableDef> table) {
  return RowCursor(pages_, std::move(table));
}
std::optional<Row> Database::ReadRow(const std::shared_ptr<const TableDef>&,
                                     RowLocation) {
  Todo();
}
bool Database::RefreshIfChanged() { Todo(); }

}  // namespace jet
