#include "browser/ExternalDispatch.h"

#include <cmath>

#include "core/Encoding.h"
#include "lists/ListFile.h"
#include "support/WStrings.h"

namespace browser {

namespace {

enum TParamType { ptText, ptInteger };

struct TMember {
  std::u16string_view Name;
  TExternalDispatch::TMemberKind Kind;
  std::vector<TParamType> Params;
};

// Methods first, then properties, in the order the pages know them.
const std::vector<TMember>& Members() {
  static const std::vector<TMember> members = {
      {u"Listen", TExternalDispatch::mkMethod, {ptText, ptText, ptText}},
      {u"AddList", TExternalDispatch::mkMethod, {ptText, ptText, ptText}},
      {u"AddUrl", TExternalDispatch::mkMethod, {ptText, ptText}},
      {u"Encode", TExternalDispatch::mkMethod, {ptText}},
      {u"Decode", TExternalDispatch::mkMethod, {ptText}},
      {u"Close", TExternalDispatch::mkMethod, {}},
      {u"SetColor", TExternalDispatch::mkMethod, {ptInteger}},
      {u"Portable", TExternalDispatch::mkProperty, {}},
  };
  return members;
}

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

std::u16string NumberText(double value) {
  if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15)
    return enc::Utf8ToUtf16(std::to_string(static_cast<long long>(value)));
  std::string text = std::to_string(value);
  return enc::Utf8ToUtf16(text);
}

std::u16string AsText(const TScriptValue& value) {
  if (auto* s = std::get_if<std::u16string>(&value)) return *s;
  if (auto* i = std::get_if<std::int32_t>(&value)) return enc::Utf8ToUtf16(std::to_string(*i));
  if (auto* d = std::get_if<double>(&value)) return NumberText(*d);
  if (auto* b = std::get_if<bool>(&value)) return *b ? u"true" : u"false";
  return {};
}

std::int32_t AsInteger(const TScriptValue& value) {
  if (auto* i = std::get_if<std::int32_t>(&value)) return *i;
  if (auto* b = std::get_if<bool>(&value)) return *b ? -1 : 0;
  if (auto* d = std::get_if<double>(&value)) {
    if (!std::isfinite(*d) || *d < -2147483648.0 || *d > 4294967295.0) throw EScriptError("Type mismatch");
    // Colours arrive as unsigned numbers; they keep their 32 bits.
    return static_cast<std::int32_t>(static_cast<std::int64_t>(std::llround(*d)));
  }
  if (auto* s = std::get_if<std::u16string>(&value)) {
    std::string text = enc::Utf16ToUtf8(*s);
    char* end = nullptr;
    long long n = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || n < -2147483648LL || n > 4294967295LL) throw EScriptError("Type mismatch");
    return static_cast<std::int32_t>(n);
  }
  throw EScriptError("Type mismatch");
}

}  // namespace

std::u16string EncodeValue(const std::u16string& value) {
  return enc::Utf8ToUtf16(qor::EncodeText(enc::Utf16ToUtf8(value)));
}

std::u16string DecodeValue(const std::u16string& value) {
  return enc::BytesToWide(qor::DecodeText(enc::Utf16ToUtf8(value)));
}

int TExternalDispatch::GetIDOfName(std::u16string_view name, TMemberKind* kind) {
  const auto& members = Members();
  for (int index = 0; index < static_cast<int>(members.size()); ++index) {
    if (!SameName(members[index].Name, name)) continue;
    if (kind) *kind = members[index].Kind;
    for (size_t slot = 0; slot < FCache.size(); ++slot)
      if (FCache[slot] == index) return 100 + static_cast<int>(slot);
    if (FCache.size() == FCache.capacity()) FCache.reserve(FCache.size() + 10);
    FCache.push_back(index);
    return 100 + static_cast<int>(FCache.size()) - 1;
  }
  if (kind) *kind = mkNone;
  return DISPID_UNKNOWN;
}

TScriptValue TExternalDispatch::Invoke(int dispId, const std::vector<TScriptValue>& args) {
  size_t slot = static_cast<size_t>(dispId - 100);
  if (dispId < 100 || slot >= FCache.size()) throw EScriptError("Member not found");
  int index = FCache[slot];
  const TMember& member = Members()[static_cast<size_t>(index)];
  if (args.size() != member.Params.size()) throw EScriptError("Invalid number of parameters");
  std::vector<std::u16string> text(args.size());
  std::vector<std::int32_t> number(args.size());
  for (size_t i = 0; i < args.size(); ++i) {
    if (member.Params[i] == ptText) text[i] = AsText(args[i]);
    else number[i] = AsInteger(args[i]);
  }
  switch (index) {
    case 0:  // Listen(Id, Name, Url): the Id is not needed to play.
      FHost.ListenTo(text[1], DecodeValue(text[2]));
      return {};
    case 1:  // AddList(Id, Name, Url)
      return static_cast<std::int32_t>(FHost.AddStation(text[0], text[1], DecodeValue(text[2])));
    case 2:  // AddUrl(Name, Url)
      FHost.AddStation(u"", text[0], text[1]);
      return static_cast<std::int32_t>(0);
    case 3:
      return EncodeValue(text[0]);
    case 4:
      return DecodeValue(text[0]);
    case 5:
      FHost.CloseBrowser();
      return {};
    case 6:  // SetColor: the frame keeps its own colours.
      return {};
    case 7:  // Portable: settings always live in the user's folder.
      return false;
    default:
      throw EScriptError("Member not found");
  }
}

TScriptValue TExternalDispatch::Call(std::u16string_view name, const std::vector<TScriptValue>& args) {
  int id = GetIDOfName(name);
  if (id == DISPID_UNKNOWN) throw EScriptError("Unknown name");
  return Invoke(id, args);
}

}  // namespace browser
