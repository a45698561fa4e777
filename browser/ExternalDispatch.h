// TExternalDispatch: the object that the browser's pages reach as
// window.external. Pages look members up by name (case does not matter),
// get a dispatch id, and call them with script values that are converted to
// the declared parameter types; a failure inside a member comes back to the
// page as an exception with this class's name as its source.
//
// The object itself knows nothing of windows or of the web view: what the
// members do to the player goes through TExternalHost.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace browser {

// A value as scripts pass it: undefined, a boolean, a 32-bit integer, a
// number or a text.
using TScriptValue = std::variant<std::monostate, bool, std::int32_t, double, std::u16string>;

// What a page's call did wrong or what failed in the member; the message
// is shown to the page.
class EScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TExternalHost {
 public:
  virtual ~TExternalHost() = default;
  // Plays a station (the address already decoded).
  virtual void ListenTo(const std::u16string& name, const std::u16string& address) = 0;
  // Adds a favourite: -1 when one with the key existed (it is selected), 0
  // otherwise.
  virtual int AddStation(const std::u16string& key, const std::u16string& name, const std::u16string& address) = 0;
  virtual void CloseBrowser() = 0;
};

class TExternalDispatch {
 public:
  static constexpr std::uint32_t DISP_E_UNKNOWNNAME = 0x80020006;
  static constexpr int DISPID_UNKNOWN = -1;
  enum TMemberKind { mkNone = 0, mkMethod = 1, mkProperty = 2 };

  explicit TExternalDispatch(TExternalHost& host) : FHost(host) {}

  // The dispatch id of a member (100 + its place in the cache of names
  // asked for) and its kind; DISPID_UNKNOWN and mkNone for an unknown name.
  int GetIDOfName(std::u16string_view name, TMemberKind* kind = nullptr);
  // Calls a method (or reads a property) by dispatch id. Throws
  // EScriptError for a wrong id, wrong arguments or a failing member.
  TScriptValue Invoke(int dispId, const std::vector<TScriptValue>& args);
  // Both steps by name.
  TScriptValue Call(std::u16string_view name, const std::vector<TScriptValue>& args);

  static const char* ClassName() { return "TExternalDispatch"; }

 private:
  TExternalHost& FHost;
  // Member index per dispatch id (id = 100 + position), grown ten at a time.
  std::vector<int> FCache;
};

// The list-file text cipher as pages use it: wide text in, Base64 out.
std::u16string EncodeValue(const std::u16string& value);
// Empty (or meaningless) for text that was not made by EncodeValue.
std::u16string DecodeValue(const std::u16string& value);

}  // namespace browser
