// The small JSON reader the stream resolvers use. It is lenient on purpose:
// pages embed their settings as script objects, so unquoted keys, single
// quotes, comments, trailing commas and \x escapes are accepted, and the
// first complete value is taken with whatever follows it ignored. Nesting
// deeper than kMaxDepth fails the parse instead of the stack.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TJsonValue {
 public:
  enum class TKind { Null, Bool, Number, String, Array, Object };
  static constexpr int kMaxDepth = 512;

  TKind Kind() const { return kind_; }
  // Text of a string (UTF-8), or the literal of a number or boolean; empty
  // for null, arrays and objects.
  const std::string& AsString() const { return text_; }
  std::u16string AsWide() const;

  // Elements of an array (0 for anything else).
  std::size_t Length() const { return items_.size(); }
  const TJsonValue& Item(std::size_t index) const { return items_.at(index); }
  // Member of an object; the last one wins when a key repeats.
  const TJsonValue* Member(std::string_view key) const;
  // Dotted path such as "args.video_id"; numeric parts index arrays.
  const TJsonValue* Find(std::string_view path) const;
  // The value at a path as text; empty when the path is missing.
  std::string S(std::string_view path) const;
  std::u16string W(std::string_view path) const;

 private:
  friend class TJsonParser;
  TKind kind_ = TKind::Null;
  std::string text_;
  std::vector<TJsonValue> items_;
  std::vector<std::pair<std::string, TJsonValue>> members_;
};

// Parses the first value of `text`; nullptr when there is none or it is
// malformed before it ends.
std::unique_ptr<TJsonValue> ParseJson(std::string_view text);
std::unique_ptr<TJsonValue> ParseJson(std::u16string_view text);
// Parses the value that a web page embeds after `start`, up to the next
// `end` (a script's "var settings = {...}"); nullptr when a marker is missing
// or the value is malformed.
std::unique_ptr<TJsonValue> ParseJsonBetween(std::string_view page, std::string_view start, std::string_view end);
