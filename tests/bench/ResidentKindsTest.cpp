// The player bench's account of where resident memory lies: each mapping's
// pages land in one kind, a library's relocated pages apart from its file
// pages, and a library mapped in several parts counts once.
#include "ResidentKinds.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::string Mapping(const std::string& header, long rss, long anonymous) {
  return header + "\nSize:               9999 kB\nRss:                " + std::to_string(rss) +
         " kB\nPss:                  1 kB\nPrivate_Dirty:        " + std::to_string(anonymous) +
         " kB\nAnonymous:          " + std::to_string(anonymous) +
         " kB\nTHPeligible:    0\nVmFlags: rd wr mr mw me ac sd\n";
}

TEST(ResidentKinds, EachMappingLandsInOneKind) {
  std::stringstream smaps;
  smaps << Mapping("5592ad523000-5592ad54a000 r--p 00000000 fe:00 10961847          /opt/qor/bin/qor", 156, 0)
        << Mapping("5592ad54a000-5592ad66f000 r-xp 00027000 fe:00 10961847          /opt/qor/bin/qor", 1000, 0)
        << Mapping("5592ad800000-5592ad900000 rw-p 00000000 00:00 0                  [heap]", 6000, 6000)
        << Mapping("7f0000000000-7f0000100000 r--p 00000000 fe:00 42   /usr/lib/x86_64-linux-gnu/libgtk-3.so.0.2406.32",
                   500, 0)
        << Mapping("7f0000100000-7f0000200000 r--p 00100000 fe:00 42   /usr/lib/x86_64-linux-gnu/libgtk-3.so.0.2406.32",
                   80, 80)
        << Mapping("7f0000200000-7f0000300000 r-xp 00000000 fe:00 43   /usr/lib/x86_64-linux-gnu/libc.so.6", 1600, 24)
        << Mapping("7f0000300000-7f0000400000 rw-p 00000000 00:00 0 ", 800, 800)
        << Mapping("7ffc77b47000-7ffc77b68000 rw-p 00000000 00:00 0                  [stack]", 72, 72)
        << Mapping("7f0000400000-7f0000500000 r--s 00000000 fe:00 44   /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                   600, 0)
        << Mapping("7f0000500000-7f0000600000 r--s 00000000 fe:00 45   /var/cache/fontconfig/abc-le64.cache-8", 60, 0)
        << Mapping("7f0000600000-7f0000700000 rw-s 00000000 00:01 46   /SYSV00000000 (deleted)", 60, 0);
  benchkit::TResidentKinds k = benchkit::ReadResidentKinds(smaps, "/opt/qor/bin/qor");
  EXPECT_EQ(k.ProgramKb, 1156);
  EXPECT_EQ(k.HeapKb, 6000);
  EXPECT_EQ(k.AnonymousKb, 872) << "stacks and unnamed mappings";
  EXPECT_EQ(k.LibraryFileKb, 500 + 1600 - 24);
  EXPECT_EQ(k.LibraryDataKb, 80 + 24);
  EXPECT_EQ(k.Libraries, 2) << "libgtk in two parts is one library";
  EXPECT_EQ(k.FontKb, 600);
  EXPECT_EQ(k.OtherFileKb, 120);
  EXPECT_EQ(k.TotalKb(), 156 + 1000 + 6000 + 580 + 1600 + 800 + 72 + 600 + 60 + 60);
}

}  // namespace
