#pragma once
// The practice the appointment dialog is tested on: providers DR1, DR2 and HYG and operatories OP1
// and OP2 in the resource file, flag labels 1 and 3, the patient Smith, Anna with a household
// phone, one status and one type, "today" on Friday 2 January 2026, and services that record
// what a save tells the other workstations and keep notes in memory.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "data/address_record.h"
#include "data/definition_record.h"
#include "data/patient_record.h"
#include "data/resource_records.h"
#include "editing/appointment_edit.h"
#include "lists/definitions.h"
#include "tests/editing/editing_database.h"

namespace editing_test {

inline const PackedDate kToday = QRX_DateIn(2026, 1, 2);

template <typename Record>
inline std::uint32_t addRecord(int file, Record& r) {
  OpenFile f(file);
  EXPECT_NE(QDB_AddRec(f.handle, r.data(), r.size()), 0) << "file " << file;
  return rec::loadU32(r.data() + 2);
}

class ApptEditPractice : public EditingDatabase {
 public:
  void SetUp() override {
    EditingDatabase::SetUp();
    for (const char* code : {"DR1", "DR2", "HYG"}) {
      ProviderRecord p;
      p.setKey(rec::kKindProvider, code);
      addRecord(kResourceFile, p);
    }
    for (const char* code : {"OP1", "OP2"}) {
      OperatoryRecord o;
      o.setKey(rec::kKindOperatory, code);
      addRecord(kResourceFile, o);
    }
    for (const auto& [number, text] : {std::pair{1, "Premed"}, {3, "A label longer than twenty"}}) {
      DefinitionRecord d;
      d.setKey(DefinitionRecord::kFlagLabel, static_cast<std::uint8_t>(number));
      d.setText(text);
      OpenFile f(kDefinitionFile);
      EXPECT_NE(QDB_AddRec(f.handle, d.data(), d.size()), 0);
    }
    AddressRecord home;
    home.setPhone("5551234567");
    PatientRecord p;
    p.setLastName("Smith");
    p.setFirstName("Anna");
    p.setAddressId(addRecord(kAddressFile, home));
    patient_ = addRecord(kPatientFile, p);
    statuses_.define(1, "Here", '2');
    types_.add(1, "Exam");
    env_.today = kToday;
    env_.lockRetry = LockRetry{20, 2};
    env_.services.notifyChange = [this](const ApptChange& c) { changes_.push_back(c); };
    env_.services.showSaved = [this](std::uint32_t) { ++shown_; };
    env_.services.readNote = [this](std::uint32_t id) -> std::optional<std::string> {
      const auto it = notes_.find(id);
      return it == notes_.end() ? std::nullopt : std::optional<std::string>(it->second);
    };
    env_.services.writeNote = [this](std::uint32_t id, const std::string& text, bool) {
      notes_[id] = text;
      return true;
    };
  }

  NewApptRequest slot(PackedDate date = monday()) const {
    NewApptRequest r;
    r.patientId = patient_;
    r.date = date;
    r.time = PackedTime{9, 0};
    r.provider = "DR1";
    r.operatory = "OP1";
    return r;
  }
  // A new appointment saved through the dialog, Monday 9:00, 30 minutes; changes forgotten.
  std::uint32_t saveNew(PackedTime start = {9, 0}) {
    AppointmentEdit e(env_);
    NewApptRequest r = slot();
    r.time = start;
    e.openNew(r);
    e.form().length = "30";
    e.form().description = "Exam";
    const ApptCommandResult result = e.ok();
    EXPECT_EQ(result.step, ApptStep::kClose);
    EXPECT_EQ(result.closeCode, 1);
    changes_.clear();
    shown_ = 0;
    prompter_.clearRecord();
    return e.savedId();
  }
  // Every prompt so far, a catalogue message as "#number", a literal one as its text.
  std::vector<std::string> prompts() const {
    std::vector<std::string> out;
    for (const auto& a : prompter_.asked()) {
      out.push_back(a.prompt.messageNumber != 0 ? "#" + std::to_string(a.prompt.messageNumber)
                                                : a.prompt.text);
    }
    return out;
  }
  std::vector<std::vector<std::uint8_t>> addresses() {
    return snapshot(kAddressFile, AddressRecord::kSize);
  }

  StatusTable statuses_;
  TypeTable types_;
  ApptEditEnv env_{prompter_, practice_, providers_, statuses_, types_};
  std::uint32_t patient_ = 0;
  std::vector<ApptChange> changes_;
  int shown_ = 0;
  std::map<std::uint32_t, std::string> notes_;
};

}  // namespace editing_test
