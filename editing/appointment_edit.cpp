#include "editing/appointment_edit.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>

#include "contracts/qdb.h"
#include "data/address_record.h"
#include "data/definition_record.h"
#include "data/patient_record.h"
#include "data/record_readers.h"
#include "data/resource_records.h"
#include "data/schema.h"
#include "data/short_session.h"
#include "data/station_record.h"
#include "lists/definitions.h"
#include "schedule/time_entry.h"

namespace {

constexpr std::size_t kNameWidth = 30;
constexpr int kAddressWriteMessage = 3164;
constexpr int kDatabaseWriteMessage = 3208;
constexpr std::uint16_t kStoredFlagBits = 0x0FFF;

std::string trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

std::string cut(std::string_view text, std::size_t width) {
  return std::string(text.substr(0, width));
}

std::array<std::uint8_t, 4> idKey(std::uint32_t id) {
  std::array<std::uint8_t, 4> key{};
  rec::storeU32(key.data(), id);
  return key;
}

std::string dateText(PackedDate date) {
  char text[16] = {};
  if (date != kNoDate) QRX_FormatNDate2000(text, sizeof text, date);
  return text;
}

std::string packedName(std::string_view last, std::string_view first, std::string_view initial) {
  char name[64] = {};
  QRX_PackName(name, sizeof name, last, first, initial, static_cast<int>(kNameWidth));
  return name;
}

// The household phone of a patient: the phone of the address record the patient links to.
std::string householdPhone(const PatientRecord& patient) {
  AddressRecord address;
  return readAddressById(patient.addressId(), &address) ? address.phone() : std::string();
}

void applyPerson(const NewPersonData& person, AddressRecord* address) {
  address->setStreet1(person.street1);
  address->setStreet2(person.street2);
  address->setCity(person.city);
  address->setState(person.state);
  address->setZip(person.zip);
  address->setPhone(person.phone);
}

// Stores the person's address: rewritten when *id names a record that is still there, else
// added (and *id set). Returns 0 or the database error.
int writePersonAddress(const NewPersonData& person, std::uint32_t* id) {
  ShortSession s(kAddressFile);
  if (s.handle() == 0)
    return s.session() == 0 ? kQdbNotInitialised : QDB_GetLastErrorNum(s.session());
  AddressRecord record;
  if (*id != 0) {
    const auto key = idKey(*id);
    const QdbHandle update = QDB_StartUpdate(s.handle(), 2, kAddressById, key.data(), key.size(),
                                             record.data(), record.size());
    if (update != 0) {
      applyPerson(person, &record);
      return QDB_CommitUpdate(update) != 0 ? kQdbOk : QDB_GetLastErrorNum(s.session());
    }
    const int error = QDB_GetLastErrorNum(s.session());
    if (error != kQdbNotFound) return error;
    record = AddressRecord{};  // removed meanwhile: the person gets a record again
  }
  applyPerson(person, &record);
  if (QDB_AddRec(s.handle(), record.data(), record.size()) == 0) {
    return QDB_GetLastErrorNum(s.session());
  }
  *id = record.identifier();
  return kQdbOk;
}

void deleteAddress(std::uint32_t id) {
  ShortSession s(kAddressFile);
  if (s.handle() == 0) return;
  AddressRecord record;
  const auto key = idKey(id);
  if (QDB_FindRec(s.handle(), kAddressById, key.data(), key.size(), record.data(), record.size()) !=
      0) {
    QDB_DeleteCurRec(s.handle());
  }
}

// Rewrites the stored appointment's name, phone and address link, provided it is still as
// `expected`. Returns 0, kQdbNotFound when it changed or went, or the database error.
int rewritePersonOfAppointment(const AppointmentRecord& expected, const AppointmentRecord& wanted) {
  ShortSession s(kAppointmentFile);
  if (s.handle() == 0)
    return s.session() == 0 ? kQdbNotInitialised : QDB_GetLastErrorNum(s.session());
  AppointmentRecord held;
  const auto key = idKey(expected.identifier());
  const QdbHandle update =
      QDB_StartUpdate(s.handle(), 2, kApptById, key.data(), key.size(), held.data(), held.size());
  if (update == 0) return QDB_GetLastErrorNum(s.session());
  if (!held.sameBytes(expected)) {
    QDB_AbortUpdate(update);
    return kQdbNotFound;
  }
  held.load(wanted.bytes());
  return QDB_CommitUpdate(update) != 0 ? kQdbOk : QDB_GetLastErrorNum(s.session());
}

NewPersonData personOf(const AppointmentRecord& appt) {
  NewPersonData p;
  char last[32] = {}, first[32] = {}, initial[8] = {};
  QRX_UnpackName(appt.name(), last, sizeof last, first, sizeof first, initial, sizeof initial);
  p.last = last;
  p.first = first;
  p.initial = initial;
  p.phone = appt.phone();
  AddressRecord address;
  if (readAddressById(appt.addressId(), &address)) {
    p.street1 = address.street1();
    p.street2 = address.street2();
    p.city = address.city();
    p.state = address.state();
    p.zip = address.zip();
  }
  return p;
}

std::string personName(const NewPersonData& p) { return packedName(p.last, p.first, p.initial); }

std::string codeText(const std::string& stored) {
  std::string code = stored;
  code.erase(code.find_last_not_of(' ') + 1);
  return code;
}

bool sameCode(const std::string& a, const std::string& b) { return codeText(a) == codeText(b); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Free pieces

bool parseApptTime(std::string_view text, int blockMinutes, PackedTime* out) {
  const std::string t = trim(text.substr(0, std::min<std::size_t>(text.size(), 8)));
  if (t.size() < 4) return false;
  const std::optional<std::int32_t> unit = parseEnteredTime(t, blockMinutes);
  // 24:00 ends a day; no appointment starts there.
  if (!unit || *unit < 0 || *unit >= kUnitsPerDay) return false;
  out->hour = static_cast<std::uint8_t>(*unit / 12);
  out->minute = static_cast<std::uint8_t>(*unit % 12 * kMinutesPerUnit);
  return true;
}

std::string apptTimeText(PackedTime time) {
  char text[16] = {};
  const int meridian = QRX_FormatPackTime(text, sizeof text, time, kTime12Hour);
  if (meridian == 0) return {};
  return trim(text) + (meridian == kTimeAm ? "am" : "pm");
}

std::string apptAmountText(std::uint32_t cents) {
  char text[24];
  std::snprintf(text, sizeof text, "%u.%02u", cents / 100, cents % 100);
  return text;
}

void nextStart(PackedDate* date, PackedTime* time, int length) {
  constexpr int kDayMinutes = 24 * 60;
  int total = time->hour * 60 + time->minute + std::max(length, 0);
  const int days = total / kDayMinutes;
  total %= kDayMinutes;
  if (*date != kNoDate) *date += static_cast<PackedDate>(days);
  time->hour = static_cast<std::uint8_t>(total / 60);
  time->minute = static_cast<std::uint8_t>(total % 60);
}

int patternMinutes(const std::array<std::uint8_t, 6>& pattern, int slotMinutes) {
  AppointmentRecord probe;
  probe.setPattern(pattern);
  int used = 0;
  for (std::size_t k = 0; k < AppointmentRecord::kPatternSlots; ++k) {
    if (probe.patternSlot(k) != 0) used = static_cast<int>(k) + 1;
  }
  return used * slotMinutes;
}

std::vector<ResourceChoice> readResourceChoices(std::uint8_t kind) {
  std::vector<ResourceChoice> out;
  ShortSession s(kResourceFile);
  if (s.handle() == 0) return out;
  std::array<std::uint8_t, 9> key{kind};
  ProviderRecord record;  // operatories share the key and the description's place
  QdbHandle set = QDB_StartSet(s.handle(), kResourceByKindCode, 0, key.data(), key.size(),
                               record.data(), record.size(), 1);
  if (set == 0) return out;
  do {
    if (kind == rec::kKindProvider && record.leftOut() != 0) continue;
    ResourceChoice c;
    c.code = codeText(record.code());
    if (kind == rec::kKindOperatory) {
      OperatoryRecord op;
      op.load(record.bytes());
      c.name = op.description();
    } else {
      c.name = packedName(record.lastName(), record.firstName(), record.middleInitial());
    }
    out.push_back(std::move(c));
  } while (QDB_NextRecInSet(set, record.data(), record.size()) != 0);
  QDB_EndSet(set);
  return out;
}

bool resourceExists(std::uint8_t kind, std::string_view code) {
  const std::string c = trim(code);
  if (c.empty() || c.size() > rec::kCodeWidth) return false;
  ShortSession s(kResourceFile);
  if (s.handle() == 0) return false;
  std::array<std::uint8_t, 9> key{kind};
  rec::storeCode(key.data() + 1, c);
  ResourceRecord record;
  const QdbHandle set = QDB_StartSet(s.handle(), kResourceByKindCode, 0, key.data(), key.size(),
                                     record.data(), record.size(), 1 + rec::kCodeWidth);
  if (set == 0) return false;
  QDB_EndSet(set);
  return true;
}

bool patientHasUnscheduledAppt(std::uint32_t patientId) {
  if (patientId == 0) return false;
  ShortSession s(kAppointmentFile);
  if (s.handle() == 0) return false;
  const auto key = idKey(patientId);
  AppointmentRecord appt;
  const QdbHandle set = QDB_StartSet(s.handle(), kApptByPatient, 0, key.data(), key.size(),
                                     appt.data(), appt.size(), key.size());
  if (set == 0) return false;
  bool found = false;
  do {
    found = appt.unscheduled();
  } while (!found && QDB_NextRecInSet(set, appt.data(), appt.size()) != 0);
  QDB_EndSet(set);
  return found;
}

bool checkNewPerson(Prompter& prompter, NewPersonData* person) {
  NewPersonData& p = *person;
  p.last = cut(trim(p.last), 20);
  p.first = cut(trim(p.first), 15);
  p.initial = cut(trim(p.initial), 1);
  for (char& c : p.initial) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  p.street1 = cut(trim(p.street1), 30);
  p.street2 = cut(trim(p.street2), 30);
  p.city = cut(trim(p.city), 25);
  p.state = cut(trim(p.state), 20);
  p.zip = cut(trim(p.zip), 14);
  if (p.last.empty()) {
    QRX_Message(prompter, kMsgNoLastName);
    return false;
  }
  if (p.first.empty()) {
    QRX_Message(prompter, kMsgNoFirstName);
    return false;
  }
  char digits[32] = {};
  if (QRX_StripPhone(p.phone, digits, sizeof digits) < 0) {
    Prompt stop;
    stop.caption = kApptListCaption;
    stop.text = kInvalidPhoneText;
    stop.icon = PromptIcon::kExclamation;
    prompter.ask(stop);
    return false;
  }
  p.phone = digits;
  return true;
}

ApptEditSettings readApptEditSettings() {
  ApptEditSettings s;
  char text[16] = {};
  QRX_GetProfileString("GENERAL", "DEF_PROV", "", text, sizeof text);
  s.defaultProvider = cut(trim(text), rec::kCodeWidth);
  QRX_GetProfileString("GENERAL", "DEF_OP", "", text, sizeof text);
  s.defaultOperatory = cut(trim(text), rec::kCodeWidth);
  s.defaultSchedule = QRX_GetProfileInt("APPTBOOK", "DefaultSchedule", 0);
  s.defaultType = QRX_GetProfileInt("APPTBOOK", "DefaultType", 0);
  s.defaultStatus = QRX_GetProfileInt("APPTBOOK", "DefaultStatus", 0);
  s.alwaysCalculate = QRX_GetProfileInt("APPTBOOK", "AlwaysCalculate", 1, kDataProfile) != 0;
  return s;
}

// ---------------------------------------------------------------------------------------------
// Opening

AppointmentEdit::AppointmentEdit(ApptEditEnv& env) : env_(env) {}

int AppointmentEdit::blockMinutes() const { return env_.practice.blockMinutes; }

void AppointmentEdit::reset() {
  form_ = ApptForm{};
  opening_ = working_ = edited_ = AppointmentRecord{};
  isNew_ = true;
  nextPrepared_ = changed_ = amountChanged_ = noteMissing_ = noteModified_ = privacy_ = false;
  mode_ = Mode::kNormal;
  patientName_.clear();
  currentPhone_.clear();
  person_ = NewPersonData{};
  addedAddress_ = 0;
  links_ = LabCaseLinks{};
  careType_ = 0;
  fillLists();
  loadFlagLabels();
}

void AppointmentEdit::fillLists() {
  statusItems_.clear();
  statusItems_.push_back({kStatusNoneText, 0});
  for (const StatusDefinition& d : env_.statuses.defined()) {
    std::string name = d.name;
    if (!name.empty() && name.back() == ' ') name.pop_back();
    if (d.number == 0 || name.empty()) continue;  // 0 is "<none>"
    statusItems_.push_back({name, d.number, d.colour.red, d.colour.green, d.colour.blue});
  }
  statusItems_.push_back({kStatusCompleteText, AppointmentRecord::kStatusComplete, 127, 127, 127});
}

std::vector<std::string> AppointmentEdit::typeItems() const {
  std::vector<std::string> items{kStatusNoneText};
  for (const ApptType& t : env_.types.types()) items.push_back(t.name);
  return items;
}

void AppointmentEdit::loadFlagLabels() {
  flagLabels_ = {};
  ShortSession s(kDefinitionFile);
  if (s.handle() == 0) {
    if (s.session() != 0) {
      QRX_MessageBox(env_.prompter, kStyleError, kMsgDefinitionsUnreadable,
                     QDB_GetLastErrorNum(s.session()), kDefinitionFile);
    }
    return;
  }
  const std::array<std::uint8_t, 2> prefix{DefinitionRecord::kFlagLabel, 0};
  DefinitionRecord d;
  const QdbHandle set = QDB_StartSet(s.handle(), kDefinitionByKindNumber, 0, prefix.data(),
                                     prefix.size(), d.data(), d.size(), 1);
  int error = set == 0 ? QDB_GetLastErrorNum(s.session()) : kQdbOk;
  if (set != 0) {
    do {
      const std::string text = cut(d.text(), kFlagLabelLength);
      if (d.number() >= 1 && d.number() <= kFlagBoxes && !trim(text).empty()) {
        flagLabels_[d.number() - 1u] = text;
      }
    } while (QDB_NextRecInSet(set, d.data(), d.size()) != 0);
    error = QDB_GetLastErrorNum(s.session());
    QDB_EndSet(set);
  }
  if (error != kQdbOk && error != kQdbNotFound) {
    QRX_MessageBox(env_.prompter, kStyleError, kMsgDefinitionsUnreadable, error, kDefinitionFile);
  }
}

void AppointmentEdit::fillFromRecord(const AppointmentRecord& a) {
  form_.date = dateText(a.date());
  form_.operatory = a.operatoryKind() == rec::kKindOperatory ? codeText(a.operatoryCode()) : "";
  form_.staff = a.staffKind() == rec::kKindStaff ? codeText(a.staffCode()) : "";
  form_.provider = a.providerKind() == rec::kKindProvider ? codeText(a.providerCode()) : "";
  form_.description = a.description();
  form_.amount = apptAmountText(a.amount());
  form_.time = (a.startHour() == 0 && a.startMinute() == 0) ? "" : apptTimeText(a.startTime());
  form_.length = std::to_string(a.length());
  form_.pattern = a.pattern();
  form_.scheduleKind = a.scheduleKind();
  form_.type = a.type();
  // A stored status the practice no longer names keeps an entry of its own, so that saving
  // does not quietly turn it into "<none>".
  const int status = a.status();
  form_.status = 0;
  if (status == AppointmentRecord::kStatusComplete || status <= 15) form_.status = status;
  const bool listed = std::any_of(statusItems_.begin(), statusItems_.end(),
                                  [&](const StatusItem& i) { return i.value == form_.status; });
  if (!listed) {
    statusItems_.insert(statusItems_.end() - 1, {"#" + std::to_string(status), status});
  }
  form_.flags = a.flags() & kStoredFlagBits;
  form_.setAmount = a.amountSetByHand();
  form_.reasonUpdatesCare = a.reasonUpdatesCare() || isNew_;
  form_.labCase = a.labCase();
}

void AppointmentEdit::readPatient() {
  privacy_ = false;
  if (!hasPatient()) {
    patientName_ = isNew_ ? personName(person_) : working_.name();
    return;
  }
  PatientRecord patient;
  if (readPatientById(patientId(), &patient)) {
    patientName_ = packedName(patient.lastName(), patient.firstName(), patient.middleInitial());
    privacy_ = patient.phonePrivate();
    currentPhone_ = householdPhone(patient);
  } else {
    patientName_ = working_.name();
    currentPhone_ = working_.phone();
  }
}

bool AppointmentEdit::openExisting(std::uint32_t id) {
  reset();
  AppointmentRecord appt;
  if (!readAppointmentById(id, &appt)) return false;
  isNew_ = false;
  opening_ = working_ = appt;
  fillFromRecord(appt);
  if (!hasPatient()) person_ = personOf(appt);
  readPatient();
  std::optional<std::string> note;
  if (env_.services.readNote) note = env_.services.readNote(id);
  // Without the note component there is no note to miss (nor one that could be made).
  noteMissing_ = notesAvailable() && !note.has_value();
  form_.note = note.value_or("");
  if (hasPatient() && env_.services.readCaseLinks) {
    links_ = env_.services.readCaseLinks(id);
    if (!links_.empty()) form_.labCase = true;
  }
  amountAtOpening_ = form_.amount;
  return true;
}

void AppointmentEdit::openNew(const NewApptRequest& request) {
  reset();
  isNew_ = true;
  AppointmentRecord appt;
  appt.setPatientId(request.patientId);
  const std::string provider =
      request.provider.empty() ? env_.settings.defaultProvider : request.provider;
  appt.setProvider(cut(trim(provider), rec::kCodeWidth));
  if (request.date != kNoDate) {
    const PackedTime t = request.time.value_or(PackedTime{});
    appt.schedule(request.date, "", t.hour, t.minute);
  }
  appt.setScheduleKind(static_cast<std::uint8_t>(std::clamp(env_.settings.defaultSchedule, 0, 2)));
  appt.setType(static_cast<std::uint8_t>(
      std::clamp(env_.settings.defaultType, 0, static_cast<int>(env_.types.types().size()))));
  // Until the reasons say otherwise, the provider is busy for the whole appointment: the safe
  // side for double-booking checks.
  for (std::size_t k = 0; k < AppointmentRecord::kPatternSlots; ++k) {
    appt.setPatternSlot(k, AppointmentRecord::kProviderTime);
  }
  if (request.patientId == 0 && request.person) {
    person_ = *request.person;
    appt.setName(personName(person_));
    appt.setPhone(person_.phone);
  }
  opening_ = working_ = appt;
  fillFromRecord(appt);
  const std::string op =
      request.operatory.empty() ? env_.settings.defaultOperatory : request.operatory;
  form_.operatory = cut(trim(op), rec::kCodeWidth);
  form_.time = request.time && request.date != kNoDate ? apptTimeText(*request.time) : "";
  const int statusIndex = env_.settings.defaultStatus;
  form_.status = statusIndex >= 0 && static_cast<std::size_t>(statusIndex) < statusItems_.size()
                     ? statusItems_[static_cast<std::size_t>(statusIndex)].value
                     : 0;
  form_.reasonUpdatesCare = true;
  form_.amount = apptAmountText(0);
  noteMissing_ = notesAvailable();
  careType_ = request.careType;
  readPatient();
  amountAtOpening_ = form_.amount;
}

std::string AppointmentEdit::title() const {
  std::string t = nextPrepared_ ? "New " : "";
  t += kApptDialogTitle;
  t += " - (" + patientName_ + ")";
  if (!hasPatient()) t += "<New Patient>";
  if (privacy_) t += " - PRIVACY REQUESTS";
  return t;
}

std::string AppointmentEdit::phoneText() const {
  char text[32] = {};
  QRX_FormatPhone(text, sizeof text, hasPatient() ? currentPhone_ : person_.phone);
  return text;
}

// ---------------------------------------------------------------------------------------------
// Events

void AppointmentEdit::amountLeft() {
  if (form_.amount != amountOnEntry_) amountChanged_ = true;
}

void AppointmentEdit::refreshPatientPhone() {
  if (!hasPatient()) return;
  PatientRecord patient;
  if (readPatientById(patientId(), &patient)) currentPhone_ = householdPhone(patient);
}

std::string AppointmentEdit::noteStamp() const {
  return std::string(kNoteStampLine) + dateText(env_.currentDate()) + " " + kNoteStampLine;
}

int AppointmentEdit::ask(const char* caption, const char* text, PromptButtons buttons,
                         PromptIcon icon) {
  Prompt p;
  p.caption = caption;
  p.text = text;
  p.buttons = buttons;
  p.icon = icon;
  return env_.prompter.ask(p);
}

void AppointmentEdit::stop(const char* text) {
  ask(kApptListCaption, text, PromptButtons::kOk, PromptIcon::kExclamation);
}

// ---------------------------------------------------------------------------------------------
// OK and its relatives

ApptCommandResult AppointmentEdit::ok() { return save(false); }

ApptCommandResult AppointmentEdit::scheduleNext() { return save(true); }

ApptCommandResult AppointmentEdit::waitWillCall() {
  if (ask(kApptBookCaption, kMoveToUnscheduledQuestion, PromptButtons::kYesNo, PromptIcon::kNone) !=
      kIdYes) {
    return {};
  }
  mode_ = Mode::kMoving;
  form_.operatory.clear();
  form_.date.clear();
  form_.time.clear();
  changed_ = true;
  return save(false);
}

ApptCommandResult AppointmentEdit::unscheduleDirect() {
  mode_ = Mode::kDirectUnschedule;
  form_.operatory.clear();
  form_.date.clear();
  form_.time.clear();
  changed_ = true;
  return save(false);
}

ApptCommandResult AppointmentEdit::closeAfterChange() {
  ApptCommandResult r;
  r.step = ApptStep::kClose;
  r.closeCode = savedId_ != 0 ? 1 : 0;
  return r;
}

bool AppointmentEdit::concurrentChangeTest() {
  AppointmentRecord stored;
  if (readAppointmentById(opening_.identifier(), &stored) && stored.sameBytes(opening_)) {
    return true;
  }
  ask(kApptListCaption, kChangedElsewhereText, PromptButtons::kOk, PromptIcon::kExclamation);
  return false;
}

ApptCommandResult AppointmentEdit::save(bool next) {
  if (!next) {
    if (amountChanged_ && !form_.setAmount) {
      if (ask(kSetAmountCaption, kSetAmountQuestion, PromptButtons::kYesNo,
              PromptIcon::kQuestion) == kIdYes) {
        form_.setAmount = true;
      } else {
        form_.amount = amountAtOpening_;
        amountChanged_ = false;
      }
    }
  }
  working_.setAmountSetByHand(form_.setAmount);
  if (!isNew_) {
    if (!concurrentChangeTest()) return closeAfterChange();
    if (next) QRX_BuildApptAudit(opening_.data(), working_.data(), AppointmentRecord::kSize);
  }
  if (const std::optional<ApptField> back = buildEdited()) return {ApptStep::kStay, *back, 0};

  SchedulingContext ctx(env_.prompter, env_.practice, env_.providers);
  ctx.lockRetry = env_.lockRetry;
  ctx.shownAppointment = env_.services.shownAppointment;
  ctx.refreshShownAppointment = env_.services.refreshShownAppointment;
  // The rules compare the stored record with the bytes this dialog read, so a change made
  // elsewhere after the test above is still caught under the record's lock.
  const RulesResult saved = SaveApptWithRules(ctx, isNew_, opening_, edited_);
  if (!saved) {
    mode_ = Mode::kNormal;
    if (saved.outcome == RulesOutcome::kChangedElsewhere) {
      ask(kApptListCaption, kChangedElsewhereText, PromptButtons::kOk, PromptIcon::kExclamation);
      return closeAfterChange();
    }
    if (saved.outcome == RulesOutcome::kDatabaseError) {
      QRX_MessageBox(env_.prompter, kStyleError, kDatabaseWriteMessage, saved.error,
                     kAppointmentFile);
    }
    return {};
  }
  const std::uint32_t id = saved.appointmentId;
  edited_.setIdentifier(id);
  addedAddress_ = 0;  // now the saved appointment's own

  const bool noteWasMissing = noteMissing_;
  if (notesAvailable() && (noteMissing_ || noteModified_)) {
    if (env_.services.writeNote(id, form_.note, noteMissing_)) {
      noteMissing_ = false;
    } else {
      // The appointment stands; the desk must know that its note did not, or it is lost unseen.
      ask(kApptListCaption, kNoteNotStoredText, PromptButtons::kOk, PromptIcon::kExclamation);
    }
  }
  if (hasPatient() && env_.services.writeCaseLinks) env_.services.writeCaseLinks(id, links_);
  if (!isNew_ && mode_ != Mode::kDirectUnschedule) {
    QRX_BuildApptAudit(opening_.data(), edited_.data(), AppointmentRecord::kSize);
  }
  const bool anyChange = isNew_ || noteWasMissing || noteModified_ || !edited_.sameBytes(working_);
  notifyChanges(working_, anyChange);

  working_ = edited_;
  saved_ = edited_;
  savedId_ = id;
  if (next) {
    if (env_.services.showPatientAlerts) {
      env_.services.showPatientAlerts(patientId(), kAlertsNewAppointment);
    }
    turnIntoNext();
    return {ApptStep::kNextAppointment, ApptField::kNone, 0};
  }
  return {ApptStep::kClose, ApptField::kNone, 1};
}

std::optional<ApptField> AppointmentEdit::buildEdited() {
  const PackedDate today = env_.currentDate();
  edited_ = working_;
  edited_.setUnitSize(static_cast<std::uint8_t>(env_.practice.timeBlockCode));
  edited_.setReasonUpdatesCare(form_.reasonUpdatesCare);
  if (isNew_) {
    edited_.setStatus(1);
  } else if (edited_.status() == AppointmentRecord::kStatusBroken) {
    edited_.setStatus(1);
  }

  PackedDate date = kNoDate;
  const std::string dateTyped = trim(form_.date);
  if (!dateTyped.empty()) {
    if (QRX_ParseDate(dateTyped, &date) != 1) {
      QRX_Message(env_.prompter, kMsgBadDate);
      return ApptField::kDate;
    }
    if (isNew_ && date < today && QRX_Message(env_.prompter, kMsgPastDate) == 2) {
      return ApptField::kDate;
    }
  }

  const std::string provider = trim(form_.provider);
  if (!resourceExists(rec::kKindProvider, provider)) {
    stop(kInvalidProviderText);
    return ApptField::kProvider;
  }
  edited_.setProvider(provider);
  edited_.setStaff(cut(trim(form_.staff), rec::kCodeWidth));

  if (const std::optional<ApptField> back = buildPlacement(date)) return back;

  int length = 0;
  const std::string lengthText = trim(form_.length);
  const auto [end, error] =
      std::from_chars(lengthText.data(), lengthText.data() + lengthText.size(), length);
  if (error != std::errc() || end != lengthText.data() + lengthText.size() || length <= 0 ||
      length > INT16_MAX) {
    stop(kInvalidLengthText);
    return ApptField::kLength;
  }
  if (length > kLongLength && ask(kApptListCaption, kLongLengthQuestion, PromptButtons::kYesNo,
                                  PromptIcon::kExclamation) != kIdYes) {
    return ApptField::kLength;
  }
  edited_.setLength(static_cast<std::int16_t>(length));

  edited_.setPattern(form_.pattern);
  edited_.setScheduleKind(static_cast<std::uint8_t>(std::clamp(form_.scheduleKind, 0, 2)));
  edited_.setType(static_cast<std::uint8_t>(std::clamp(form_.type, 0, 255)));
  std::string description = cut(form_.description, kDescriptionLimit);
  description.erase(description.find_last_not_of(" \t") + 1);
  if (trim(description).empty()) {
    stop(kInvalidDescriptionText);
    return ApptField::kDescription;
  }
  edited_.setDescription(description);
  std::uint32_t cents = 0;
  const std::string amount = trim(form_.amount);
  if (!amount.empty() && QRX_ParseMoney(amount, &cents) != 1) {
    stop(kInvalidAmountText);
    return ApptField::kAmount;
  }
  edited_.setAmount(cents);
  edited_.setLabCase(form_.labCase || !links_.empty());

  if (const std::optional<ApptField> back = buildPerson()) return back;

  edited_.setFlags(static_cast<std::uint16_t>((working_.flags() & ~kStoredFlagBits) |
                                              (form_.flags & kStoredFlagBits)));

  if (!isNew_ && mode_ != Mode::kDirectUnschedule) {
    const bool changedNow = mode_ == Mode::kMoving
                                ? working_.status() != AppointmentRecord::kStatusWillCall
                                : !edited_.sameBytes(working_);
    if (changedNow) edited_.setLastChange(today);
  }
  return std::nullopt;
}

std::optional<ApptField> AppointmentEdit::buildPlacement(PackedDate date) {
  const PackedDate today = env_.currentDate();
  if (date != kNoDate) {
    const std::string op = trim(form_.operatory);
    if (!resourceExists(rec::kKindOperatory, op)) {
      stop(kInvalidOperatoryText);
      return ApptField::kOperatory;
    }
    PackedTime start;
    if (!parseApptTime(form_.time, blockMinutes(), &start)) {
      QRX_Message(env_.prompter, kMsgBadTime);
      return ApptField::kTime;
    }
    edited_.schedule(date, op, start.hour, start.minute);
    edited_.setStatus(static_cast<std::uint8_t>(form_.status));
    return std::nullopt;
  }
  if (mode_ == Mode::kNormal) {
    QRX_Message(env_.prompter, kMsgNoDate);
    return ApptField::kDate;
  }
  edited_.unschedule();
  if (mode_ == Mode::kDirectUnschedule) {
    edited_.setStatus(isNew_ ? static_cast<std::uint8_t>(form_.status) : working_.status());
  } else {
    edited_.setStatus(AppointmentRecord::kStatusWillCall);
  }
  if (isNew_ || edited_.listDate() == kNoDate) edited_.setListDate(today);
  return std::nullopt;
}

std::optional<ApptField> AppointmentEdit::buildPerson() {
  if (hasPatient()) {
    PatientRecord patient;
    if (readPatientById(patientId(), &patient)) {
      edited_.setName(packedName(patient.lastName(), patient.firstName(), patient.middleInitial()));
      currentPhone_ = householdPhone(patient);
      edited_.setPhone(currentPhone_);
    }
    return std::nullopt;
  }
  edited_.setName(personName(person_));
  edited_.setPhone(person_.phone);
  std::uint32_t address = isNew_ ? addedAddress_ : working_.addressId();
  if (!isNew_ && address == 0) return std::nullopt;
  if (const int error = writePersonAddress(person_, &address); error != kQdbOk) {
    QRX_MessageBox(env_.prompter, kStyleError, kAddressWriteMessage, error, kAddressFile);
    return ApptField::kNone;
  }
  if (isNew_) addedAddress_ = address;
  edited_.setAddressId(address);
  return std::nullopt;
}

void AppointmentEdit::notifyChanges(const AppointmentRecord& before, bool anyChange) {
  if (!anyChange) return;
  const AppointmentRecord& after = edited_;
  const std::uint32_t id = after.identifier();
  auto post = [&](std::uint16_t kind, const AppointmentRecord& a) {
    if (a.date() == kNoDate || !env_.services.notifyChange) return;
    env_.services.notifyChange(
        {kind, a.date(), codeText(a.operatoryCode()), codeText(a.providerCode()), id});
  };
  if (isNew_) {
    post(StationRecord::kAdded, after);
  } else if (before.date() != after.date()) {
    post(StationRecord::kRemoved, before);
    post(StationRecord::kAdded, after);
  } else {
    post(StationRecord::kChanged, after);
    // A workstation that shows only the old operatory or provider must lose the row too.
    if (!sameCode(before.operatoryCode(), after.operatoryCode()) ||
        !sameCode(before.providerCode(), after.providerCode())) {
      post(StationRecord::kChanged, before);
    }
  }
  if (env_.services.showSaved) env_.services.showSaved(id);
  if (env_.services.refreshWaitingLists) env_.services.refreshWaitingLists();
}

void AppointmentEdit::turnIntoNext() {
  const AppointmentRecord& last = saved_;
  PackedDate date = last.date();
  PackedTime start = last.startTime();
  nextStart(&date, &start, last.length());

  AppointmentRecord next = last;
  next.setIdentifier(0);
  next.setLength(0);
  next.setDescription("");
  next.setAmount(0);
  next.setAmountSetByHand(false);
  next.setLabCase(false);
  next.setLastChange(kNoDate);
  next.setAddressId(0);
  for (std::size_t i = 0; i < AppointmentRecord::kReasonCount; ++i) next.setReason(i, 0, 0);
  if (date != kNoDate) {
    next.schedule(date, codeText(last.operatoryCode()), start.hour, start.minute);
  }

  isNew_ = true;
  nextPrepared_ = true;
  changed_ = amountChanged_ = noteModified_ = false;
  noteMissing_ = notesAvailable();
  mode_ = Mode::kNormal;
  links_ = LabCaseLinks{};
  opening_ = working_ = next;
  fillFromRecord(next);
  if (date != kNoDate) form_.time = apptTimeText(start);
  const int statusIndex = env_.settings.defaultStatus;
  form_.status = statusIndex >= 0 && static_cast<std::size_t>(statusIndex) < statusItems_.size()
                     ? statusItems_[static_cast<std::size_t>(statusIndex)].value
                     : 0;
  form_.amount.clear();
  form_.note.clear();
  amountAtOpening_ = form_.amount;
}

// ---------------------------------------------------------------------------------------------
// Cancel and the side buttons

ApptCommandResult AppointmentEdit::cancel() {
  const bool anything = changed_ || noteModified_ || amountChanged_;
  if (anything && ask(kCancelCaption, kCancelQuestion, PromptButtons::kYesNo,
                      PromptIcon::kExclamation) != kIdYes) {
    return {};
  }
  if (addedAddress_ != 0) {
    deleteAddress(addedAddress_);
    addedAddress_ = 0;
  }
  QRX_SetOverrideToLoggedIn();
  ApptCommandResult r;
  r.step = ApptStep::kClose;
  r.closeCode = savedId_ != 0 ? 1 : (anything ? 2 : 0);
  return r;
}

bool AppointmentEdit::findTime() {
  if (!env_.services.findTime) return false;
  AppointmentRecord wanted;
  wanted.setUnitSize(static_cast<std::uint8_t>(env_.practice.timeBlockCode));
  wanted.setProvider(cut(trim(form_.provider), rec::kCodeWidth));
  // A length the field cannot give counts as none: Find Time then searches for one block.
  int length = 0;
  const std::string lengthText = trim(form_.length);
  const auto [end, error] =
      std::from_chars(lengthText.data(), lengthText.data() + lengthText.size(), length);
  if (error != std::errc() || end != lengthText.data() + lengthText.size() || length > INT16_MAX) {
    length = 0;
  }
  wanted.setLength(static_cast<std::int16_t>(length));
  wanted.setPattern(form_.pattern);
  wanted.setType(static_cast<std::uint8_t>(std::clamp(form_.type, 0, 255)));
  PackedDate from = kNoDate;
  if (QRX_ParseDate(trim(form_.date), &from) != 1) from = kNoDate;
  wanted.schedule(from, cut(trim(form_.operatory), rec::kCodeWidth), 0, 0);
  if (!env_.services.findTime(&wanted, from)) return false;

  form_.date = dateText(wanted.date());
  form_.time = apptTimeText(wanted.startTime());
  form_.operatory = codeText(wanted.operatoryCode());
  form_.provider = codeText(wanted.providerCode());
  changed_ = true;
  return true;
}

bool AppointmentEdit::attachCases() {
  if (!hasPatient() || !env_.services.attachCases) return false;
  const std::string typed = trim(form_.provider);
  const std::string provider =
      resourceExists(rec::kKindProvider, typed) ? typed : codeText(working_.providerCode());
  LabCaseLinks links = links_;
  if (env_.services.attachCases(patientId(), provider, &links) == 0) return false;
  links_ = std::move(links);
  if (!links_.empty()) form_.labCase = true;
  changed_ = true;
  return true;
}

bool AppointmentEdit::patientInfo() {
  if (hasPatient()) {
    if (env_.services.startFamilyModule) env_.services.startFamilyModule(patientId());
    return false;
  }
  if (!env_.services.editNewPerson) return false;
  NewPersonData person = person_;
  if (!env_.services.editNewPerson(&person) || person == person_) return false;
  person_ = person;
  patientName_ = personName(person_);
  changed_ = true;
  if (isNew_) return true;

  // An appointment already saved takes the new data at once.
  std::uint32_t address = working_.addressId();
  if (const int error = writePersonAddress(person_, &address); error != kQdbOk) {
    QRX_MessageBox(env_.prompter, kStyleError, kAddressWriteMessage, error, kAddressFile);
    return true;
  }
  AppointmentRecord updated = opening_;
  updated.setName(patientName_);
  updated.setPhone(person_.phone);
  updated.setAddressId(address);
  const int error = rewritePersonOfAppointment(opening_, updated);
  if (error == kQdbNotFound) {
    ask(kApptListCaption, kChangedElsewhereText, PromptButtons::kOk, PromptIcon::kExclamation);
  } else if (error != kQdbOk) {
    QRX_MessageBox(env_.prompter, kStyleError, kDatabaseWriteMessage, error, kAppointmentFile);
  } else {
    for (AppointmentRecord* copy : {&opening_, &working_}) {
      copy->setName(patientName_);
      copy->setPhone(person_.phone);
      copy->setAddressId(address);
    }
  }
  return true;
}
