// Version and status names.
#include "corvan.h"

extern "C" {

unsigned corvan_version_number(void) {
    return CORVAN_VERSION_NUMBER;
}

const char *corvan_version_string(void) {
    return CORVAN_VERSION_STRING;
}

const char *corvan_status_name(int status) {
    switch (status) {
    case CORVAN_OK:
        return "success";
    case CORVAN_E_ARGUMENT:
        return "invalid argument";
    case CORVAN_E_SYNTAX:
        return "syntax error";
    case CORVAN_E_UNKNOWN:
        return "unknown name";
    case CORVAN_E_RANGE:
        return "out of range";
    case CORVAN_E_CHARGE:
        return "impossible charge";
    case CORVAN_E_LABEL:
        return "impossible label";
    case CORVAN_E_TOO_WIDE:
        return "distribution too wide";
    case CORVAN_E_MEMORY:
        return "out of memory";
    case CORVAN_E_UNSUPPORTED:
        return "not supported";
    case CORVAN_E_INTERNAL:
        return "internal error";
    default:
        return "unknown status";
    }
}

} // extern "C"
