// apptbook: the Vantrel Appointment List. Everything is in runApptBook.

#include "shell/ui/startup.h"

int main(int argc, char** argv) { return runApptBook(argc, argv); }
