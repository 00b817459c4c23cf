#pragma once
// Making the practice database: an empty database in a data directory with every file of the
// schema catalogue created. The administration command and the tests call it; the program
// itself only opens a database that exists.

// Creates the database in `dataPath` (made if needed) and every catalogued file, then leaves
// the database open for this process (QDB_InitDataBase). An existing database is kept and only
// the files it lacks are added, so running it again is harmless. Returns 0, or the database's
// error number of the step that failed.
int createPracticeDatabase(const char* dataPath);
