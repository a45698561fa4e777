#include "bench/common/StationData.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "lists/PlayList.h"
#include "support/Encoding.h"

namespace benchkit {

namespace {

std::string ReadGzip(const char* path) {
  gzFile file = gzopen(path, "rb");
  if (!file) {
    std::fprintf(stderr, "cannot open %s\n", path);
    std::exit(1);
  }
  std::string out;
  char buffer[65536];
  int n;
  while ((n = gzread(file, buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
  gzclose(file);
  return out;
}

// Rows of a CSV file with quoted fields ("" inside quotes is a quote).
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += text[++i];
      else if (c == '"') quoted = false;
      else field += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(std::move(field));
      field.clear();
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      row.push_back(std::move(field));
      field.clear();
      rows.push_back(std::move(row));
      row.clear();
    } else {
      field += c;
    }
  }
  if (!field.empty() || !row.empty()) {
    row.push_back(std::move(field));
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace

int FillBenchStations(qor::TPlayList& list) {
  auto rows = ParseCsv(ReadGzip(QOR_BENCH_STATIONS));
  int added = 0;
  for (size_t i = 1; i < rows.size(); ++i) {  // row 0 is the header
    if (rows[i].size() < 2) continue;
    list.Add(qor::MakeItem(enc::Utf8ToUtf16(std::to_string(i)), static_cast<int32_t>(i),
                           enc::BytesToWide(rows[i][0]), rows[i][1]));
    ++added;
  }
  return added;
}

}  // namespace benchkit
