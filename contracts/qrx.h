#pragma once
// The utility library as the rest of the system calls it: dates, times, names, phones, money,
// messages by number, profile settings, the data path and program start. Qt-free.
//
// Conventions of every function here:
// - Out-buffers come with their size in bytes. Whatever happens, a buffer of size >= 1 is left
//   zero-terminated and nothing is written past `size`. A text that does not fit is cut.
// - Results are numbers, never exceptions: 1 (or a documented positive value) = success,
//   0 = failure, unless a function says otherwise.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// ---------------------------------------------------------------------------------------------
// Dates

// Whole-day number: 1 January 1900 = 100001, the next day is N + 1, 0 = no date.
using PackedDate = std::uint32_t;
inline constexpr PackedDate kNoDate = 0;
inline constexpr PackedDate kDate19000101 = 100001;
// Years the date functions accept. Every date of those years packs above 0.
inline constexpr int kFirstYear = 1800;
inline constexpr int kLastYear = 9999;

// Today from the system clock (local time), or the date held by the environment variable
// VANTREL_TODAY ("YYYY-MM-DD") when it is set and valid, so that tests and demonstrations can
// fix the day.
PackedDate QRX_SysDate();
// The date of a calendar day; 0 when no such day exists (02/30, month 13, a year out of range).
PackedDate QRX_DateIn(int year, int month, int day);
// The calendar day of a date. Returns 1; for 0 or a number outside the accepted years returns 0
// and sets the three outs to 0. Null outs are skipped.
int QRX_DateOut(PackedDate date, std::int16_t* year, std::int16_t* month, std::int16_t* day);
// Day of the week, 1 = Sunday ... 7 = Saturday; 0 when no such day.
int QRX_week_day(int year, int month, int day);
// The same for a packed date; 0 for no date.
int QRX_WeekDayOf(PackedDate date);
// The Sunday that starts the week of `date` (date - weekday + 1); 0 for no date.
PackedDate QRX_WeekStart(PackedDate date);

// Date text styles of QRX_DateStr.
inline constexpr int kDateShort = 0;  // "12/06/2026"
inline constexpr int kDateLong = 17;  // "Sunday, December 6, 2026"
inline constexpr int kDateMedium = 18;  // "Dec 6, 2026"

// Short date text "MM/DD/YYYY"; date 0 gives an empty text. Returns 1, or 0 for an invalid date
// (empty text) or a buffer that cannot hold the whole text (cut).
int QRX_FormatNDate2000(char* out, std::size_t size, PackedDate date);
// Date text in the given style (kDateShort, kDateLong, kDateMedium; any other style gives the
// short text). Date 0 gives an empty text. Results as QRX_FormatNDate2000.
int QRX_DateStr(char* out, std::size_t size, PackedDate date, int style);
// Reads a typed date: M/D/YYYY or MM/DD/YYYY with "/", "-" or "." between the parts (one kind
// of separator in one text), or the eight digits MMDDYYYY; blanks around the text are ignored.
// A two-digit year is refused unless `allowTwoDigitYear`, when 00-49 mean 2000-2049 and
// 50-99 mean 1950-1999. Impossible days (02/30/2027) are refused. Returns 1 and sets *date,
// or 0 and leaves *date alone.
int QRX_ParseDate(std::string_view text, PackedDate* date, bool allowTwoDigitYear = false);
// What a date field does when it loses the focus: a text that QRX_ParseDate accepts (four-digit
// years only) is rewritten as "MM/DD/YYYY" into `out` and 1 is returned; any other text is
// copied unchanged (cut to fit) and 0 is returned.
int QRX_fmtDateString2000(std::string_view typed, char* out, std::size_t size);
// "January" ... "December" (month 1-12), or with `abbreviated` "Jan" ... "Dec"; "" otherwise.
const char* QRX_getmonth_name(int month, bool abbreviated = false);
// "Sunday" ... "Saturday" (week day 1-7), or with `abbreviated` "Sun" ... "Sat"; "" otherwise.
const char* QRX_getday_name(int weekDay, bool abbreviated = false);

// ---------------------------------------------------------------------------------------------
// Times

// Two bytes, hour 0-23 then minute 0-59.
struct PackedTime {
  std::uint8_t hour = 0;
  std::uint8_t minute = 0;
};
inline constexpr int kTime12Hour = 1;
inline constexpr int kTime24Hour = 0;
inline constexpr int kTimeAm = 1;
inline constexpr int kTimePm = 2;

// Mode kTime12Hour: five characters, the hour right-aligned: 0:05 -> "12:05" (am),
// 12:30 -> "12:30" (pm), 13:00 -> " 1:00" (pm). Mode kTime24Hour: "13:00", " 9:05".
// Returns kTimeAm or kTimePm (in both modes), or 0 for an impossible time (empty text).
int QRX_FormatPackTime(char* out, std::size_t size, PackedTime time, int mode = kTime12Hour);

// ---------------------------------------------------------------------------------------------
// Names

// "Last, First M" (no comma when there is no first name and no initial; no initial part when it
// is empty), each part trimmed of blanks, cut to `maxLen` characters (0 = no limit beyond the
// buffer). Returns the length written.
int QRX_PackName(char* out, std::size_t size, std::string_view last, std::string_view first,
                 std::string_view initial, int maxLen);
// A typed "Last, First M" back into its parts: the text before the first comma is the last name;
// after it, the first word is the first name and a following single letter (optionally followed
// by ".") the initial; without a comma the whole text is the last name. Parts are trimmed and cut
// to their buffers. Returns 1 when a last name was found, else 0 (all outs empty).
int QRX_UnpackName(std::string_view packed, char* last, std::size_t lastSize, char* first,
                   std::size_t firstSize, char* initial, std::size_t initialSize);
// The packed name followed by " [" preferred "]" when the preferred name is not empty and not
// the same as the first name (case ignored); cut to `maxLen`. Returns the length written.
int QRX_PackPrefName(char* out, std::size_t size, std::string_view last, std::string_view first,
                     std::string_view initial, std::string_view preferred, int maxLen);

// ---------------------------------------------------------------------------------------------
// Phones

// A stored phone for display: exactly 10 digits give "(555)123-4567", exactly 7 digits
// "123-4567", anything else is copied unchanged. Returns the length written.
int QRX_FormatPhone(char* out, std::size_t size, std::string_view phone);
// The phone test used when a person is entered: once blanks, "-", "(" and ")" are removed, the
// text must be empty or hold 7 or 10 digits and nothing else. Returns 1 when acceptable.
int QRX_CheckPhone(std::string_view typed);
// The digits of a typed phone that QRX_CheckPhone accepts (what is stored). Returns the number
// of digits, or -1 when the phone is not acceptable (out empty).
int QRX_StripPhone(std::string_view typed, char* out, std::size_t size);

// Whether a patient's phone must not be shown: non-zero when the patient asked for it. The first
// form takes a patient record as read (its size must be the record's); the second reads the
// patient by identifier (0 when it cannot be read). Both need the database open.
int QRX_CheckForPrivatePhone(const void* patientRecord, std::size_t size);
int QRX_CheckForPatientPrivatePhone(std::uint32_t patientId);

// ---------------------------------------------------------------------------------------------
// Money: unsigned 32-bit cents.

// "1,234.56", "0.05", "42,949,672.95". Returns the length written.
int QRX_FormatMoney(char* out, std::size_t size, std::uint32_t cents);
// Reads a typed amount: digits with an optional "$" in front, "," between groups of three, and at
// most two decimals ("1234.5", "$1,234.56", ".75"); blanks around it are ignored. Letters, a sign,
// misplaced commas, an empty text and amounts beyond 42,949,672.95 are refused.
// Returns 1 and sets *cents, or 0 and leaves it alone.
int QRX_ParseMoney(std::string_view text, std::uint32_t* cents);

// ---------------------------------------------------------------------------------------------
// Questions and messages

// Buttons and icon of a prompt; answers are the usual button numbers.
enum class PromptButtons { kOk, kOkCancel, kYesNo, kYesNoCancel, kRetryCancel };
enum class PromptIcon { kNone, kInformation, kQuestion, kExclamation, kStop };
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdRetry = 4;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

struct Prompt {
  std::string caption;
  std::string text;
  PromptButtons buttons = PromptButtons::kOk;
  PromptIcon icon = PromptIcon::kNone;
  int messageNumber = 0;  // the catalogue number, 0 for a literal message
};

// A user's sign-on name and password, as typed.
struct Credentials {
  std::string login;
  std::string password;
};

// Every question and message of the system goes through one of these: message boxes in the
// program, a script in tests and in the administration command.
class Prompter {
 public:
  virtual ~Prompter() = default;
  // Shows the prompt and returns the button chosen (kIdOk, kIdCancel, kIdRetry, kIdYes, kIdNo).
  virtual int ask(const Prompt& prompt) = 0;
  // Asks for a sign-on name and password (signing on, or another user approving a command the
  // signed-on user has no right to). Returns kIdOk with *credentials filled, or kIdCancel. A
  // prompter that cannot ask answers kIdCancel.
  virtual int askCredentials(const Prompt& /*prompt*/, Credentials* /*credentials*/) {
    return kIdCancel;
  }
};

// Message styles of the catalogue.
inline constexpr int kStyleNotice = 0;    // OK, information icon
inline constexpr int kStyleQuestion = 1;  // Yes/No, question icon
inline constexpr int kStyleConfirm = 3;   // OK/Cancel, exclamation icon
inline constexpr int kStyleError = 6;     // OK, stop icon

// Shows catalogue message `number` in the given style with up to three values. Questions
// (styles 1 and 3) return 1 for Yes/OK and 2 for No/Cancel; notices return 1. An unknown number
// still shows a message naming the number and its values.
int QRX_MessageBox(Prompter& prompter, int style, int number, long v1 = 0, long v2 = 0,
                   long v3 = 0);
// The same in the message's own style from the catalogue.
int QRX_Message(Prompter& prompter, int number, long v1 = 0, long v2 = 0, long v3 = 0);
// The style the catalogue gives a message, or -1 when the number is not catalogued.
int QRX_MessageStyle(int number);
// The text of message `number` with its values filled in ("" when not catalogued).
std::string QRX_MessageText(int number, long v1 = 0, long v2 = 0, long v3 = 0);
// "A record of file N is in use at another workstation": Retry or Cancel; returns 4 for Retry,
// 2 for Cancel.
int QRX_RecordLockedQuestion(Prompter& prompter, int fileNumber);
// A database error: file asked for, error number, file number the database reported. Returns 1.
int QRX_DatabaseErrorNotice(Prompter& prompter, int fileNumber, int error, int reportedFileNumber);
// The database was not found in the data directory. Returns 1.
int QRX_DBFindErr(Prompter& prompter);

// ---------------------------------------------------------------------------------------------
// Profile settings
//
// `profile` names the file: "VANTREL" (any case) is the suite profile ($VANTREL_PROFILE, else
// ~/.config/vantrel/VANTREL.INI); "qrxdata.inf" (any case) is the data directory's second
// profile; anything else is a path. Sections and keys compare without regard to case; values
// are trimmed. A missing file reads as empty and is made on the first write. Every write
// replaces the file atomically and is safe against another process writing at the same moment.

inline constexpr const char* kSuiteProfile = "VANTREL";
inline constexpr const char* kDataProfile = "qrxdata.inf";

// Copies the value (or `def` when absent) into `out`, cut to fit; returns the length copied.
int QRX_GetProfileString(const char* section, const char* key, const char* def, char* out,
                         std::size_t size, const char* profile = kSuiteProfile);
// The value's leading digits (an optional sign first) as a number; `def` when the key is
// absent or the value does not start with a digit.
int QRX_GetProfileInt(const char* section, const char* key, int def,
                      const char* profile = kSuiteProfile);
// Writes a value; returns 1, or 0 when the file cannot be written (nothing changed).
int QRX_WriteProfileString(const char* section, const char* key, const char* value,
                           const char* profile = kSuiteProfile);
int QRX_WriteProfileInt(const char* section, const char* key, int value,
                        const char* profile = kSuiteProfile);
// Removes a key; returns 1 (also when it was not there), or 0 when the file cannot be written.
int QRX_DeleteProfileKey(const char* section, const char* key,
                         const char* profile = kSuiteProfile);
// An integer setting of the suite profile (read integer with its default).
int QRX_GetSuiteSetting(const char* section, const char* key, int def);
// The path of a profile name as above.
std::string QRX_ProfilePath(const char* profile);
// The data directory: GENERAL/Path of the suite profile, default ~/.local/share/vantrel/data,
// without a trailing "/". Returns the length, or 0 when it does not fit (out empty).
int QRX_GetDataPath(char* out, std::size_t size);

// ---------------------------------------------------------------------------------------------
// Starting programs

// Starts a program detached from this one. The command line is split into words as a shell
// would (blanks, single and double quotes, backslash), but no shell runs; the first word is
// looked up on PATH. `show` is kept for callers and ignored. Returns 33 when started; below 32
// when not: 2 program not found, 5 not allowed, 11 not a program, 0 anything else (an empty
// command line included).
int QRX_RunProgram(const char* commandLine, int show = 5);

// ---------------------------------------------------------------------------------------------
// Users, rights and audit
//
// Users, their rights and the audit entries live in the shared database, so the database must be
// open in this process (QDB_InitDataBase) before any of these is called. The signed-on user and
// the rights override belong to the process.

using UserId = std::uint32_t;

// Rights the program checks by number (others are kept for the suite's other modules).
inline constexpr int kRightRunAppointmentList = 1;
inline constexpr int kRightDeleteAppointment = 31;
inline constexpr int kRightPurgeAppointments = 32;
inline constexpr int kRightBreakAppointment = 33;
inline constexpr int kRightPracticeSchedule = 35;
inline constexpr int kRightAppointmentLists = 36;
inline constexpr int kRightNewAppointment = 37;
inline constexpr int kRightContinuingCareList = 39;
inline constexpr int kRightEditAppointment = 66;
inline constexpr int kRightPracticeSetup = 68;
inline constexpr int kRightProviderSetup = 69;
inline constexpr int kHighestRight = 255;

// Signs a user on with the sign-on name (any case) and password of an active user. Returns 1
// signed on (the rights override is that user too); 0 refused: unknown or inactive user, wrong
// password, or no database. A refusal signs nobody off.
int QRX_SignOn(const char* login, const char* password);
// Signs the user off; nobody is signed on and there is no override.
void QRX_SignOff();
// 1 while a user is signed on, else 0.
int QRX_IsSignedOn();
// The signed-on user; 0 when nobody is.
UserId QRX_GetLoggedInUserID();
// The user whose rights the checks use: the signed-on user, or another user who approved a
// command with a password until QRX_SetOverrideToLoggedIn.
UserId QRX_GetOverrideUserID();
// Non-zero when `user` is an active user holding `right` (1 to kHighestRight).
int QRX_CheckUserRights(UserId user, int right);
// The right check with password. 1 when the override user holds `right`. Otherwise the prompter
// asks for another user's name and password: an active user who holds the right becomes the
// override and 1 is returned; a wrong name or password is told to the user and 0 returned; a
// user without the right gives 0 (the caller tells the user, message 3001, where it should); a
// cancelled prompt gives -1. Nobody signed on: 0.
int QRX_CheckRightWithPassword(Prompter& prompter, int right, std::uint32_t patient = 0);
// The same check, and an audit entry of it when another user's password granted the right.
int QRX_PasswordCheckwAudit(Prompter& prompter, int right, std::uint32_t patient);
// Hands the override back to the signed-on user.
void QRX_SetOverrideToLoggedIn();

// Audit entries: who (signed-on and override user), when, which record of which file, and the
// record before and after. `before` null: the record was added; `after` null: it was deleted.
// Each returns 1 when the entry was stored, 0 when it could not be (nothing else changes).
// Nothing rewrites or deletes an audit entry.
int QRX_BuildApptAudit(const void* before, const void* after, std::size_t recordSize);
int QRX_BuildProcAudit(const void* before, const void* after, std::size_t recordSize);
// The first entry of a procedure record made in this module (no "before").
int QRX_BuildInitialProcAudit(const void* record, std::size_t recordSize);
