// Binding, type checking and three-valued evaluation of conditions.
#include "db/sql/condition.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "db/sql/column_value.h"
#include "db/sql/equality_index.h"
#include "db/sql/error.h"
#include "db/sql/like.h"
#include "db/sql/text_compare.h"

namespace sql {
namespace {

enum class Type { kNull, kText, kNumber, kOther, kTruth };
enum class Truth { kFalse, kTrue, kUnknown };

bool IsConditionType(Type t) {
  return t == Type::kTruth || t == Type::kNumber || t == Type::kNull;
}

// Numbers and truth values compare with each other; null with anything.
bool Comparable(Type a, Type b) {
  if (a == Type::kNull || b == Type::kNull) return true;
  if (a == Type::kOther || b == Type::kOther) return false;
  bool a_text = a == Type::kText, b_text = b == Type::kText;
  return a_text == b_text;
}

Type TypeOf(ValueClass value_class) {
  switch (value_class) {
    case ValueClass::kText: return Type::kText;
    case ValueClass::kNumber: return Type::kNumber;
    case ValueClass::kOther: break;
  }
  return Type::kOther;
}

Type Bind(Expr& e, const jet::TableDef& table) {
  switch (e.kind) {
    case ExprKind::kColumn: {
      if (!e.qualifier.empty() && !jet::NamesEqual(e.qualifier, table.name)) {
        RaiseNoSuchColumn(e.qualifier + u"." + e.name);
      }
      auto found = table.FindColumn(e.name);
      if (!found) RaiseNoSuchColumn(e.name);
      e.column = *found;
      return TypeOf(ClassOf(table.columns[e.column].kind));
    }
    case ExprKind::kText: return Type::kText;
    case ExprKind::kNumber: return Type::kNumber;
    case ExprKind::kNull:
    case ExprKind::kParameter: return Type::kNull;
    case ExprKind::kNegate: {
      Type t = Bind(*e.left, table);
      if (t != Type::kNull && t != Type::kNumber && t != Type::kTruth) RaiseTypeMismatch();
      return Type::kNumber;
    }
    case ExprKind::kCompare:
      if (!Comparable(Bind(*e.left, table), Bind(*e.right, table))) RaiseTypeMismatch();
      return Type::kTruth;
    case ExprKind::kAnd:
    case ExprKind::kOr:
      if (!IsConditionType(Bind(*e.left, table)) ||
          !IsConditionType(Bind(*e.right, table))) {
        RaiseTypeMismatch();
      }
      return Type::kTruth;
    case ExprKind::kNot:
      if (!IsConditionType(Bind(*e.left, table))) RaiseTypeMismatch();
      return Type::kTruth;
    case ExprKind::kIsNull:
      Bind(*e.left, table);
      return Type::kTruth;
    case ExprKind::kLike: {
      Type value = Bind(*e.left, table);
      Type pattern = Bind(*e.right, table);
      if (value == Type::kOther || value == Type::kTruth ||
          (pattern != Type::kText && pattern != Type::kNull)) {
        RaiseTypeMismatch();
      }
      return Type::kTruth;
    }
  }
  return Type::kNull;
}

// One operand's value on a row. Text stays in `buffer` or in the statement.
struct Scalar {
  Type type = Type::kNull;
  double number = 0;
  std::u16string_view text;
  std::u16string buffer;
};

Truth Evaluate(const Expr& e, const jet::Row& row);

void EvaluateOperand(const Expr& e, const jet::Row& row, Scalar& out) {
  switch (e.kind) {
    case ExprKind::kColumn: {
      ValueClass value_class = ClassOf(row.table().columns[e.column].kind);
      if (value_class == ValueClass::kText) {
        if (row.GetText(e.column, out.buffer)) {
          out.type = Type::kText;
          out.text = out.buffer;
        }
      } else if (value_class == ValueClass::kNumber) {
        if (ReadNumber(row, e.column, out.number)) out.type = Type::kNumber;
      }
      return;
    }
    case ExprKind::kText:
      out.type = Type::kText;
      out.text = e.text;
      return;
    case ExprKind::kNumber:
      out.type = Type::kNumber;
      out.number = e.number;
      return;
    case ExprKind::kNull:
    case ExprKind::kParameter:
      return;
    case ExprKind::kNegate:
      EvaluateOperand(*e.left, row, out);
      out.number = -out.number;
      return;
    default: {
      Truth truth = Evaluate(e, row);
      if (truth == Truth::kUnknown) return;
      out.type = Type::kNumber;
      out.number = truth == Truth::kTrue ? -1 : 0;
      return;
    }
  }
}

Truth FromBool(bool b) { return b ? Truth::kTrue : Truth::kFalse; }

Truth Compare(CompareOp op, int order) {
  switch (op) {
    case CompareOp::kEqual: return FromBool(order == 0);
    case CompareOp::kNotEqual: return FromBool(order != 0);
    case CompareOp::kLess: return FromBool(order < 0);
    case CompareOp::kLessEqual: return FromBool(order <= 0);
    case CompareOp::kGreater: return FromBool(order > 0);
    case CompareOp::kGreaterEqual: return FromBool(order >= 0);
  }
  return Truth::kUnknown;
}

// A number in the text form LIKE matches it by.
std::u16string NumberText(double number) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.15g", number);
  return std::u16string(buffer, buffer + std::char_traits<char>::length(buffer));
}

Truth Evaluate(const Expr& e, const jet::Row& row) {
  switch (e.kind) {
    case ExprKind::kCompare: {
      Scalar left, right;
      EvaluateOperand(*e.left, row, left);
      if (left.type == Type::kNull) return Truth::kUnknown;
      EvaluateOperand(*e.right, row, right);
      if (right.type == Type::kNull) return Truth::kUnknown;
      int order = 0;
      if (left.type == Type::kText) {
        order = TextCompare(left.text, right.text);
      } else {
        order = left.number < right.number ? -1 : left.number > right.number ? 1 : 0;
      }
      return Compare(e.op, order);
    }
    case ExprKind::kAnd: {
      Truth left = Evaluate(*e.left, row);
      if (left == Truth::kFalse) return left;
      Truth right = Evaluate(*e.right, row);
      if (right == Truth::kFalse) return right;
      return left == Truth::kTrue && right == Truth::kTrue ? Truth::kTrue : Truth::kUnknown;
    }
    case ExprKind::kOr: {
      Truth left = Evaluate(*e.left, row);
      if (left == Truth::kTrue) return left;
      Truth right = Evaluate(*e.right, row);
      if (right == Truth::kTrue) return right;
      return left == Truth::kFalse && right == Truth::kFalse ? Truth::kFalse : Truth::kUnknown;
    }
    case ExprKind::kNot: {
      Truth inner = Evaluate(*e.left, row);
      if (inner == Truth::kUnknown) return inner;
      return FromBool(inner == Truth::kFalse);
    }
    case ExprKind::kIsNull: {
      Scalar value;
      EvaluateOperand(*e.left, row, value);
      return FromBool((value.type == Type::kNull) != e.negated);
    }
    case ExprKind::kLike: {
      Scalar value, pattern;
      EvaluateOperand(*e.left, row, value);
      EvaluateOperand(*e.right, row, pattern);
      if (value.type == Type::kNull || pattern.type == Type::kNull) return Truth::kUnknown;
      if (value.type == Type::kNumber) {
        value.buffer = NumberText(value.number);
        value.text = value.buffer;
      }
      return FromBool(LikeMatch(value.text, pattern.text) != e.negated);
    }
    default: {
      // A number standing as a condition: true when not zero.
      Scalar value;
      EvaluateOperand(e, row, value);
      if (value.type == Type::kNull) return Truth::kUnknown;
      return FromBool(value.number != 0);
    }
  }
}

// The constant value of a literal operand, if it is one.
bool ConstantNumber(const Expr& e, double& out) {
  if (e.kind == ExprKind::kNumber) {
    out = e.number;
    return true;
  }
  if (e.kind == ExprKind::kNegate && ConstantNumber(*e.left, out)) {
    out = -out;
    return true;
  }
  return false;
}

std::optional<Condition::Lookup> FindLookup(const Expr& e,
                                            const jet::TableDef& table) {
  if (e.kind == ExprKind::kAnd) {
    if (auto found = FindLookup(*e.left, table)) return found;
    return FindLookup(*e.right, table);
  }
  if (e.kind != ExprKind::kCompare || e.op != CompareOp::kEqual) return std::nullopt;
  const Expr* column = e.left.get();
  const Expr* constant = e.right.get();
  if (column->kind != ExprKind::kColumn) std::swap(column, constant);
  if (column->kind != ExprKind::kColumn) return std::nullopt;
  ValueClass value_class = ClassOf(table.columns[column->column].kind);
  double number = 0;
  if (value_class == ValueClass::kText && constant->kind == ExprKind::kText) {
    return Condition::Lookup{column->column, EqualityIndex::TextKey(constant->text),
                             constant->text, 0};
  }
  if (value_class == ValueClass::kNumber && ConstantNumber(*constant, number)) {
    return Condition::Lookup{column->column, EqualityIndex::NumberKey(number), u"",
                             number};
  }
  return std::nullopt;
}

}  // namespace

Condition::Condition(std::unique_ptr<Expr> expr, const jet::TableDef& table)
    : expr_(std::move(expr)) {
  if (!IsConditionType(Bind(*expr_, table))) RaiseTypeMismatch();
  lookup_ = FindLookup(*expr_, table);
}

bool Condition::Matches(const jet::Row& row) const {
  return Evaluate(*expr_, row) == Truth::kTrue;
}


}  // namespace sql
