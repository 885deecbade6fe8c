#pragma once
// DATABASE_RESULT: the result codes of the database component. Operations
// that give an int give one of these (0 success); write operations that meet
// a storage failure (the file cannot be written, the disk is full, another
// writer holds the file too long) undo everything they did and throw the
// code as a DATABASE_RESULT, which the writer catches around the call.

enum DATABASE_RESULT : int {
    DATABASE_OK = 0,
    DATABASE_FAILED = -1,            // a failure of no more particular kind
    DATABASE_INVALID_ARGUMENT = -2,  // a null pointer, an empty text, a kind the operation does not know
    DATABASE_NOT_OPEN = -3,          // no data file is open
    DATABASE_NOT_A_DATABASE = -4,    // the file is damaged, or not a data file of this component
    DATABASE_STORAGE_FAILED = -5,    // the file could not be read or written
    DATABASE_NO_ROW = -6,            // no such row
    DATABASE_IN_USE = -7,            // the row is still used by others and stays
    DATABASE_BUFFER_TOO_SMALL = -8,  // the buffer holds fewer bytes than the value
    DATABASE_WRONG_TYPE = -9,        // the column holds another kind of value
    DATABASE_NEWER_VERSION = -10,    // the file was written by a newer version of the component
    DATABASE_NOT_SUPPORTED = -11,    // the operation is not available in this version
    DATABASE_READ_ONLY = -12,        // the file, its folder or its log files cannot be written
    DATABASE_EXISTS = -15,           // an equal row is stored already
    DATABASE_NO_CONNECTION = -16,    // the synchronisation service cannot be reached
    DATABASE_NOT_SET_UP = -17,       // no address of the synchronisation service is set up
    DATABASE_CANCELLED = -19,        // the user cancelled
    DATABASE_WRONG_ACCOUNT = -23,    // wrong e-mail address or password
};
