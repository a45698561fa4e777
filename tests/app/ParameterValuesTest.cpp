// Values of the command line written as the next argument, as in
// qor -record -name "Test Radyo" -duration 00:00:05 -action close: they are
// the switches' values and no files to open.
#include <gtest/gtest.h>

#include "app/ParameterList.h"

namespace {

using app::TParameterList;

TEST(ParameterValuesTest, ValuesFollowTheirSwitchAndAreNoTargets) {
  TParameterList list({u"-record", u"-NAME", u"Test Radyo", u"-duration", u"00:00:05", u"-action", u"close",
                       u"-time", u"20:00:00", u"-volume", u"40", u"kayit.mp3"});
  EXPECT_EQ(list.Name().Value, u"Test Radyo");
  EXPECT_EQ(list.Duration().Value, u"00:00:05");
  EXPECT_EQ(list.Action().Value, u"close");
  EXPECT_EQ(list.Time().Value, u"20:00:00");
  EXPECT_EQ(list.VolumeValue(25), 40);
  EXPECT_DOUBLE_EQ(list.DurationValue(), 5.0 / 86400);
  EXPECT_EQ(list.Targets(), std::vector<std::u16string>{u"kayit.mp3"});
  EXPECT_TRUE(list.Record().Present);
  EXPECT_EQ(list.Record().Value, u"");

  // A switch after it is no value; "=" still wins; -play takes none.
  TParameterList mixed({u"-name", u"-mute", u"-action=stop", u"-play", u"liste.rpf"});
  EXPECT_TRUE(mixed.Name().Present);
  EXPECT_EQ(mixed.Name().Value, u"");
  EXPECT_TRUE(mixed.Mute().Present);
  EXPECT_EQ(mixed.Action().Value, u"stop");
  EXPECT_EQ(mixed.Play().Value, u"");
  EXPECT_EQ(mixed.Targets(), std::vector<std::u16string>{u"liste.rpf"});
}

}  // namespace
