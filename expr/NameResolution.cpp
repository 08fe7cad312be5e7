// Step 5 of a reduction: every name token becomes a value. A bare name reads
// the dataset's field (or stays its own text); "dataset.field" reads the
// form's dataset component; "form.dataset.field" reads another form's, or
// gives Nil when that form is not open.
#include <cmath>

#include "CodePage.h"
#include "EvalError.h"
#include "Evaluator.h"
#include "ExprDates.h"
#include "Numbers.h"
#include "Reduction.h"
#include "TextUtil.h"

namespace orn {

namespace {
using K = TokenKind;

// The kind and text of a field value.
void FieldToken(const FieldValue& f, Token& t) {
  switch (f.type) {
    case FieldType::String:
    case FieldType::WideString:
    case FieldType::Memo:
      t.kind = K::Str;
      t.text = f.isNull ? std::string() : EvaluatorText(f.text);
      return;
    case FieldType::Boolean:
      // "T"/"F", the evaluator's own boolean texts, so that a true field
      // counts as true.
      t.kind = K::Bool;
      t.text = f.isNull ? std::string() : (f.integer != 0 ? "T" : "F");
      return;
    case FieldType::Float:
      t.kind = K::ParR;
      t.text = f.isNull ? std::string() : FormatGeneral(f.number);
      return;
    case FieldType::Currency:
    case FieldType::Bcd:
      // Money keeps "Par" while it is whole; with cents it is a real, which
      // the integer rules could not read.
      t.kind = !f.isNull && f.number != std::floor(f.number) ? K::ParR : K::Par;
      t.text = f.isNull ? std::string() : FormatGeneral(f.number);
      return;
    case FieldType::Date:
    case FieldType::DateTime:
      t.kind = K::Date;
      t.text = f.isNull ? std::string() : DateTimeText(f.number);
      return;
    case FieldType::Time:
      t.kind = K::Time;
      t.text = f.isNull ? std::string() : TimeText(f.number);
      return;
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::LargeInt:
    case FieldType::AutoInc:
      t.kind = K::Par;
      t.text = f.isNull ? std::string() : std::to_string(f.integer);
      return;
    case FieldType::Other:
      t.kind = K::Par;
      t.text = f.isNull ? std::string() : EvaluatorText(f.text);
      return;
  }
}

FieldValue RequireField(const ExprForm* owner, const std::string& component, const std::string& field) {
  const ExprDataset* dataset = owner != nullptr ? owner->FindDataset(component) : nullptr;
  if (dataset == nullptr) throw EvalError("no dataset " + component);
  std::optional<FieldValue> value = dataset->FieldByName(field);
  if (!value) throw EvalError("no field " + component + "." + field);
  return *value;
}

void Resolve(Token& t, const ExprDataset* dataset, ExprForm* form) {
  const std::string& name = t.text;
  const size_t firstDot = name.find('.');
  if (firstDot == std::string::npos) {
    std::optional<FieldValue> value;
    if (dataset != nullptr) value = dataset->FieldByName(HostText(name));
    if (value)
      FieldToken(*value, t);
    else
      t.kind = K::Str;  // an unknown name is its own text
    return;
  }
  const size_t secondDot = name.find('.', firstDot + 1);
  if (secondDot == std::string::npos) {
    const std::string component = HostText(name.substr(0, firstDot));
    const std::string field = HostText(name.substr(firstDot + 1));
    if (form == nullptr) throw EvalError("no form for " + name);
    // The owner window decides the kind, the form's own component the text.
    Token kindToken, textToken;
    FieldToken(RequireField(FindOwnerForm(form->Name()), component, field), kindToken);
    FieldToken(RequireField(form, component, field), textToken);
    t.kind = kindToken.kind;
    t.text = std::move(textToken.text);
    return;
  }
  if (name.find('.', secondDot + 1) != std::string::npos) throw EvalError("not a field name: " + name);
  ExprForm* owner = FindOwnerForm(HostText(name.substr(0, firstDot)));
  if (owner == nullptr) {
    t.kind = K::Nil;
    t.text.clear();
    return;
  }
  FieldToken(RequireField(owner, HostText(name.substr(firstDot + 1, secondDot - firstDot - 1)),
                          HostText(name.substr(secondDot + 1))),
             t);
}
}  // namespace

ExprForm* FindOwnerForm(const std::string& name) {
  ExprHost* host = CurrentExprHost();
  if (host == nullptr) return nullptr;
  if (!host->MainFormIsMdiFrame()) return host->FindApplicationComponent(name);
  if (UpperAscii(name) == "DATAAPPL") return host->FindApplicationComponent("DataAppl");
  return host->FindMdiChild(name);
}

void ResolveNames(TokenList& w, const ExprDataset* dataset, ExprForm* form) {
  for (size_t i = 0; i < w.size(); ++i) {
    if (w[i].kind == K::Pole) Resolve(w[i], dataset, form);
    if (i > 0 && w[i - 1].kind == K::Comma && w[i].kind == K::Str) w[i].kind = K::ParStr;
  }
}

std::string HostText(const std::string& cp1257) { return IsPlainAscii(cp1257) ? cp1257 : ToUtf8(cp1257, 1257); }
std::string EvaluatorText(const std::string& utf8) { return IsPlainAscii(utf8) ? utf8 : FromUtf8(utf8, 1257); }

}  // namespace orn
