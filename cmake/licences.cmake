# SPDX-License-Identifier: GPL-3.0-or-later
# The licences every release hands out with the program, the Windows one
# and the web page alike: the game's GPL as LICENSE.txt, and in
# licenses/Qt the licence texts and Debian's copyright file of the Qt
# linked into it, from Debian's source package of that Qt.
# QUIZZOLA_QT_SOURCE is that package's folder, as scripts/fetch-qt-source.sh
# prints it; QUIZZOLA_QT_DEBIAN_VERSION is set to its version. `release`
# and `target` name the release and the make target that passes the folder,
# for the message given when it is missing.
set(QUIZZOLA_QT_SOURCE "" CACHE PATH "Debian's source package of Qt and its licences (scripts/fetch-qt-source.sh)")

function(quizzola_install_licences release target)
    if(NOT EXISTS "${QUIZZOLA_QT_SOURCE}/licenses/copyright")
        message(FATAL_ERROR "${release} needs QUIZZOLA_QT_SOURCE, the folder "
                            "scripts/fetch-qt-source.sh prints (`make ${target}` passes it)")
    endif()
    get_filename_component(version "${QUIZZOLA_QT_SOURCE}" NAME)
    set(QUIZZOLA_QT_DEBIAN_VERSION ${version} PARENT_SCOPE)
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
    install(DIRECTORY ${QUIZZOLA_QT_SOURCE}/licenses/ DESTINATION licenses/Qt PATTERN copyright EXCLUDE)
    install(FILES ${QUIZZOLA_QT_SOURCE}/licenses/copyright DESTINATION licenses/Qt RENAME copyright.txt)
endfunction()
