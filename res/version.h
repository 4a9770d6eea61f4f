// The program's version and publisher: set here once, read by version.rc and by the
// installer script (installer/quilpad.nsi parses these lines).
#pragma once

#define QP_VERSION_MAJOR 5
#define QP_VERSION_MINOR 2
#define QP_VERSION_PATCH 1
#define QP_VERSION_BUILD 4
#define QP_PUBLISHER "Veranox"

#define QP_STRINGIZE_(x) #x
#define QP_STRINGIZE(x) QP_STRINGIZE_(x)
#define QP_VERSION_TEXT QP_STRINGIZE(QP_VERSION_MAJOR) "." QP_STRINGIZE(QP_VERSION_MINOR) "." \
    QP_STRINGIZE(QP_VERSION_PATCH) "." QP_STRINGIZE(QP_VERSION_BUILD)
