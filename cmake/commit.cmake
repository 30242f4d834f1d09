# SPDX-License-Identifier: GPL-3.0-or-later
# The commit built, QUIZZOLA_COMMIT, and its date, which every date in a
# release is, QUIZZOLA_SOURCE_DATE_EPOCH (SOURCE_DATE_EPOCH, when set, else
# the commit's): from git, or in a tree unpacked from a source archive, from
# the COMMIT file it holds.
execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} log -1 --format=%H%n%ct RESULT_VARIABLE failed
                OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(failed AND EXISTS ${PROJECT_SOURCE_DIR}/COMMIT)
    file(STRINGS ${PROJECT_SOURCE_DIR}/COMMIT commit)
elseif(failed)
    message(FATAL_ERROR "A release is made from a git checkout or an unpacked source archive")
else()
    string(REPLACE "\n" ";" commit "${commit}")
endif()
list(GET commit 0 QUIZZOLA_COMMIT)
list(GET commit 1 QUIZZOLA_SOURCE_DATE_EPOCH)
if(NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
    set(QUIZZOLA_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
endif()
