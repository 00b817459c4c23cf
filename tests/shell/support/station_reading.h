#pragma once
// Reads a workstation's record the way another routine of the program would: in a short session
// of its own, without locks.

#include <cstdint>
#include <optional>

#include "contracts/qdb.h"
#include "data/schema.h"
#include "data/short_session.h"
#include "data/station_record.h"

namespace shelltest {

// The record of workstation `code`, or nothing when it has none or the file cannot be read.
// REQUIRES: the database is open in this process.
inline std::optional<StationRecord> readStation(std::uint8_t code) {
  ShortSession s(kStationFile);
  StationRecord station;
  if (s.handle() == 0 ||
      QDB_FindRec(s.handle(), kStationByCode, &code, 1, station.data(), station.size()) != 1) {
    return std::nullopt;
  }
  return station;
}

}  // namespace shelltest
