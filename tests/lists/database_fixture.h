#pragma once
// The practice database of a test with the access layer over it, and quick ways to put
// appointments and definitions in.

#include <cstdint>
#include <string>

#include "data/access_layer.h"
#include "data/appointment_record.h"
#include "data/definition_record.h"
#include "data/schema.h"
#include "platform/qrx/scripted_prompter.h"
#include "tests/data/practice_database.h"

class ListDatabase : public PracticeDatabase {
 protected:
  void SetUp() override {
    PracticeDatabase::SetUp();
    ASSERT_EQ(db_.startSession(), 0);
  }
  void TearDown() override {
    db_.endSession();
    PracticeDatabase::TearDown();
  }

  // A scheduled appointment of the date, in operatory `op` with provider `prov`.
  std::uint32_t addScheduled(PackedDate date, const std::string& op, const std::string& prov,
                             int hour, int minute, const std::string& name,
                             std::uint8_t kind = AppointmentRecord::kFixed) {
    AppointmentRecord a;
    a.schedule(date, op, static_cast<std::uint8_t>(hour), static_cast<std::uint8_t>(minute));
    a.setProvider(prov);
    a.setName(name);
    a.setLength(30);
    a.setScheduleKind(kind);
    return add(kAppointmentFile, a);
  }

  // An appointment on the Unscheduled list since `listDate`.
  std::uint32_t addUnscheduled(PackedDate listDate, const std::string& prov,
                               const std::string& name) {
    AppointmentRecord a;
    a.unschedule();
    a.setListDate(listDate);
    a.setProvider(prov);
    a.setName(name);
    a.setStatus(AppointmentRecord::kStatusWillCall);
    return add(kAppointmentFile, a);
  }

  void addDefinition(std::uint8_t kind, std::uint8_t number, const std::string& text) {
    DefinitionRecord d;
    d.setKey(kind, number);
    d.setText(text);
    add(kDefinitionFile, d);
  }
  void addStatus(std::uint8_t number, const std::string& name, char colour,
                 const std::string& colourText = "") {
    DefinitionRecord d;
    d.setKey(DefinitionRecord::kApptStatus, number);
    d.setStatusColourCode(colour);
    d.setStatusName(name);
    d.setStatusColourText(colourText);
    add(kDefinitionFile, d);
  }

  AccessLayer db_;
  ScriptedPrompter prompter_;
};
