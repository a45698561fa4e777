// The full station database of the benchmarks: the 31,611 stations of the
// radio-browser MP3 export, kept compressed in bench/lists/data.
#pragma once

namespace qor {
class TPlayList;
}

namespace benchkit {

// Appends every station (keys and ids 1, 2, ...) and returns their number;
// ends the program with a message when the data cannot be read.
int FillBenchStations(qor::TPlayList& list);

}  // namespace benchkit
