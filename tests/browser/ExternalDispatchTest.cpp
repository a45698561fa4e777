// The page script object without a web view: names, ids, argument
// conversion, errors, and what each member asks of the player.
#include <gtest/gtest.h>

#include "BrowserKit.h"
#include "browser/ExternalDispatch.h"

namespace browsertest {
namespace {

using browser::EScriptError;
using browser::TExternalDispatch;
using browser::TScriptValue;

TEST(ExternalDispatch, NamesMatchWithoutCaseAndKeepTheirIds) {
  TStandInPlayer player;
  TExternalDispatch dispatch(player);
  TExternalDispatch::TMemberKind kind = TExternalDispatch::mkNone;
  int listen = dispatch.GetIDOfName(u"listen", &kind);
  EXPECT_EQ(kind, TExternalDispatch::mkMethod);
  EXPECT_EQ(listen, 100) << "the first name asked for gets the first id";
  EXPECT_EQ(dispatch.GetIDOfName(u"LISTEN"), listen);
  EXPECT_EQ(dispatch.GetIDOfName(u"AddList"), 101);
  EXPECT_EQ(dispatch.GetIDOfName(u"portable", &kind), 102);
  EXPECT_EQ(kind, TExternalDispatch::mkProperty);
  EXPECT_EQ(dispatch.GetIDOfName(u"Eval", &kind), TExternalDispatch::DISPID_UNKNOWN);
  EXPECT_EQ(kind, TExternalDispatch::mkNone);
  EXPECT_EQ(dispatch.GetIDOfName(u"Liste"), TExternalDispatch::DISPID_UNKNOWN) << "no prefix matches";
  // Ids grow past the first block of ten without moving earlier ones.
  for (const char16_t* name : {u"Encode", u"Decode", u"Close", u"SetColor", u"AddUrl"}) dispatch.GetIDOfName(name);
  EXPECT_EQ(dispatch.GetIDOfName(u"addurl"), 107);
  EXPECT_EQ(dispatch.GetIDOfName(u"Listen"), 100);
}

TEST(ExternalDispatch, MembersDecodeAddressesAndAnswerAsThePagesExpect) {
  TStandInPlayer player;
  TExternalDispatch dispatch(player);
  const std::u16string address = u"http://127.0.0.1:8000/canlı/yayın?ş=ğ";
  TScriptValue encoded = dispatch.Call(u"Encode", {address});
  ASSERT_TRUE(std::holds_alternative<std::u16string>(encoded));
  std::u16string text = std::get<std::u16string>(encoded);
  EXPECT_EQ(text.find(u"127.0.0.1"), std::u16string::npos) << "the address travels enciphered";
  EXPECT_EQ(std::get<std::u16string>(dispatch.Call(u"decode", {text})), address);

  dispatch.Call(u"Listen", {u"7", u"Radyo Şen", text});
  ASSERT_EQ(player.Listened.size(), 1u);
  EXPECT_EQ(player.Listened[0][0], u"Radyo Şen");
  EXPECT_EQ(player.Listened[0][1], address);

  // The id may come as a number; it is the favourite's key.
  EXPECT_EQ(std::get<std::int32_t>(dispatch.Call(u"AddList", {42.0, u"Radyo Şen", text})), 0);
  EXPECT_EQ(std::get<std::int32_t>(dispatch.Call(u"AddList", {u"42", u"Radyo Şen", text})), -1);
  ASSERT_EQ(player.Added.size(), 1u);
  EXPECT_EQ(player.Added[0][0], u"42");
  EXPECT_EQ(player.Added[0][2], address);

  // AddUrl takes the plain address and no key; its answer is always 0.
  EXPECT_EQ(std::get<std::int32_t>(dispatch.Call(u"AddUrl", {u"Düz", u"http://127.0.0.1:1/plain"})), 0);
  EXPECT_EQ(player.Added.back(), (std::vector<std::u16string>{u"", u"Düz", u"http://127.0.0.1:1/plain"}));

  EXPECT_EQ(std::get<bool>(dispatch.Call(u"Portable", {})), false);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(dispatch.Call(u"SetColor", {4293685279.0})));
  dispatch.Call(u"close", {});
  EXPECT_EQ(player.Closes, 1);
}

TEST(ExternalDispatch, BadCallsFailWithAMessageAndChangeNothing) {
  TStandInPlayer player;
  TExternalDispatch dispatch(player);
  EXPECT_THROW(dispatch.Call(u"Listen", {u"1", u"Eksik"}), EScriptError);
  EXPECT_THROW(dispatch.Call(u"SetColor", {u"turuncu"}), EScriptError);
  EXPECT_THROW(dispatch.Call(u"SetColor", {1e12}), EScriptError);
  EXPECT_THROW(dispatch.Call(u"Nothing", {}), EScriptError);
  EXPECT_THROW(dispatch.Invoke(99, {}), EScriptError);
  EXPECT_THROW(dispatch.Invoke(150, {}), EScriptError);
  EXPECT_TRUE(player.Listened.empty());
  // Text that was never encoded decodes to nothing; an empty address adds
  // no favourite.
  EXPECT_EQ(std::get<std::u16string>(dispatch.Call(u"Decode", {u"bu şifreli değil"})), u"");
  EXPECT_EQ(std::get<std::int32_t>(dispatch.Call(u"AddList", {u"5", u"Boş", u"AAAA"})), 0);
  ASSERT_EQ(player.Added.size(), 1u);
  EXPECT_EQ(player.Added[0][2], u"") << "passed on as empty, which the window refuses to add";
}

}  // namespace
}  // namespace browsertest
