// Messages by number and the questions every part of the program asks.
//
// One catalogue holds the wording of every numbered message, written for the people at the
// front desk: what happened, and what to do about it. Values reach a text through %1, %2 and
// %3; a database problem reads "error 42 on file 9", never a bare pair of numbers, so that the
// person who calls for help can read it out.
//
// Nothing here shows a window: every message goes to the Prompter the caller hands in, which is a
// message box in the program and a script in tests and in the administration command.

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>

#include "contracts/qrx.h"

namespace {

constexpr const char* kCaption = "Appointment List";

struct CatalogEntry {
  int number;
  int style;
  const char* text;
};

// Kept in ascending order of number, each number once: lookups are binary searches, and the
// checks below the table refuse to compile a catalogue that breaks this.
//
// The file messages (3062-3177, 3205-3208, 3283) are shown with the error and the file number
// the database named, and word the file from what it holds.
constexpr CatalogEntry kCatalog[] = {
    {3001, kStyleError,
     "You do not have the user right this needs. Ask a user who holds the right to sign on, or ask "
     "your administrator to grant it to you."},
    {3017, kStyleError,
     "The providers and operatories could not all be read (error %1). The list shows those that "
     "were read; close the window and try again, and if it keeps happening, ask your "
     "administrator."},
    {3018, kStyleError,
     "The appointment records could not all be read (error %1 on file %2). The work stopped at "
     "that point; what was shown or done before it stays. Try again; if it keeps happening, ask "
     "your administrator."},
    {3020, kStyleError,
     "The patient records could not all be read (error %1). The list shows those that were read; "
     "try again, and if it keeps happening, ask your administrator."},
    {3026, kStyleError,
     "The continuing care note of this patient could not be deleted (error %1). Try again; if it "
     "keeps happening, ask your administrator."},
    {3027, kStyleError,
     "The continuing care statuses could not all be read (error %1). The list shows those that "
     "were read; close the window and try again, and if it keeps happening, ask your "
     "administrator."},
    {3038, kStyleError,
     "The continuing care types could not all be read (error %1). The list shows those that were "
     "read; close the window and try again, and if it keeps happening, ask your administrator."},
    {3040, kStyleError,
     "There is not enough memory to do this. Close some windows or other programs and try again."},
    {3041, kStyleError,
     "A picture used on the screen could not be released. If the screen looks wrong, close the "
     "Appointment List and start it again."},
    {3062, kStyleError,
     "A treatment and billing file could not be opened (error %1 on file %2). Try again; if it "
     "keeps happening, ask your administrator to check the database."},
    {3063, kStyleError,
     "The provider and operatory file could not be opened (error %1 on file %2). Try again; if it "
     "keeps happening, ask your administrator to check the database."},
    {3064, kStyleError,
     "The appointment file could not be opened (error %1 on file %2). Try again; if it keeps "
     "happening, ask your administrator to check the database."},
    {3065, kStyleError,
     "A treatment and billing file could not be opened (error %1 on file %2). Try again; if it "
     "keeps happening, ask your administrator to check the database."},
    {3066, kStyleError,
     "The patient file could not be opened (error %1 on file %2). Try again; if it keeps "
     "happening, ask your administrator to check the database."},
    {3067, kStyleError,
     "The insurance carrier file could not be opened (error %1 on file %2). Try again; if it keeps "
     "happening, ask your administrator to check the database."},
    {3068, kStyleError,
     "A treatment and billing file could not be opened (error %1 on file %2). Try again; if it "
     "keeps happening, ask your administrator to check the database."},
    {3069, kStyleError,
     "A treatment and billing file could not be opened (error %1 on file %2). Try again; if it "
     "keeps happening, ask your administrator to check the database."},
    {3070, kStyleError,
     "A treatment and billing file could not be opened (error %1 on file %2). Try again; if it "
     "keeps happening, ask your administrator to check the database."},
    {3071, kStyleError,
     "The address file could not be opened (error %1 on file %2). Try again; if it keeps "
     "happening, ask your administrator to check the database."},
    {3072, kStyleError,
     "The notes file could not be opened (error %1 on file %2). Try again; if it keeps happening, "
     "ask your administrator to check the database."},
    {3073, kStyleError,
     "The definitions file could not be opened (error %1 on file %2). Try again; if it keeps "
     "happening, ask your administrator to check the database."},
    {3075, kStyleError,
     "The insurance coverage file could not be opened (error %1 on file %2). Try again; if it "
     "keeps happening, ask your administrator to check the database."},
    {3076, kStyleError,
     "A treatment and billing file could not be opened (error %1 on file %2). Try again; if it "
     "keeps happening, ask your administrator to check the database."},
    {3077, kStyleError,
     "A treatment and billing file could not be opened (error %1 on file %2). Try again; if it "
     "keeps happening, ask your administrator to check the database."},
    {3079, kStyleError,
     "The workstation notification file could not be opened (error %1 on file %2). Try again; if "
     "it keeps happening, ask your administrator to check the database."},
    {3080, kStyleError,
     "A treatment and billing file could not be opened (error %1 on file %2). Try again; if it "
     "keeps happening, ask your administrator to check the database."},
    {3081, kStyleError,
     "The guarantor account file could not be opened (error %1 on file %2). Try again; if it keeps "
     "happening, ask your administrator to check the database."},
    {3082, kStyleError,
     "The print request file could not be opened (error %1 on file %2). Try again; if it keeps "
     "happening, ask your administrator to check the database."},
    {3083, kStyleError,
     "A treatment and billing file could not be opened (error %1 on file %2). Try again; if it "
     "keeps happening, ask your administrator to check the database."},
    {3084, kStyleError,
     "A data file could not be opened (error %1 on file %2). Try again; if it keeps happening, ask "
     "your administrator to check the database."},
    {3086, kStyleError,
     "A treatment and billing file could not be closed (error %1 on file %2). If the program "
     "behaves oddly afterwards, close the Appointment List and start it again; if it keeps "
     "happening, ask your administrator."},
    {3087, kStyleError,
     "The provider and operatory file could not be closed (error %1 on file %2). If the program "
     "behaves oddly afterwards, close the Appointment List and start it again; if it keeps "
     "happening, ask your administrator."},
    {3088, kStyleError,
     "The appointment file could not be closed (error %1 on file %2). If the program behaves oddly "
     "afterwards, close the Appointment List and start it again; if it keeps happening, ask your "
     "administrator."},
    {3089, kStyleError,
     "A treatment and billing file could not be closed (error %1 on file %2). If the program "
     "behaves oddly afterwards, close the Appointment List and start it again; if it keeps "
     "happening, ask your administrator."},
    {3090, kStyleError,
     "The patient file could not be closed (error %1 on file %2). If the program behaves oddly "
     "afterwards, close the Appointment List and start it again; if it keeps happening, ask your "
     "administrator."},
    {3091, kStyleError,
     "The insurance carrier file could not be closed (error %1 on file %2). If the program behaves "
     "oddly afterwards, close the Appointment List and start it again; if it keeps happening, ask "
     "your administrator."},
    {3092, kStyleError,
     "A treatment and billing file could not be closed (error %1 on file %2). If the program "
     "behaves oddly afterwards, close the Appointment List and start it again; if it keeps "
     "happening, ask your administrator."},
    {3093, kStyleError,
     "A treatment and billing file could not be closed (error %1 on file %2). If the program "
     "behaves oddly afterwards, close the Appointment List and start it again; if it keeps "
     "happening, ask your administrator."},
    {3094, kStyleError,
     "A treatment and billing file could not be closed (error %1 on file %2). If the program "
     "behaves oddly afterwards, close the Appointment List and start it again; if it keeps "
     "happening, ask your administrator."},
    {3095, kStyleError,
     "The address file could not be closed (error %1 on file %2). If the program behaves oddly "
     "afterwards, close the Appointment List and start it again; if it keeps happening, ask your "
     "administrator."},
    {3096, kStyleError,
     "The notes file could not be closed (error %1 on file %2). If the program behaves oddly "
     "afterwards, close the Appointment List and start it again; if it keeps happening, ask your "
     "administrator."},
    {3097, kStyleError,
     "The definitions file could not be closed (error %1 on file %2). If the program behaves oddly "
     "afterwards, close the Appointment List and start it again; if it keeps happening, ask your "
     "administrator."},
    {3099, kStyleError,
     "The insurance coverage file could not be closed (error %1 on file %2). If the program "
     "behaves oddly afterwards, close the Appointment List and start it again; if it keeps "
     "happening, ask your administrator."},
    {3100, kStyleError,
     "A treatment and billing file could not be closed (error %1 on file %2). If the program "
     "behaves oddly afterwards, close the Appointment List and start it again; if it keeps "
     "happening, ask your administrator."},
    {3101, kStyleError,
     "A treatment and billing file could not be closed (error %1 on file %2). If the program "
     "behaves oddly afterwards, close the Appointment List and start it again; if it keeps "
     "happening, ask your administrator."},
    {3103, kStyleError,
     "The workstation notification file could not be closed (error %1 on file %2). If the program "
     "behaves oddly afterwards, close the Appointment List and start it again; if it keeps "
     "happening, ask your administrator."},
    {3104, kStyleError,
     "A treatment and billing file could not be closed (error %1 on file %2). If the program "
     "behaves oddly afterwards, close the Appointment List and start it again; if it keeps "
     "happening, ask your administrator."},
    {3105, kStyleError,
     "The guarantor account file could not be closed (error %1 on file %2). If the program behaves "
     "oddly afterwards, close the Appointment List and start it again; if it keeps happening, ask "
     "your administrator."},
    {3106, kStyleError,
     "The print request file could not be closed (error %1 on file %2). If the program behaves "
     "oddly afterwards, close the Appointment List and start it again; if it keeps happening, ask "
     "your administrator."},
    {3107, kStyleError,
     "A treatment and billing file could not be closed (error %1 on file %2). If the program "
     "behaves oddly afterwards, close the Appointment List and start it again; if it keeps "
     "happening, ask your administrator."},
    {3108, kStyleError,
     "A data file could not be closed (error %1 on file %2). If the program behaves oddly "
     "afterwards, close the Appointment List and start it again; if it keeps happening, ask your "
     "administrator."},
    {3109, kStyleError,
     "A record in a treatment and billing file could not be locked for your change (error %1 on "
     "file %2). The record was not changed. Wait a moment and try again; if it keeps happening, "
     "ask your administrator."},
    {3110, kStyleError,
     "A record in the provider and operatory file could not be locked for your change (error %1 on "
     "file %2). The record was not changed. Wait a moment and try again; if it keeps happening, "
     "ask your administrator."},
    {3111, kStyleError,
     "A record in the appointment file could not be locked for your change (error %1 on file %2). "
     "The record was not changed. Wait a moment and try again; if it keeps happening, ask your "
     "administrator."},
    {3112, kStyleError,
     "A record in a treatment and billing file could not be locked for your change (error %1 on "
     "file %2). The record was not changed. Wait a moment and try again; if it keeps happening, "
     "ask your administrator."},
    {3113, kStyleError,
     "A record in the patient file could not be locked for your change (error %1 on file %2). The "
     "record was not changed. Wait a moment and try again; if it keeps happening, ask your "
     "administrator."},
    {3114, kStyleError,
     "A record in the insurance carrier file could not be locked for your change (error %1 on file "
     "%2). The record was not changed. Wait a moment and try again; if it keeps happening, ask "
     "your administrator."},
    {3115, kStyleError,
     "A record in a treatment and billing file could not be locked for your change (error %1 on "
     "file %2). The record was not changed. Wait a moment and try again; if it keeps happening, "
     "ask your administrator."},
    {3116, kStyleError,
     "A record in a treatment and billing file could not be locked for your change (error %1 on "
     "file %2). The record was not changed. Wait a moment and try again; if it keeps happening, "
     "ask your administrator."},
    {3117, kStyleError,
     "A record in a treatment and billing file could not be locked for your change (error %1 on "
     "file %2). The record was not changed. Wait a moment and try again; if it keeps happening, "
     "ask your administrator."},
    {3118, kStyleError,
     "A record in the address file could not be locked for your change (error %1 on file %2). The "
     "record was not changed. Wait a moment and try again; if it keeps happening, ask your "
     "administrator."},
    {3119, kStyleError,
     "A record in the notes file could not be locked for your change (error %1 on file %2). The "
     "record was not changed. Wait a moment and try again; if it keeps happening, ask your "
     "administrator."},
    {3120, kStyleError,
     "A record in the definitions file could not be locked for your change (error %1 on file %2). "
     "The record was not changed. Wait a moment and try again; if it keeps happening, ask your "
     "administrator."},
    {3122, kStyleError,
     "A record in the insurance coverage file could not be locked for your change (error %1 on "
     "file %2). The record was not changed. Wait a moment and try again; if it keeps happening, "
     "ask your administrator."},
    {3123, kStyleError,
     "A record in a treatment and billing file could not be locked for your change (error %1 on "
     "file %2). The record was not changed. Wait a moment and try again; if it keeps happening, "
     "ask your administrator."},
    {3124, kStyleError,
     "A record in a treatment and billing file could not be locked for your change (error %1 on "
     "file %2). The record was not changed. Wait a moment and try again; if it keeps happening, "
     "ask your administrator."},
    {3126, kStyleError,
     "A record in the workstation notification file could not be locked for your change (error %1 "
     "on file %2). The record was not changed. Wait a moment and try again; if it keeps happening, "
     "ask your administrator."},
    {3127, kStyleError,
     "A record in a treatment and billing file could not be locked for your change (error %1 on "
     "file %2). The record was not changed. Wait a moment and try again; if it keeps happening, "
     "ask your administrator."},
    {3128, kStyleError,
     "A record in the guarantor account file could not be locked for your change (error %1 on file "
     "%2). The record was not changed. Wait a moment and try again; if it keeps happening, ask "
     "your administrator."},
    {3129, kStyleError,
     "A record in the print request file could not be locked for your change (error %1 on file "
     "%2). The record was not changed. Wait a moment and try again; if it keeps happening, ask "
     "your administrator."},
    {3130, kStyleError,
     "A record in a treatment and billing file could not be locked for your change (error %1 on "
     "file %2). The record was not changed. Wait a moment and try again; if it keeps happening, "
     "ask your administrator."},
    {3131, kStyleError,
     "A record in a data file could not be locked for your change (error %1 on file %2). The "
     "record was not changed. Wait a moment and try again; if it keeps happening, ask your "
     "administrator."},
    {3132, kStyleError,
     "A record could not be deleted from a treatment and billing file (error %1 on file %2). The "
     "record is still there. Try again; if it keeps happening, ask your administrator."},
    {3133, kStyleError,
     "A record could not be deleted from the provider and operatory file (error %1 on file %2). "
     "The record is still there. Try again; if it keeps happening, ask your administrator."},
    {3134, kStyleError,
     "A record could not be deleted from the appointment file (error %1 on file %2). The record is "
     "still there. Try again; if it keeps happening, ask your administrator."},
    {3135, kStyleError,
     "A record could not be deleted from a treatment and billing file (error %1 on file %2). The "
     "record is still there. Try again; if it keeps happening, ask your administrator."},
    {3136, kStyleError,
     "A record could not be deleted from the patient file (error %1 on file %2). The record is "
     "still there. Try again; if it keeps happening, ask your administrator."},
    {3137, kStyleError,
     "A record could not be deleted from the insurance carrier file (error %1 on file %2). The "
     "record is still there. Try again; if it keeps happening, ask your administrator."},
    {3138, kStyleError,
     "A record could not be deleted from a treatment and billing file (error %1 on file %2). The "
     "record is still there. Try again; if it keeps happening, ask your administrator."},
    {3139, kStyleError,
     "A record could not be deleted from a treatment and billing file (error %1 on file %2). The "
     "record is still there. Try again; if it keeps happening, ask your administrator."},
    {3140, kStyleError,
     "A record could not be deleted from a treatment and billing file (error %1 on file %2). The "
     "record is still there. Try again; if it keeps happening, ask your administrator."},
    {3141, kStyleError,
     "A record could not be deleted from the address file (error %1 on file %2). The record is "
     "still there. Try again; if it keeps happening, ask your administrator."},
    {3142, kStyleError,
     "A record could not be deleted from the notes file (error %1 on file %2). The record is still "
     "there. Try again; if it keeps happening, ask your administrator."},
    {3143, kStyleError,
     "A record could not be deleted from the definitions file (error %1 on file %2). The record is "
     "still there. Try again; if it keeps happening, ask your administrator."},
    {3145, kStyleError,
     "A record could not be deleted from the insurance coverage file (error %1 on file %2). The "
     "record is still there. Try again; if it keeps happening, ask your administrator."},
    {3146, kStyleError,
     "A record could not be deleted from a treatment and billing file (error %1 on file %2). The "
     "record is still there. Try again; if it keeps happening, ask your administrator."},
    {3147, kStyleError,
     "A record could not be deleted from a treatment and billing file (error %1 on file %2). The "
     "record is still there. Try again; if it keeps happening, ask your administrator."},
    {3149, kStyleError,
     "A record could not be deleted from the workstation notification file (error %1 on file %2). "
     "The record is still there. Try again; if it keeps happening, ask your administrator."},
    {3150, kStyleError,
     "A record could not be deleted from a treatment and billing file (error %1 on file %2). The "
     "record is still there. Try again; if it keeps happening, ask your administrator."},
    {3151, kStyleError,
     "A record could not be deleted from the guarantor account file (error %1 on file %2). The "
     "record is still there. Try again; if it keeps happening, ask your administrator."},
    {3152, kStyleError,
     "A record could not be deleted from the print request file (error %1 on file %2). The record "
     "is still there. Try again; if it keeps happening, ask your administrator."},
    {3153, kStyleError,
     "A record could not be deleted from a treatment and billing file (error %1 on file %2). The "
     "record is still there. Try again; if it keeps happening, ask your administrator."},
    {3154, kStyleError,
     "A record could not be deleted from a data file (error %1 on file %2). The record is still "
     "there. Try again; if it keeps happening, ask your administrator."},
    {3155, kStyleError,
     "A change could not be saved in a treatment and billing file (error %1 on file %2). Try "
     "again; if it keeps happening, ask your administrator."},
    {3156, kStyleError,
     "A change could not be saved in the provider and operatory file (error %1 on file %2). Try "
     "again; if it keeps happening, ask your administrator."},
    {3157, kStyleError,
     "A change could not be saved in the appointment file (error %1 on file %2). Try again; if it "
     "keeps happening, ask your administrator."},
    {3158, kStyleError,
     "A change could not be saved in a treatment and billing file (error %1 on file %2). Try "
     "again; if it keeps happening, ask your administrator."},
    {3159, kStyleError,
     "A change could not be saved in the patient file (error %1 on file %2). Try again; if it "
     "keeps happening, ask your administrator."},
    {3160, kStyleError,
     "A change could not be saved in the insurance carrier file (error %1 on file %2). Try again; "
     "if it keeps happening, ask your administrator."},
    {3161, kStyleError,
     "A change could not be saved in a treatment and billing file (error %1 on file %2). Try "
     "again; if it keeps happening, ask your administrator."},
    {3162, kStyleError,
     "A change could not be saved in a treatment and billing file (error %1 on file %2). Try "
     "again; if it keeps happening, ask your administrator."},
    {3163, kStyleError,
     "A change could not be saved in a treatment and billing file (error %1 on file %2). Try "
     "again; if it keeps happening, ask your administrator."},
    {3164, kStyleError,
     "A change could not be saved in the address file (error %1 on file %2). Try again; if it "
     "keeps happening, ask your administrator."},
    {3165, kStyleError,
     "A change could not be saved in the notes file (error %1 on file %2). Try again; if it keeps "
     "happening, ask your administrator."},
    {3166, kStyleError,
     "A change could not be saved in the definitions file (error %1 on file %2). Try again; if it "
     "keeps happening, ask your administrator."},
    {3168, kStyleError,
     "A change could not be saved in the insurance coverage file (error %1 on file %2). Try again; "
     "if it keeps happening, ask your administrator."},
    {3169, kStyleError,
     "A change could not be saved in a treatment and billing file (error %1 on file %2). Try "
     "again; if it keeps happening, ask your administrator."},
    {3170, kStyleError,
     "A change could not be saved in a treatment and billing file (error %1 on file %2). Try "
     "again; if it keeps happening, ask your administrator."},
    {3172, kStyleError,
     "A change could not be saved in the workstation notification file (error %1 on file %2). Try "
     "again; if it keeps happening, ask your administrator."},
    {3173, kStyleError,
     "A change could not be saved in a treatment and billing file (error %1 on file %2). Try "
     "again; if it keeps happening, ask your administrator."},
    {3174, kStyleError,
     "A change could not be saved in the guarantor account file (error %1 on file %2). Try again; "
     "if it keeps happening, ask your administrator."},
    {3175, kStyleError,
     "A change could not be saved in the print request file (error %1 on file %2). Try again; if "
     "it keeps happening, ask your administrator."},
    {3176, kStyleError,
     "A change could not be saved in a treatment and billing file (error %1 on file %2). Try "
     "again; if it keeps happening, ask your administrator."},
    {3177, kStyleError,
     "A change could not be saved in a data file (error %1 on file %2). Try again; if it keeps "
     "happening, ask your administrator."},
    {3178, kStyleError,
     "A row could not be added to the list, so the list may be incomplete. Close the window and "
     "open it again."},
    {3180, kStyleError,
     "Some of the practice's definitions (statuses, views or appointment labels) could not be read "
     "(error %1 on file %2). Some choices may be missing; close the window and open it again, and "
     "if it keeps happening, ask your administrator."},
    {3181, kStyleError,
     "The print request could not be stored (error %1 on file %2), so nothing will be printed. Try "
     "again; if it keeps happening, ask your administrator."},
    {3182, kStyleError,
     "The list could not be given more room, so it may be incomplete. Close the window and open it "
     "again."},
    {3183, kStyleError,
     "The list could not be prepared. Close the window and open it again; if it keeps happening, "
     "close the Appointment List and start it again."},
    {3184, kStyleError,
     "The memory of a closed list could not be given back. If the program becomes slow, close the "
     "Appointment List and start it again."},
    {3185, kStyleError,
     "The list was asked for row %2, but it holds only %1 rows. Close the window and open it "
     "again."},
    {3186, kStyleError,
     "The list holds no rows, so there is no row to work with. Refresh the list and try again."},
    {3196, kStyleError,
     "The program could not be started (error %1). Check that it is installed and that its name is "
     "right in the suite profile, or ask your administrator."},
    {3205, kStyleError,
     "The database could not be closed (error %1 on file %2). If the program behaves oddly "
     "afterwards, close the Appointment List and start it again; if it keeps happening, ask your "
     "administrator."},
    {3206, kStyleError,
     "A record in the database could not be locked for your change (error %1 on file %2). The "
     "record was not changed. Wait a moment and try again; if it keeps happening, ask your "
     "administrator."},
    {3207, kStyleError,
     "A record could not be deleted from the database (error %1 on file %2). The record is still "
     "there. Try again; if it keeps happening, ask your administrator."},
    {3208, kStyleError,
     "A change could not be saved in the database (error %1 on file %2). Try again; if it keeps "
     "happening, ask your administrator."},
    {3283, kStyleError,
     "The note could not be saved because a note of the same kind is already stored in its place "
     "(error %1 on file %2). Close the window and open it again to see the stored note, then make "
     "your change there."},
    {6042, kStyleQuestion, "The date you chose is before today. Do you want to use it anyway?"},
    {6069, kStyleNotice,
     "This appointment is open in the appointment window, so it cannot be deleted now. Close that "
     "window first, then delete the appointment."},
    {6070, kStyleQuestion,
     "Do you want to delete this appointment? A deleted appointment cannot be brought back."},
    {6071, kStyleQuestion,
     "Do you want to break this appointment? It will be moved to the Unscheduled List and counted "
     "as broken for the patient."},
    {6075, kStyleConfirm,
     "Purging permanently deletes every appointment scheduled before the cut-off date; they cannot "
     "be brought back. Choose OK to purge now, or Cancel to change the cut-off date."},
    {6165, kStyleConfirm,
     "Purging permanently deletes every unscheduled appointment listed before the cut-off date; "
     "they cannot be brought back. Choose OK to purge now, or Cancel to change the cut-off date."},
    {9002, kStyleNotice, "Please select a patient in the list first."},
    {9018, kStyleError, "Please enter the person's last name."},
    {9019, kStyleError, "Please enter the person's first name."},
    {9046, kStyleError, "Please enter a date; this field cannot be left empty."},
    {9047, kStyleError,
     "This is not a valid date. Please type it as MM/DD/YYYY with a four-digit year, for example "
     "03/15/2027."},
    {9048, kStyleError,
     "File %1 is reported as already in use, so it was not opened again. The program carries on; "
     "if a list or window then shows no data, close the Appointment List and start it again."},
    {9049, kStyleError,
     "File %1 may be damaged. The program carries on with file %1 for now; ask your administrator "
     "to check the database soon."},
    {9077, kStyleQuestion,
     "The selected appointment has no patient record, so there is no current patient. Do you want "
     "to choose a patient for the new appointment?"},
    {9083, kStyleError,
     "The first billing type of the range comes after the last one. Please correct the range."},
    {9084, kStyleError,
     "The first provider of the range comes after the last one. Please correct the range."},
    {9090, kStyleError,
     "This is not a valid time. Please type hours and minutes, followed by a or p, for example "
     "9:30a or 2:15p."},
    {9091, kStyleError,
     "An appointment without a date can only be moved to the Unscheduled List. Please enter a "
     "date."},
    {9092, kStyleError, "Please enter the number of days as a whole number, for example 7."},
    {9108, kStyleError,
     "At most 20 procedures can be attached to one appointment. Please select fewer procedures."},
    {9154, kStyleNotice, "Only the first 150 appointments are shown in this list."},
    {9165, kStyleError, "This field cannot be left empty. Please fill it in."},
};

constexpr bool isCatalogStyle(int style) {
  return style == kStyleNotice || style == kStyleQuestion || style == kStyleConfirm ||
         style == kStyleError;
}

constexpr bool catalogSorted() {
  for (std::size_t i = 1; i < std::size(kCatalog); ++i) {
    if (kCatalog[i - 1].number >= kCatalog[i].number) return false;
  }
  return true;
}

constexpr bool catalogStylesKnown() {
  for (const CatalogEntry& entry : kCatalog) {
    if (!isCatalogStyle(entry.style)) return false;
  }
  return true;
}

// Every text says something, and every "%" starts one of the three placeholders: a "%4" or a
// stray "%" would reach the user as it stands.
constexpr bool catalogTextsWellFormed() {
  for (const CatalogEntry& entry : kCatalog) {
    if (entry.text == nullptr || entry.text[0] == '\0') return false;
    for (const char* p = entry.text; *p != '\0'; ++p) {
      if (*p == '%' && (p[1] < '1' || p[1] > '3')) return false;
    }
  }
  return true;
}

static_assert(catalogSorted(), "message catalogue: numbers must ascend, each once");
static_assert(catalogStylesKnown(), "message catalogue: style must be 0, 1, 3 or 6");
static_assert(catalogTextsWellFormed(), "message catalogue: empty text or placeholder not %1-%3");

const CatalogEntry* findMessage(int number) {
  const auto* end = std::end(kCatalog);
  const auto* found =
      std::lower_bound(std::begin(kCatalog), end, number,
                       [](const CatalogEntry& entry, int wanted) { return entry.number < wanted; });
  return (found != end && found->number == number) ? found : nullptr;
}

std::string fillIn(std::string_view text, long v1, long v2, long v3) {
  const long values[] = {v1, v2, v3};
  std::string out;
  out.reserve(text.size() + 24);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool placeholder =
        text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '3';
    if (placeholder) {
      out += std::to_string(values[text[i + 1] - '1']);
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A number the catalogue does not know still reaches the user, with everything the caller gave,
// so that the missing text can be found and written.
std::string unknownMessageText(int number, long v1, long v2, long v3) {
  return "Message " + std::to_string(number) + " (values " + std::to_string(v1) + ", " +
         std::to_string(v2) + ", " + std::to_string(v3) + ").";
}

void applyStyle(int style, Prompt& prompt) {
  switch (style) {
    case kStyleQuestion:
      prompt.buttons = PromptButtons::kYesNo;
      prompt.icon = PromptIcon::kQuestion;
      break;
    case kStyleConfirm:
      prompt.buttons = PromptButtons::kOkCancel;
      prompt.icon = PromptIcon::kExclamation;
      break;
    case kStyleNotice:
      prompt.buttons = PromptButtons::kOk;
      prompt.icon = PromptIcon::kInformation;
      break;
    default:
      prompt.buttons = PromptButtons::kOk;
      prompt.icon = PromptIcon::kStop;
      break;
  }
}

bool isQuestionStyle(int style) { return style == kStyleQuestion || style == kStyleConfirm; }

// The role of each data file of the access layer's descriptor table, found by any of the file's
// key numbers too, since the database may name a key where a file is meant. The files of the
// treatment, claim and ledger functions share one description.
struct FileRole {
  int firstKey;  // the file number
  int lastKey;
  const char* name;
};

constexpr const char* kTreatmentFile = "a treatment and billing file";

constexpr FileRole kFileRoles[] = {
    {0, 0, "the database"},
    {1, 5, kTreatmentFile},
    {6, 8, "the provider and operatory file"},
    {9, 15, "the appointment file"},
    {16, 17, kTreatmentFile},
    {18, 27, "the patient file"},
    {34, 35, kTreatmentFile},
    {36, 38, kTreatmentFile},
    {42, 43, "the notes file"},
    {44, 45, "the definitions file"},
    {46, 48, "the address file"},
    {49, 51, "the insurance coverage file"},
    {52, 61, kTreatmentFile},
    {64, 65, kTreatmentFile},
    {66, 69, kTreatmentFile},
    {70, 71, "the guarantor account file"},
    {72, 75, "the print request file"},
    {78, 80, "the workstation notification file"},
    {87, 89, "the provider counter file"},
    {90, 91, kTreatmentFile},
    {92, 93, kTreatmentFile},
    {94, 96, "the schedule file"},
    {97, 99, "the continuing care type file"},
    {100, 105, "the continuing care file"},
    {106, 107, kTreatmentFile},
    {108, 109, "the continuing care view file"},
    {110, 112, kTreatmentFile},
    {113, 115, kTreatmentFile},
    {116, 118, kTreatmentFile},
    {120, 121, kTreatmentFile},
    {207, 209, kTreatmentFile},
    {268, 275, "the insurance carrier file"},
    {282, 287, kTreatmentFile},
};

// "the appointment file (file 9)", or "file 500" for a number that belongs to no file.
std::string fileInWords(int fileNumber) {
  const std::string number = "file " + std::to_string(fileNumber);
  for (const FileRole& role : kFileRoles) {
    if (fileNumber >= role.firstKey && fileNumber <= role.lastKey) {
      return std::string(role.name) + " (" + number + ")";
    }
  }
  return number;
}

int askLiteral(Prompter& prompter, std::string text, PromptButtons buttons, PromptIcon icon) {
  Prompt prompt;
  prompt.caption = kCaption;
  prompt.text = std::move(text);
  prompt.buttons = buttons;
  prompt.icon = icon;
  prompt.messageNumber = 0;
  return prompter.ask(prompt);
}

}  // namespace

int QRX_MessageBox(Prompter& prompter, int style, int number, long v1, long v2, long v3) {
  const CatalogEntry* entry = findMessage(number);
  // A style outside the four falls back to the message's own, so that a caller's slip still
  // shows the right buttons.
  const int shown = isCatalogStyle(style) ? style : (entry ? entry->style : kStyleError);
  Prompt prompt;
  prompt.caption = kCaption;
  prompt.text = entry ? fillIn(entry->text, v1, v2, v3) : unknownMessageText(number, v1, v2, v3);
  prompt.messageNumber = number;
  applyStyle(shown, prompt);
  const int answer = prompter.ask(prompt);
  if (!isQuestionStyle(shown)) return 1;
  return (answer == kIdYes || answer == kIdOk) ? 1 : 2;
}

int QRX_Message(Prompter& prompter, int number, long v1, long v2, long v3) {
  const CatalogEntry* entry = findMessage(number);
  return QRX_MessageBox(prompter, entry ? entry->style : kStyleError, number, v1, v2, v3);
}

int QRX_MessageStyle(int number) {
  const CatalogEntry* entry = findMessage(number);
  return entry ? entry->style : -1;
}

std::string QRX_MessageText(int number, long v1, long v2, long v3) {
  const CatalogEntry* entry = findMessage(number);
  return entry ? fillIn(entry->text, v1, v2, v3) : std::string();
}

int QRX_RecordLockedQuestion(Prompter& prompter, int fileNumber) {
  const std::string text = "A record in " + fileInWords(fileNumber) +
                           " is in use at another workstation. Choose Retry to try again once "
                           "it is free, or Cancel to stop.";
  const int answer =
      askLiteral(prompter, text, PromptButtons::kRetryCancel, PromptIcon::kExclamation);
  return answer == kIdRetry ? kIdRetry : kIdCancel;
}

int QRX_DatabaseErrorNotice(Prompter& prompter, int fileNumber, int error, int reportedFileNumber) {
  const std::string text = "A database error occurred in " + fileInWords(fileNumber) + ": error " +
                           std::to_string(error) + " on file " + std::to_string(fileNumber) +
                           ", reported for file " + std::to_string(reportedFileNumber) +
                           ". Try again; if it keeps happening, ask your administrator.";
  askLiteral(prompter, text, PromptButtons::kOk, PromptIcon::kStop);
  return 1;
}

int QRX_DBFindErr(Prompter& prompter) {
  askLiteral(prompter,
             "No Vantrel database was found in the data directory. Check that Path in the "
             "GENERAL section of the suite profile names the right directory, or ask your "
             "administrator.",
             PromptButtons::kOk, PromptIcon::kStop);
  return 1;
}
