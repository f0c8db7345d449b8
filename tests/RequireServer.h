#pragma once

#include <QtTest>

// Skips a test when no server was started for it, except in CI, where that is a failure; the
// variable is the one that names the server's folder.
#define REQUIRE_SERVER(available, variable)                                                      \
    do {                                                                                         \
        if (!(available)) {                                                                      \
            if (qEnvironmentVariableIsSet("CI"))                                                 \
                QFAIL(variable " names no running test server");                                 \
            QSKIP("no test server (ctest starts one)");                                          \
        }                                                                                        \
    } while (0)
