// The station file (station.ini beside the program, or --station-file FILE):
// the station's name and the labels written on the hub beside its ports.
//
//   station = line 3 west
//   1-1.4 = A4
//   1-1.3 = A3
//
// A label names the mouse in every line, JSON object, log record and on the
// board; a mouse on a port without a label is named by its port, and one whose
// driver library gives no port by its slot.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "device/SlotIdentity.h"

namespace talun::production {

struct StationFile {
    std::string station;                        // empty: none named
    std::map<std::string, std::string> labels;  // port -> label
};

// The file's text read; nothing, with error set ("line N: ..."), for a line
// that is not "key = value", an empty port or label, a port or the station
// named twice, a label used for two ports, or a control character.
std::optional<StationFile> ParseStationFile(const std::string& text, std::string& error);

// The file at path; nothing, with error set (naming the file), when it cannot
// be read or is malformed.
std::optional<StationFile> ReadStationFile(const std::string& path, std::string& error);

// The file named by --station-file (named not empty: it must be there), else
// STATION_FILE_NAME in the first of folders that holds one, else none (an
// empty StationFile). Nothing, with error set, when a file cannot be taken.
inline constexpr char STATION_FILE_NAME[] = "station.ini";
std::optional<StationFile> LoadStationFile(const std::string& named,
                                           const std::vector<std::string>& folders,
                                           std::string& error);

// What a mouse is called: the label of its port, else its port, else "slot N".
std::string MouseName(const StationFile& station, const std::string& port, int slot);

// Who a mouse is, as every line, JSON object and log record names it.
struct MouseTag {
    int slot = 0;
    std::string name;    // MouseName
    std::string label;   // empty: its port has none
    std::string port;    // empty: the library does not say
    std::string serial;  // empty: none, or the library does not say
};
MouseTag TagMouse(const StationFile& station, const std::optional<MouseIdentity>& identity,
                  int slot);

// Why a lot (--lot) cannot be recorded: a line break or another control
// character would break the log's lines and the CSV's rows; else empty.
std::string LotProblem(const std::string& lot);

}  // namespace talun::production
