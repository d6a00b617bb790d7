# Fails when a test uses Qt's verdict macros (QVERIFY, QCOMPARE, QTRY_...): they tell a failure
# only to Qt's test log, which a GoogleTest program never reads, so the test passes whatever
# happened. support/Eventually.h waits for a condition the GoogleTest way.
#   cmake -DTESTS_DIR=<tests> -P CheckTestVerdicts.cmake
cmake_minimum_required(VERSION 3.25)

get_filename_component(TESTS_DIR "${TESTS_DIR}" ABSOLUTE)
file(GLOB_RECURSE files "${TESTS_DIR}/*.h" "${TESTS_DIR}/*.cpp")
# The examples of faults these checks are shown to catch.
list(FILTER files EXCLUDE REGEX "^${TESTS_DIR}/rules/")
set(faults "")
foreach(file IN LISTS files)
    file(STRINGS "${file}" lines REGEX "Q(VERIFY|COMPARE|TRY_[A-Z_]+)[A-Z0-9_]*[ \t]*\\(")
    file(RELATIVE_PATH shown "${TESTS_DIR}" "${file}")
    foreach(line IN LISTS lines)
        string(STRIP "${line}" line)
        list(APPEND faults "${shown}: ${line}")
    endforeach()
endforeach()

if(faults)
    list(JOIN faults "\n" text)
    message(FATAL_ERROR "Qt verdicts that GoogleTest never hears of:\n${text}")
endif()
