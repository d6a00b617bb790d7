# Fails when a test gives a verdict Qt's way or waits another way than support/Eventually.h's.
# Qt's verdict macros (QVERIFY, QCOMPARE, QTRY_...) tell a failure only to Qt's test log, which a
# GoogleTest program never reads, so the test passes whatever happened. A bare wait
# (EXPECT_TRUE(QTest::qWaitFor(...))) lets a test go on after a timeout, and a sleep waits for
# time rather than for what the test needs; Eventually.h's macros fail the test and stop it there.
#   cmake -DTESTS_DIR=<tests> -P CheckTests.cmake
cmake_minimum_required(VERSION 3.25)

get_filename_component(TESTS_DIR "${TESTS_DIR}" ABSOLUTE)
file(GLOB_RECURSE files "${TESTS_DIR}/*.h" "${TESTS_DIR}/*.cpp")
# The examples of faults these checks are shown to catch.
list(FILTER files EXCLUDE REGEX "^${TESTS_DIR}/rules/")

# Lines matching pattern in the files, as "file: line"; the one file allowed them is passed over.
function(find_lines pattern allowed out)
    set(found "")
    foreach(file IN LISTS files)
        file(RELATIVE_PATH shown "${TESTS_DIR}" "${file}")
        if(shown STREQUAL allowed)
            continue()
        endif()
        file(STRINGS "${file}" lines REGEX "${pattern}")
        foreach(line IN LISTS lines)
            string(STRIP "${line}" line)
            list(APPEND found "${shown}: ${line}")
        endforeach()
    endforeach()
    set(${out} "${found}" PARENT_SCOPE)
endfunction()

find_lines("Q(VERIFY|COMPARE|TRY_[A-Z_]+)[A-Z0-9_]*[ \t]*\\(" "" verdicts)
find_lines("(qWait[A-Za-z]*|qSleep|sleep_for|sleep_until|usleep|nanosleep)[ \t]*\\(" "support/Eventually.h" waits)

set(text "")
if(verdicts)
    list(JOIN verdicts "\n" joined)
    string(APPEND text "Qt verdicts that GoogleTest never hears of:\n${joined}\n")
endif()
if(waits)
    list(JOIN waits "\n" joined)
    string(APPEND text "Waits other than support/Eventually.h's:\n${joined}\n")
endif()
if(text)
    message(FATAL_ERROR "${text}")
endif()
