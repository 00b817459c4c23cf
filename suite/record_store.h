#pragma once
// Reading and writing one record by a unique key, each call in a short session of its own
// (internal to this folder). Every component of the folder keeps one record per owner (a note,
// a patient's alerts, an appointment's lab case links), so one record is the unit that must be
// read, replaced and deleted whole, under its lock, while other workstations do the same.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace suite_store {

using Bytes = std::vector<std::uint8_t>;

// A record held locked at another workstation is tried again this often, with this pause in
// between, before 42 is reported. Holders keep such a lock for one write, so a second is ample.
inline constexpr int kLockTries = 100;
inline constexpr int kLockPauseMs = 10;

// The key bytes of a 32-bit identifier.
std::array<std::uint8_t, 4> idKey(std::uint32_t id);

// Reads the record whose key `key` equals `keyBytes`: the whole record, tail included for a
// variable-length file. 0, 101 when there is none, or the database's error. Takes no lock.
int readRecord(int key, std::span<const std::uint8_t> keyBytes, Bytes* out);

// Replaces the record whose unique key `key` equals `keyBytes`, or adds it when there is none.
// The stored record is locked first; `build` gets it (null when there is none) and returns the
// whole record to store, which must carry the same key. When another workstation adds the
// record between the look-up and the add, the add fails on the unique key and the record it
// added is locked and rewritten instead. Returns 0 or the database's error (42 after the tries).
int putRecord(int key, std::span<const std::uint8_t> keyBytes,
              const std::function<Bytes(const Bytes* stored)>& build);

// Rewrites the record only when it exists (101 otherwise), under its lock, as putRecord.
int updateRecord(int key, std::span<const std::uint8_t> keyBytes,
                 const std::function<Bytes(const Bytes& stored)>& build);

// Deletes the record, locked first. 0 also when there was none.
int deleteRecord(int key, std::span<const std::uint8_t> keyBytes);

// Adds a new record to the file of `key` (the database gives its identifier, written back into
// `record`). 0 or the database's error.
int addRecord(int key, Bytes* record);

}  // namespace suite_store
